// Sending one URB to the camera and waiting for it, within a time limit.
#include "driver/kernel/zelb1.h"

namespace {

// Lives on the waiting thread's stack until submitUrb returns.
struct UrbWait {
  KEVENT completed;
  KEVENT timerDone;
  KTIMER timer;
  KDPC dpc;
  PIRP irp;
};

/*
 * urbCompleted
 * Completion routine of a submitted URB's request: wakes the waiting thread
 * and keeps the request, which submitUrb frees itself.
 * IRQL: up to dispatch.
 */
NTSTATUS NTAPI urbCompleted(PDEVICE_OBJECT, PIRP, PVOID context) {
  KeSetEvent(&static_cast<UrbWait*>(context)->completed, IO_NO_INCREMENT, FALSE);
  return STATUS_MORE_PROCESSING_REQUIRED;
}

/*
 * urbTimedOut
 * DPC of the time limit: cancels the request, then tells the waiting
 * thread that the DPC no longer uses the wait record.
 * IRQL: dispatch.
 */
void NTAPI urbTimedOut(PKDPC, PVOID context, PVOID, PVOID) {
  UrbWait* wait = static_cast<UrbWait*>(context);
  IoCancelIrp(wait->irp);
  KeSetEvent(&wait->timerDone, IO_NO_INCREMENT, FALSE);
}

}  // namespace

/*
 * submitUrb
 * Sends one URB to the lower driver as an internal device-control request
 * and waits for it. A URB still pending when the time limit passes is
 * cancelled; the cancellation status is then returned.
 * The request is the driver's own, kept until completion (so the DPC can
 * never cancel a request that is gone), and submitUrb returns only after
 * a DPC that fired has finished with the wait record on this stack.
 * Returns: the status of the call, or of the request when it pended.
 * IRQL: passive.
 */
NTSTATUS submitUrb(ZelDeviceExtension* ext, PURB urb, ULONG timeLimitMs) {
  PIRP irp = IoAllocateIrp(ext->lowerDevice->StackSize, FALSE);
  if (!irp) return STATUS_INSUFFICIENT_RESOURCES;

  UrbWait wait;
  wait.irp = irp;
  KeInitializeEvent(&wait.completed, NotificationEvent, FALSE);
  KeInitializeEvent(&wait.timerDone, NotificationEvent, FALSE);
  irp->IoStatus.Status = STATUS_NOT_SUPPORTED;
  irp->IoStatus.Information = 0;

  PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
  next->MajorFunction = IRP_MJ_INTERNAL_DEVICE_CONTROL;
  next->Parameters.DeviceIoControl.IoControlCode = IOCTL_INTERNAL_USB_SUBMIT_URB;
  next->Parameters.Others.Argument1 = urb;
  IoSetCompletionRoutine(irp, urbCompleted, &wait, TRUE, TRUE, TRUE);

  NTSTATUS status = IoCallDriver(ext->lowerDevice, irp);
  if (status == STATUS_PENDING) {
    KeInitializeTimer(&wait.timer);
    KeInitializeDpc(&wait.dpc, urbTimedOut, &wait);
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(timeLimitMs) * 10000;
    KeSetTimer(&wait.timer, due, &wait.dpc);
    KeWaitForSingleObject(&wait.completed, Executive, KernelMode, FALSE, nullptr);
    if (!KeCancelTimer(&wait.timer))
      KeWaitForSingleObject(&wait.timerDone, Executive, KernelMode, FALSE, nullptr);
    status = irp->IoStatus.Status;
  }
  IoFreeIrp(irp);
  return status;
}

/*
 * readDescriptor
 * Reads a descriptor of the given type (index 0, language 0) from the
 * camera into buffer through submitUrb.
 * transferred: receives the bytes that arrived (0 on failure).
 * Returns: insufficient resources without a URB, else submitUrb's status,
 * or unsuccessful when the URB itself reports a failure.
 * IRQL: passive.
 */
NTSTATUS readDescriptor(ZelDeviceExtension* ext, UCHAR type, PVOID buffer,
                        ULONG length, ULONG* transferred) {
  *transferred = 0;
  const USHORT urbSize = sizeof(struct _URB_CONTROL_DESCRIPTOR_REQUEST);
  PURB urb = static_cast<PURB>(allocatePool(urbSize));
  if (!urb) return STATUS_INSUFFICIENT_RESOURCES;
  RtlZeroMemory(urb, urbSize);
  UsbBuildGetDescriptorRequest(urb, urbSize, type, 0, 0, buffer, nullptr, length, nullptr);

  NTSTATUS status = submitUrb(ext, urb, kUrbTimeLimitMs);
  if (NT_SUCCESS(status) && !USBD_SUCCESS(urb->UrbHeader.Status))
    status = STATUS_UNSUCCESSFUL;
  if (NT_SUCCESS(status))
    *transferred = urb->UrbControlDescriptorRequest.TransferBufferLength;
  freePool(urb);
  return status;
}
