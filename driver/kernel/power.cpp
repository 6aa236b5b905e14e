// Power: recording the device state and taking part in set-power requests.
#include "driver/kernel/zelb1.h"

#include "driver/logic/power_policy.h"

namespace {

NTSTATUS passPowerDown(ZelDeviceExtension* ext, PIRP irp) {
  PoStartNextPowerIrp(irp);
  IoSkipCurrentIrpStackLocation(irp);
  return PoCallDriver(ext->lowerDevice, irp);
}

/*
 * workingStateDone
 * Completion of a system set-power request to the working state: the
 * device is recorded as D0 once the devices below have finished it.
 * IRQL: up to dispatch.
 */
NTSTATUS NTAPI workingStateDone(PDEVICE_OBJECT device, PIRP irp, PVOID) {
  if (irp->PendingReturned) IoMarkIrpPending(irp);
  extensionOf(device)->devicePowerState = zelb1::kDeviceD0;
  irp->IoStatus.Information = 0;
  return STATUS_SUCCESS;
}

/*
 * ownRequestDone
 * Called when the driver's own device set-power request has completed:
 * the held request now goes down. (The next power request was already
 * started when the request was held.)
 * IRQL: up to dispatch.
 */
void NTAPI ownRequestDone(PDEVICE_OBJECT, UCHAR, POWER_STATE, PVOID context,
                          PIO_STATUS_BLOCK) {
  auto ext = static_cast<ZelDeviceExtension*>(context);
  PIRP held = ext->pendingPowerIrp;
  ext->pendingPowerIrp = nullptr;
  if (!held) return;
  IoCopyCurrentIrpStackLocationToNext(held);
  PoCallDriver(ext->lowerDevice, held);
}

NTSTATUS setSystemPower(ZelDeviceExtension* ext, PIRP irp, SYSTEM_POWER_STATE state) {
  zelb1::SystemPowerRecord record = zelb1::recordForSystemState(state);
  if (record.recordNow) ext->devicePowerState = static_cast<ULONG>(record.recordNow);
  if (!record.recordD0OnCompletion) return passPowerDown(ext, irp);

  PoStartNextPowerIrp(irp);
  IoCopyCurrentIrpStackLocationToNext(irp);
  IoSetCompletionRoutine(irp, workingStateDone, nullptr, TRUE, TRUE, TRUE);
  return PoCallDriver(ext->lowerDevice, irp);
}

NTSTATUS setDevicePower(PDEVICE_OBJECT device, PIRP irp, DEVICE_POWER_STATE state) {
  ZelDeviceExtension* ext = extensionOf(device);
  zelb1::DevicePowerChoice choice = zelb1::chooseDevicePower(
      state, static_cast<int32_t>(ext->devicePowerState), ext->pendingPowerIrp != nullptr);
  if (choice.action == zelb1::DevicePowerAction::PassDown) return passPowerDown(ext, irp);

  // Hold the request and ask for the target state first. The next power
  // request is started now: where the power manager lets only one device
  // set-power request through at a time, the driver's own would otherwise
  // wait for the held one forever.
  ext->pendingPowerIrp = irp;
  IoMarkIrpPending(irp);
  PoStartNextPowerIrp(irp);
  POWER_STATE target;
  target.DeviceState = static_cast<DEVICE_POWER_STATE>(choice.target);
  NTSTATUS status = PoRequestPowerIrp(ext->pdo, IRP_MN_SET_POWER, target,
                                      ownRequestDone, ext, nullptr);
  if (status != STATUS_PENDING) {
    // The own request was not sent, so its completion will never pass the
    // held one down: do it now.
    ext->pendingPowerIrp = nullptr;
    IoCopyCurrentIrpStackLocationToNext(irp);
    PoCallDriver(ext->lowerDevice, irp);
  }
  return STATUS_PENDING;
}

}  // namespace

/*
 * dispatchPower
 * set power, system state: records the matching device state (D0 once the
 * request has completed) and passes the request down. set power, device
 * state: see setDevicePower. Query power, wait-wake and the rest pass down.
 * The driver never asks for a wait-wake request itself; one that arrives is
 * passed down like the rest, so whoever armed it gets the bus driver's
 * answer.
 * Returns: the request's status. IRQL: passive (the device is
 * power-pageable).
 */
NTSTATUS NTAPI dispatchPower(PDEVICE_OBJECT device, PIRP irp) {
  ZelDeviceExtension* ext = extensionOf(device);
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  if (stack->MinorFunction == IRP_MN_SET_POWER) {
    if (stack->Parameters.Power.Type == SystemPowerState)
      return setSystemPower(ext, irp, stack->Parameters.Power.State.SystemState);
    if (stack->Parameters.Power.Type == DevicePowerState)
      return setDevicePower(device, irp, stack->Parameters.Power.State.DeviceState);
  }
  return passPowerDown(ext, irp);
}
