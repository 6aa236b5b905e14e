// The six device-control codes.
#include "driver/kernel/zelb1.h"

#ifdef ZELB1_PIPE_BIND
#include "driver/logic/pipe_bind.h"
#endif

namespace {

/*
 * answerDescriptor
 * Reads a descriptor from the camera now, straight into the output buffer,
 * which is cleared first so that no stale bytes go back.
 * Returns: the read's status; the request carries the fixed length on
 * success and nothing on failure.
 */
NTSTATUS answerDescriptor(ZelDeviceExtension* ext, UCHAR type, PVOID buffer,
                          ULONG length, ULONG* information) {
  RtlZeroMemory(buffer, length);
  ULONG transferred = 0;
  NTSTATUS status = readDescriptor(ext, type, buffer, length, &transferred);
  *information = NT_SUCCESS(status) ? length : 0;
  return status;
}

#ifdef ZELB1_PIPE_BIND
/*
 * bindPipe (test builds only)
 * Binds a handle opened on the device to the pipe named in the input
 * buffer, with the create-time rules. A handle that already holds a pipe
 * is refused with invalid device request. The caller has entered the
 * device's gate for a pipe open.
 */
NTSTATUS bindPipe(ZelDeviceExtension* ext, PIRP irp) {
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  PFILE_OBJECT file = stack->FileObject;
  if (fileCodeOf(file) != zelb1::kDevicePipeCode) return STATUS_INVALID_DEVICE_REQUEST;
  ULONG length = stack->Parameters.DeviceIoControl.InputBufferLength / sizeof(WCHAR);
  if (length == 0) return STATUS_NO_SUCH_DEVICE;

  return openPipeByName(ext, file, static_cast<const char16_t*>(irp->AssociatedIrp.SystemBuffer), length);
}
#endif

/*
 * requestKindOf
 * What a device-control code needs of the device (the test build's bind
 * code is a pipe open).
 */
zelb1::RequestKind requestKindOf(ULONG code) {
#ifdef ZELB1_PIPE_BIND
  if (code == zelb1::kControlBindPipe) return zelb1::RequestKind::PipeOpen;
#endif
  return zelb1::controlRequestKind(code);
}

}  // namespace

/*
 * deviceControl
 * Answers the device counter, the device extension (without its kernel
 * addresses), the device and configuration descriptors (read now), the bus
 * driver's version and the copy of interface 0's information. What the
 * device's state does not admit is refused first (the descriptors and the
 * interface copy need a started camera); every answer is checked against
 * the output buffer before anything is written.
 * Returns: the state's refusal; invalid parameter for an unknown code;
 * buffer too small for a short output buffer; invalid device state for the
 * interface-0 copy without a configured interface 0; else the answer's
 * status.
 * IRQL: passive.
 */
NTSTATUS deviceControl(PDEVICE_OBJECT device, PIRP irp) {
  ZelDeviceExtension* ext = extensionOf(device);
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
  PVOID buffer = irp->AssociatedIrp.SystemBuffer;

  NTSTATUS status = enterDevice(ext, requestKindOf(code));
  if (!NT_SUCCESS(status)) return completeRequest(irp, status, 0);

#ifdef ZELB1_PIPE_BIND
  if (code == zelb1::kControlBindPipe) {
    status = bindPipe(ext, irp);
    leaveDevice(ext);
    return completeRequest(irp, status, 0);
  }
#endif

  PUSBD_INTERFACE_INFORMATION interface0 = ext->interfaces[0];
  zelb1::DeviceControlCheck check = zelb1::checkDeviceControl(
      code, stack->Parameters.DeviceIoControl.OutputBufferLength,
      interface0 ? interface0->Length : 0);
  status = check.status;
  ULONG information = 0;

  if (NT_SUCCESS(status)) {
    information = check.length;
    switch (code) {
      case zelb1::kControlGetDeviceCounter:
        *static_cast<LONG*>(buffer) = deviceCounter;
        break;
      case zelb1::kControlGetDeviceExtension:
        // Same layout and size, but no kernel address goes to user mode.
        zelb1::copyExtensionForCaller(*reinterpret_cast<const zelb1::ExtensionHead*>(ext),
                                      static_cast<uint8_t*>(buffer));
        break;
      case zelb1::kControlGetDeviceDescriptor:
        status = answerDescriptor(ext, USB_DEVICE_DESCRIPTOR_TYPE, buffer, check.length, &information);
        break;
      case zelb1::kControlGetConfigDescriptor:
        status = answerDescriptor(ext, USB_CONFIGURATION_DESCRIPTOR_TYPE, buffer, check.length, &information);
        break;
      case zelb1::kControlGetBusVersion:
        USBD_GetUSBDIVersion(static_cast<PUSBD_VERSION_INFORMATION>(buffer));
        break;
      case zelb1::kControlGetInterface0:
        RtlCopyMemory(buffer, interface0, check.length);
        break;
    }
  }

  leaveDevice(ext);
  return completeRequest(irp, status, information);
}
