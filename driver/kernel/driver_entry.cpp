// Driver entry, add-device and the numbered device objects and links.
#include "driver/kernel/zelb1.h"

#include "driver/logic/device_names.h"
#include "driver/logic/pool_choice.h"

LONG deviceCounter = 0;
POOL_TYPE driverPoolType = NonPagedPool;

namespace {

// Driver-wide name buffers, filled during device creation and removal only
// (the PnP manager serialises both).
WCHAR deviceNameBuffer[zelb1::kDeviceNameUnits];
WCHAR linkNameBuffer[zelb1::kLinkNameUnits];
WCHAR removedLinkNameBuffer[zelb1::kLinkNameUnits];

char16_t* units(WCHAR* buffer) { return reinterpret_cast<char16_t*>(buffer); }

void NTAPI unloadDriver(PDRIVER_OBJECT) {}

/*
 * choosePoolType
 * Non-executable non-paged pool from Windows 8 on, the plain non-paged pool
 * before (the documented single-binary opt-in does the same; mingw-w64's
 * headers do not carry it). Runs before the first allocation.
 * IRQL: passive.
 */
void choosePoolType() {
  RTL_OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  if (NT_SUCCESS(RtlGetVersion(&version)) &&
      zelb1::systemOffersNonExecutablePool(version.dwMajorVersion, version.dwMinorVersion))
    driverPoolType = NonPagedPoolNx;
}

}  // namespace

/*
 * DriverEntry
 * Chooses the pool type and registers the dispatch routines, add-device and
 * unload. Nothing else happens until the PnP manager reports a camera.
 * Returns: success. IRQL: passive.
 */
extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING) {
  choosePoolType();
  driver->MajorFunction[IRP_MJ_CREATE] = dispatchMain;
  driver->MajorFunction[IRP_MJ_CLOSE] = dispatchMain;
  driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = dispatchMain;
  driver->MajorFunction[IRP_MJ_PNP] = dispatchMain;
  driver->MajorFunction[IRP_MJ_READ] = dispatchRead;
  driver->MajorFunction[IRP_MJ_WRITE] = dispatchWrite;
  driver->MajorFunction[IRP_MJ_POWER] = dispatchPower;
  driver->MajorFunction[IRP_MJ_SYSTEM_CONTROL] = dispatchSystemControl;
  driver->DriverExtension->AddDevice = addDevice;
  driver->DriverUnload = unloadDriver;
  return STATUS_SUCCESS;
}

/*
 * addDevice
 * Creates the next numbered device object for a camera, attaches it to the
 * camera's device stack and only then publishes it: the link is created
 * and the initialising flag cleared last, so that no request can reach a
 * device that has no lower device yet.
 * The number is the device count plus one, or the next free one when that
 * name is still held by a camera plugged in later; the counter rises once,
 * when the device is published, and so stays the number of devices.
 * driver: this driver; pdo: the camera's physical device object.
 * Returns: the creation's failure, no such device when the stack cannot be
 * joined, the link's failure; nothing is left behind on failure.
 * IRQL: passive.
 */
NTSTATUS NTAPI addDevice(PDRIVER_OBJECT driver, PDEVICE_OBJECT pdo) {
  if (!pdo) return STATUS_NO_SUCH_DEVICE;

  PDEVICE_OBJECT device = nullptr;
  LONG number = deviceCounter + 1;
  NTSTATUS status = createDevice(driver, &device, number);
  while (zelb1::tryNextDeviceNumber(status, number)) {
    ++number;
    status = createDevice(driver, &device, number);
  }
  if (!NT_SUCCESS(status)) return status;

  ZelDeviceExtension* ext = extensionOf(device);
  ext->pdo = pdo;
  ext->deviceNumber = static_cast<ULONG>(number);
  ext->lowerDevice = IoAttachDeviceToDeviceStack(device, pdo);
  if (!ext->lowerDevice) {
    status = STATUS_NO_SUCH_DEVICE;
  } else {
    status = createDeviceLink(number);
    if (!NT_SUCCESS(status)) IoDetachDevice(ext->lowerDevice);
  }
  if (!NT_SUCCESS(status)) {
    IoDeleteDevice(device);
    return status;
  }

  InterlockedIncrement(&deviceCounter);
  device->Flags |= DO_DIRECT_IO | DO_POWER_PAGABLE;
  device->Flags &= ~DO_DEVICE_INITIALIZING;
  return STATUS_SUCCESS;
}

/*
 * createDevice
 * Creates the device object "\Device\ZELBxQnnn" for device number n, with
 * its extension ready (not configured, gate open, not started). Opens of
 * the names below the device are checked against the device's security
 * like opens of the device itself.
 * device: receives the new device object (null on failure).
 * Returns: the creation's status; numbers outside 1..999 have no name and
 * are refused with insufficient resources.
 * IRQL: passive.
 */
NTSTATUS createDevice(PDRIVER_OBJECT driver, PDEVICE_OBJECT* device, LONG number) {
  *device = nullptr;
  if (!zelb1::fillDeviceName(number, units(deviceNameBuffer))) return STATUS_INSUFFICIENT_RESOURCES;

  UNICODE_STRING deviceName;
  RtlInitUnicodeString(&deviceName, deviceNameBuffer);
  PDEVICE_OBJECT created = nullptr;
  NTSTATUS status = IoCreateDevice(driver, zelb1::kDeviceExtensionSize, &deviceName, FILE_DEVICE_UNKNOWN,
                                   FILE_DEVICE_SECURE_OPEN, FALSE, &created);
  if (!NT_SUCCESS(status)) return status;

  ZelDeviceExtension* ext = extensionOf(created);
  ext->unconfigured = 1;
  ext->configurationHandle = nullptr;
  zelb1::initGate(ext->gate);
  KeInitializeEvent(&ext->gateDrained, NotificationEvent, FALSE);
  *device = created;
  return status;
}

/*
 * createDeviceLink, deleteDeviceLink
 * Create the link "\DosDevices\ZELBxQnnn" to "\Device\ZELBxQnnn" for a
 * device being published, and delete it for one that goes away.
 * Returns (create): the link creation's status. IRQL: passive.
 */
NTSTATUS createDeviceLink(LONG number) {
  if (!zelb1::fillDeviceName(number, units(deviceNameBuffer)) ||
      !zelb1::fillLinkName(number, units(linkNameBuffer)))
    return STATUS_INSUFFICIENT_RESOURCES;
  UNICODE_STRING deviceName;
  UNICODE_STRING linkName;
  RtlInitUnicodeString(&deviceName, deviceNameBuffer);
  RtlInitUnicodeString(&linkName, linkNameBuffer);
  return IoCreateUnprotectedSymbolicLink(&linkName, &deviceName);
}

void deleteDeviceLink(LONG number) {
  if (!zelb1::fillLinkName(number, units(removedLinkNameBuffer))) return;
  UNICODE_STRING linkName;
  RtlInitUnicodeString(&linkName, removedLinkNameBuffer);
  IoDeleteSymbolicLink(&linkName);
}

/*
 * dispatchMain
 * Create, close, device control and PnP requests.
 * Returns: the routine's status. IRQL: passive.
 */
NTSTATUS NTAPI dispatchMain(PDEVICE_OBJECT device, PIRP irp) {
  switch (IoGetCurrentIrpStackLocation(irp)->MajorFunction) {
    case IRP_MJ_CREATE: return createFile(device, irp);
    case IRP_MJ_CLOSE: return closeFile(device, irp);
    case IRP_MJ_DEVICE_CONTROL: return deviceControl(device, irp);
    case IRP_MJ_PNP: return dispatchPnp(device, irp);
    default: return completeRequest(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
  }
}
