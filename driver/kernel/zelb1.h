// ZELB1: the kernel-mode USB function driver of the document camera.
//
// The device extension and every routine of the driver. The decisions
// (pipe names and the open table, device numbers and names, the
// configuration reads, power choices, device-control checks, what each
// device state admits, the caller's copy of the extension, the steps of a
// timed transfer) live in driver/logic as plain functions; the routines
// here are the kernel glue around them.
#pragma once

// mingw's intrin.h and wdm.h both define these two; keep the DDK's.
#define __INTRINSIC_DEFINED_InterlockedBitTestAndSet
#define __INTRINSIC_DEFINED_InterlockedBitTestAndReset
#include <ntddk.h>
#include <usb.h>
#include <usbioctl.h>
// usbdlib.h declares its routines without C linkage of its own.
extern "C" {
#include <usbdlib.h>
}

#include "driver/logic/config_descriptor.h"
#include "driver/logic/device_control.h"
#include "driver/logic/extension_image.h"
#include "driver/logic/io_gate.h"
#include "driver/logic/pipe_name.h"
#include "driver/logic/pipe_table.h"

// Pool tag: the bytes 'W' 'd' 'm' ' '.
constexpr ULONG kPoolTag = 0x206D6457;

// Every URB sent to the camera is limited to 5 seconds.
constexpr ULONG kUrbTimeLimitMs = 5000;

struct ZelDeviceExtension {
  PDEVICE_OBJECT pdo;
  PDEVICE_OBJECT lowerDevice;
  ULONG deviceNumber;
  PUSB_CONFIGURATION_DESCRIPTOR configDescriptor;
  PUSBD_INTERFACE_INFORMATION interfaces[zelb1::kMaxInterfaces];
  USBD_CONFIGURATION_HANDLE configurationHandle;
  zelb1::PipeOpenState pipes;  // openPipeCount, pipeOpenTable
  PUSB_DEVICE_DESCRIPTOR deviceDescriptor;
  UCHAR unconfigured;
  UCHAR started;
  ULONG devicePowerState;
  PIRP pendingPowerIrp;
  // Every open, read, write and device control passes the gate; stop and
  // removal close it and wait on gateDrained for the requests inside.
  zelb1::IoGate gate;
  KEVENT gateDrained;
};

static_assert(sizeof(ZelDeviceExtension) <= zelb1::kDeviceExtensionSize,
              "the device extension is 2448 bytes");
// The copy handed to user mode (0x220204) is written from the same layout.
#define ZEL_SAME_PLACE(field) \
  offsetof(ZelDeviceExtension, field) == offsetof(zelb1::ExtensionHead, field)
static_assert(ZEL_SAME_PLACE(pdo) && ZEL_SAME_PLACE(lowerDevice) && ZEL_SAME_PLACE(deviceNumber) &&
                  ZEL_SAME_PLACE(configDescriptor) && ZEL_SAME_PLACE(interfaces) &&
                  ZEL_SAME_PLACE(configurationHandle) && ZEL_SAME_PLACE(pipes) &&
                  ZEL_SAME_PLACE(deviceDescriptor) && ZEL_SAME_PLACE(unconfigured) &&
                  ZEL_SAME_PLACE(started) && ZEL_SAME_PLACE(devicePowerState) &&
                  ZEL_SAME_PLACE(pendingPowerIrp) && sizeof(PVOID) == sizeof(uintptr_t),
              "the extension starts with zelb1::ExtensionHead");
#undef ZEL_SAME_PLACE

// Driver-wide: the number of devices (incremented once a device is
// published, decremented when one is removed).
extern LONG deviceCounter;

// Driver-wide: non-executable non-paged pool where the system has it,
// chosen once at driver entry.
extern POOL_TYPE driverPoolType;

inline ZelDeviceExtension* extensionOf(PDEVICE_OBJECT device) {
  return static_cast<ZelDeviceExtension*>(device->DeviceExtension);
}

inline void* allocatePool(SIZE_T size) {
  return ExAllocatePoolWithTag(driverPoolType, size, kPoolTag);
}

inline void freePool(void* block) {
  if (block) ExFreePoolWithTag(block, kPoolTag);
}

// The pipe code a file holds (zelb1::kDevicePipeCode for a handle on the
// device itself) lives in the file object's context.
inline uint32_t fileCodeOf(PFILE_OBJECT file) {
  return static_cast<uint32_t>(reinterpret_cast<ULONG_PTR>(file->FsContext));
}

inline void storeFileCode(PFILE_OBJECT file, uint32_t code) {
  file->FsContext = reinterpret_cast<PVOID>(static_cast<LONG_PTR>(static_cast<int32_t>(code)));
}

// Enters the device's gate for a request of this kind (the state decides);
// on success leaveDevice must follow once the request is done with the
// device. IRQL: dispatch or below.
inline NTSTATUS enterDevice(ZelDeviceExtension* ext, zelb1::RequestKind kind) {
  bool drained = false;
  NTSTATUS status = zelb1::enterGate(ext->gate, kind, &drained);
  if (drained) KeSetEvent(&ext->gateDrained, IO_NO_INCREMENT, FALSE);
  return status;
}

inline void leaveDevice(ZelDeviceExtension* ext) {
  if (zelb1::leaveGate(ext->gate)) KeSetEvent(&ext->gateDrained, IO_NO_INCREMENT, FALSE);
}

// Completes a request with a status and byte count.
inline NTSTATUS completeRequest(PIRP irp, NTSTATUS status, ULONG_PTR information) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = information;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

// driver_entry.cpp
extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath);
NTSTATUS NTAPI addDevice(PDRIVER_OBJECT driver, PDEVICE_OBJECT pdo);
NTSTATUS createDevice(PDRIVER_OBJECT driver, PDEVICE_OBJECT* device, LONG number);
NTSTATUS createDeviceLink(LONG number);
void deleteDeviceLink(LONG number);
NTSTATUS NTAPI dispatchMain(PDEVICE_OBJECT device, PIRP irp);

// system_control.cpp
NTSTATUS NTAPI dispatchSystemControl(PDEVICE_OBJECT device, PIRP irp);

// usb_request.cpp
NTSTATUS submitUrb(ZelDeviceExtension* ext, PURB urb, ULONG timeLimitMs);
NTSTATUS readDescriptor(ZelDeviceExtension* ext, UCHAR type, PVOID buffer,
                        ULONG length, ULONG* transferred);

// pnp.cpp
NTSTATUS dispatchPnp(PDEVICE_OBJECT device, PIRP irp);
NTSTATUS startDevice(ZelDeviceExtension* ext);
NTSTATUS configureDevice(ZelDeviceExtension* ext);
NTSTATUS selectConfiguration(ZelDeviceExtension* ext,
                             PUSB_CONFIGURATION_DESCRIPTOR config, ULONG length);
NTSTATUS unconfigureDevice(ZelDeviceExtension* ext);

// power.cpp
NTSTATUS NTAPI dispatchPower(PDEVICE_OBJECT device, PIRP irp);

// create_close.cpp
NTSTATUS createFile(PDEVICE_OBJECT device, PIRP irp);
NTSTATUS openPipeByName(ZelDeviceExtension* ext, PFILE_OBJECT file, const char16_t* name, ULONG length);
NTSTATUS closeFile(PDEVICE_OBJECT device, PIRP irp);

// read_write.cpp
NTSTATUS NTAPI dispatchRead(PDEVICE_OBJECT device, PIRP irp);
NTSTATUS NTAPI dispatchWrite(PDEVICE_OBJECT device, PIRP irp);

// device_control.cpp
NTSTATUS deviceControl(PDEVICE_OBJECT device, PIRP irp);
