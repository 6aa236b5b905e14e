// ZELB1: the kernel-mode USB function driver of the document camera.
//
// The device extension and every routine of the driver. The decisions
// (pipe names and the open table, device numbers and names, the
// configuration reads, power choices, device-control checks, who finishes a
// timed transfer) live in driver/logic as plain functions; the routines here
// are the kernel glue around them.
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
  // Held by every request that reaches the camera; removal waits for them.
  IO_REMOVE_LOCK removeLock;
};

static_assert(sizeof(ZelDeviceExtension) <= zelb1::kDeviceExtensionSize,
              "the device extension is 2448 bytes");

// Driver-wide: incremented before each device object is created,
// decremented when a device is removed.
extern LONG deviceCounter;

inline ZelDeviceExtension* extensionOf(PDEVICE_OBJECT device) {
  return static_cast<ZelDeviceExtension*>(device->DeviceExtension);
}

inline void* allocatePool(SIZE_T size) {
  return ExAllocatePoolWithTag(NonPagedPool, size, kPoolTag);
}

inline void freePool(void* block) {
  if (block) ExFreePoolWithTag(block, kPoolTag);
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
void deleteDeviceLink(LONG number);
NTSTATUS NTAPI dispatchMain(PDEVICE_OBJECT device, PIRP irp);

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
