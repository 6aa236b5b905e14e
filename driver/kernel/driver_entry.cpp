// Driver entry, add-device and the numbered device objects and links.
#include "driver/kernel/zelb1.h"

#include "driver/logic/device_names.h"

LONG deviceCounter = 0;

namespace {

// Driver-wide name buffers, filled during device creation and removal only
// (the PnP manager serialises both).
WCHAR deviceNameBuffer[zelb1::kDeviceNameUnits];
WCHAR linkNameBuffer[zelb1::kLinkNameUnits];
WCHAR removedLinkNameBuffer[zelb1::kLinkNameUnits];

char16_t* units(WCHAR* buffer) { return reinterpret_cast<char16_t*>(buffer); }

void NTAPI unloadDriver(PDRIVER_OBJECT) {}

}  // namespace

/*
 * DriverEntry
 * Registers the dispatch routines, add-device and unload. Nothing else
 * happens until the PnP manager reports a camera.
 * Returns: success. IRQL: passive.
 */
extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING) {
  driver->MajorFunction[IRP_MJ_CREATE] = dispatchMain;
  driver->MajorFunction[IRP_MJ_CLOSE] = dispatchMain;
  driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = dispatchMain;
  driver->MajorFunction[IRP_MJ_PNP] = dispatchMain;
  driver->MajorFunction[IRP_MJ_READ] = dispatchRead;
  driver->MajorFunction[IRP_MJ_WRITE] = dispatchWrite;
  driver->MajorFunction[IRP_MJ_POWER] = dispatchPower;
  driver->DriverExtension->AddDevice = addDevice;
  driver->DriverUnload = unloadDriver;
  return STATUS_SUCCESS;
}

/*
 * addDevice
 * Creates the next numbered device object for a camera and attaches it to
 * the camera's device stack. A number whose name is still held by another
 * camera is passed over (the counter is incremented again).
 * driver: this driver; pdo: the camera's physical device object.
 * Returns: the status of createDevice (the counter stays incremented when
 * it fails), or no such device when the stack cannot be joined.
 * IRQL: passive.
 */
NTSTATUS NTAPI addDevice(PDRIVER_OBJECT driver, PDEVICE_OBJECT pdo) {
  PDEVICE_OBJECT device = nullptr;
  LONG number = InterlockedIncrement(&deviceCounter);
  NTSTATUS status = createDevice(driver, &device, number);
  while (zelb1::tryNextDeviceNumber(status, number)) {
    number = InterlockedIncrement(&deviceCounter);
    status = createDevice(driver, &device, number);
  }
  if (NT_SUCCESS(status) && device && pdo) {
    ZelDeviceExtension* ext = extensionOf(device);
    device->Flags |= DO_DIRECT_IO | DO_POWER_PAGABLE;
    device->Flags &= ~DO_DEVICE_INITIALIZING;
    ext->pdo = pdo;
    ext->deviceNumber = static_cast<ULONG>(number);
    ext->lowerDevice = IoAttachDeviceToDeviceStack(device, pdo);
    if (!ext->lowerDevice) {
      // Without a lower device no URB could go anywhere.
      deleteDeviceLink(number);
      IoDeleteDevice(device);
      status = STATUS_NO_SUCH_DEVICE;
    }
  }
  return status;
}

/*
 * createDevice
 * Creates the device object "\Device\ZELBxQnnn" with its extension and the
 * link "\DosDevices\ZELBxQnnn" for device number n.
 * device: receives the new device object (null on failure).
 * Returns: the device creation's failure, or the link creation's status.
 * A device whose link cannot be created is deleted again, so that a failed
 * add-device leaves no device object behind. Numbers outside 1..999 have
 * no name and are refused with insufficient resources.
 * IRQL: passive.
 */
NTSTATUS createDevice(PDRIVER_OBJECT driver, PDEVICE_OBJECT* device, LONG number) {
  *device = nullptr;
  if (!zelb1::fillDeviceName(number, units(deviceNameBuffer)) ||
      !zelb1::fillLinkName(number, units(linkNameBuffer)))
    return STATUS_INSUFFICIENT_RESOURCES;

  UNICODE_STRING deviceName;
  UNICODE_STRING linkName;
  RtlInitUnicodeString(&deviceName, deviceNameBuffer);
  RtlInitUnicodeString(&linkName, linkNameBuffer);

  PDEVICE_OBJECT created = nullptr;
  NTSTATUS status = IoCreateDevice(driver, zelb1::kDeviceExtensionSize, &deviceName,
                                   FILE_DEVICE_UNKNOWN, 0, FALSE, &created);
  if (!NT_SUCCESS(status)) return status;

  status = IoCreateUnprotectedSymbolicLink(&linkName, &deviceName);
  if (!NT_SUCCESS(status)) {
    IoDeleteDevice(created);
    return status;
  }

  ZelDeviceExtension* ext = extensionOf(created);
  ext->unconfigured = 1;
  ext->configurationHandle = nullptr;
  IoInitializeRemoveLock(&ext->removeLock, kPoolTag, 0, 0);
  *device = created;
  return status;
}

/*
 * deleteDeviceLink
 * Deletes the link "\DosDevices\ZELBxQnnn" of a device that goes away.
 * IRQL: passive.
 */
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
