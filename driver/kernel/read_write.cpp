// Reads and writes: one bulk or interrupt transfer each, limited to 5 s.
#include "driver/kernel/zelb1.h"

#include "driver/logic/transfer_state.h"

namespace {

// Time limit of one transfer, in 100-ns units, relative.
constexpr LONGLONG kTransferTimeLimit = -50000000;

// One per read or write, from non-paged pool.
struct TransferRecord {
  struct _URB_BULK_OR_INTERRUPT_TRANSFER urb;
  KTIMER timer;
  KDPC dpc;
  PIRP irp;
  zelb1::TransferGuard guard;  // holds the timed-out flag
  ZelDeviceExtension* ext;     // its gate is held until the transfer ends
};

/*
 * finishTransfer
 * Sets the request's outcome and frees the record. Called once, by
 * whichever of completion routine and DPC is last; the caller then leaves
 * the device's gate (after completing the request, if it does).
 * IRQL: dispatch or below.
 */
void finishTransfer(TransferRecord* record) {
  PIRP irp = record->irp;
  zelb1::TransferResult result = zelb1::transferOutcome(
      zelb1::hasTimedOut(record->guard), irp->IoStatus.Status,
      record->urb.TransferBufferLength);
  irp->IoStatus.Status = result.status;
  irp->IoStatus.Information = result.information;
  freePool(record);
}

// The kernel operations behind zelb1::completeTransfer and
// zelb1::timeOutTransfer, which decide their order.
struct TransferOps {
  TransferRecord* record;
  bool cancelTimer() { return KeCancelTimer(&record->timer); }
  void cancelRequest() { IoCancelIrp(record->irp); }
  void finish() {
    ZelDeviceExtension* ext = record->ext;
    finishTransfer(record);
    leaveDevice(ext);
  }
  void finishAndComplete() {
    PIRP irp = record->irp;
    ZelDeviceExtension* ext = record->ext;
    finishTransfer(record);
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    leaveDevice(ext);
  }
};

/*
 * transferCompleted
 * Completion routine of a read or write (see zelb1::completeTransfer).
 * Returns: more processing required while the DPC holds the record, else
 * the request's status. IRQL: up to dispatch.
 */
NTSTATUS NTAPI transferCompleted(PDEVICE_OBJECT, PIRP irp, PVOID context) {
  if (irp->PendingReturned) IoMarkIrpPending(irp);
  TransferOps ops = {static_cast<TransferRecord*>(context)};
  if (!zelb1::completeTransfer(ops.record->guard, ops)) return STATUS_MORE_PROCESSING_REQUIRED;
  return irp->IoStatus.Status;
}

/*
 * transferTimedOut
 * DPC of the 5 s limit (see zelb1::timeOutTransfer).
 * IRQL: dispatch.
 */
void NTAPI transferTimedOut(PKDPC, PVOID context, PVOID, PVOID) {
  TransferOps ops = {static_cast<TransferRecord*>(context)};
  zelb1::timeOutTransfer(ops.record->guard, ops);
}

/*
 * transferPipe
 * Sends a read or write as one transfer of the whole buffer on the file's
 * pipe and starts its time limit.
 * noRecord: the status when no transfer record can be allocated.
 * Returns: pending once the transfer was sent, else the refusal: what the
 * device's state does not admit (delete pending before start and while
 * removing, not ready while stopped, not connected after a surprise
 * removal), invalid device request on the device handle, no such device
 * for a pipe that is not configured. A zero-length request has no buffer
 * and succeeds at once.
 * IRQL: passive or below dispatch.
 */
NTSTATUS transferPipe(PDEVICE_OBJECT device, PIRP irp, NTSTATUS noRecord) {
  ZelDeviceExtension* ext = extensionOf(device);
  const uint32_t code = fileCodeOf(IoGetCurrentIrpStackLocation(irp)->FileObject);

  NTSTATUS status = enterDevice(ext, zelb1::RequestKind::Transfer);
  if (!NT_SUCCESS(status)) return completeRequest(irp, status, 0);

  PUSBD_INTERFACE_INFORMATION entry = nullptr;
  uint32_t pipe = zelb1::pipeCodePipe(code);
  uint32_t interfaceIndex = zelb1::pipeCodeInterface(code);
  TransferRecord* record = nullptr;

  if (code == zelb1::kDevicePipeCode) {
    status = STATUS_INVALID_DEVICE_REQUEST;
  } else if (interfaceIndex >= zelb1::kMaxInterfaces ||
             !(entry = ext->interfaces[interfaceIndex]) || pipe >= entry->NumberOfPipes) {
    status = STATUS_NO_SUCH_DEVICE;
  } else if (!irp->MdlAddress) {
    status = STATUS_SUCCESS;  // nothing to move
  } else if (!(record = static_cast<TransferRecord*>(allocatePool(sizeof(TransferRecord))))) {
    status = noRecord;
  }
  if (!record) {
    leaveDevice(ext);
    return completeRequest(irp, status, 0);
  }

  RtlZeroMemory(record, sizeof(*record));
  UsbBuildInterruptOrBulkTransferRequest(
      reinterpret_cast<PURB>(&record->urb), sizeof(record->urb),
      entry->Pipes[pipe].PipeHandle, nullptr, irp->MdlAddress,
      MmGetMdlByteCount(irp->MdlAddress), USBD_SHORT_TRANSFER_OK, nullptr);
  record->irp = irp;
  record->ext = ext;
  zelb1::armTransferGuard(record->guard);
  KeInitializeTimer(&record->timer);
  KeInitializeDpc(&record->dpc, transferTimedOut, record);

  IoMarkIrpPending(irp);
  PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
  next->MajorFunction = IRP_MJ_INTERNAL_DEVICE_CONTROL;
  next->Parameters.DeviceIoControl.IoControlCode = IOCTL_INTERNAL_USB_SUBMIT_URB;
  next->Parameters.Others.Argument1 = &record->urb;
  IoSetCompletionRoutine(irp, transferCompleted, record, TRUE, TRUE, TRUE);

  LARGE_INTEGER due;
  due.QuadPart = kTransferTimeLimit;
  KeSetTimer(&record->timer, due, &record->dpc);
  IoCallDriver(ext->lowerDevice, irp);
  // The request was marked pending: its outcome reaches the caller through
  // its completion, whatever the lower driver answered here.
  return STATUS_PENDING;
}

}  // namespace

/*
 * dispatchRead, dispatchWrite
 * A read or write on a pipe handle. Without memory for the transfer
 * record a read fails with no memory, a write with insufficient resources.
 * IRQL: passive or below dispatch.
 */
NTSTATUS NTAPI dispatchRead(PDEVICE_OBJECT device, PIRP irp) {
  return transferPipe(device, irp, STATUS_NO_MEMORY);
}

NTSTATUS NTAPI dispatchWrite(PDEVICE_OBJECT device, PIRP irp) {
  return transferPipe(device, irp, STATUS_INSUFFICIENT_RESOURCES);
}
