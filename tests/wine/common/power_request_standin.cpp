// Test build only: a stand-in for the power manager's PoRequestPowerIrp,
// which Wine's kernel does not implement (calling it ends the driver host).
//
// Linked into the Wine test build of ZELB1 in place of the kernel's import:
// it defines the import's pointer, so the driver's own code calls this
// instead, unchanged. It does what the platform documents: a power request
// of the given minor function and state goes to the top of the device
// stack of the given physical device object, and when it has completed the
// completion function is called with the request's outcome. Returns
// pending once the request was sent.
#define __INTRINSIC_DEFINED_InterlockedBitTestAndSet
#define __INTRINSIC_DEFINED_InterlockedBitTestAndReset
#include <ntddk.h>

namespace {

struct OwnPowerRequest {
  PDEVICE_OBJECT pdo;
  UCHAR minor;
  POWER_STATE state;
  PREQUEST_POWER_COMPLETE done;
  PVOID context;
};

// Tag of the stand-in's records: the bytes 'P' 'S' 'z' 'S'.
NTSTATUS NTAPI ownPowerRequestDone(PDEVICE_OBJECT, PIRP irp, PVOID context) {
  auto request = static_cast<OwnPowerRequest*>(context);
  if (request->done) request->done(request->pdo, request->minor, request->state, request->context, &irp->IoStatus);
  ExFreePool(request);
  IoFreeIrp(irp);
  return STATUS_MORE_PROCESSING_REQUIRED;
}

NTSTATUS NTAPI requestPowerIrp(PDEVICE_OBJECT pdo, UCHAR minor, POWER_STATE state,
                               PREQUEST_POWER_COMPLETE done, PVOID context, PIRP* sent) {
  if (minor != IRP_MN_SET_POWER && minor != IRP_MN_QUERY_POWER) return STATUS_INVALID_PARAMETER_2;
  auto request = static_cast<OwnPowerRequest*>(ExAllocatePoolWithTag(NonPagedPool, sizeof(OwnPowerRequest), 0x537A5350));
  if (!request) return STATUS_INSUFFICIENT_RESOURCES;
  PDEVICE_OBJECT top = IoGetAttachedDeviceReference(pdo);
  PIRP irp = IoAllocateIrp(top->StackSize, FALSE);
  if (!irp) {
    ObDereferenceObject(top);
    ExFreePool(request);
    return STATUS_INSUFFICIENT_RESOURCES;
  }
  *request = {pdo, minor, state, done, context};
  irp->IoStatus.Status = STATUS_NOT_SUPPORTED;
  PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
  next->MajorFunction = IRP_MJ_POWER;
  next->MinorFunction = minor;
  next->Parameters.Power.Type = DevicePowerState;
  next->Parameters.Power.State = state;
  IoSetCompletionRoutine(irp, ownPowerRequestDone, request, TRUE, TRUE, TRUE);
  if (sent) *sent = irp;
  PoCallDriver(top, irp);
  ObDereferenceObject(top);
  return STATUS_PENDING;
}

}  // namespace

// The import's pointer, under the name the kernel's import library gives it.
#ifdef _WIN64
extern "C" void* powerRequestImport __asm__("__imp_PoRequestPowerIrp");
#else
extern "C" void* powerRequestImport __asm__("__imp__PoRequestPowerIrp@24");
#endif
void* powerRequestImport = reinterpret_cast<void*>(&requestPowerIrp);
