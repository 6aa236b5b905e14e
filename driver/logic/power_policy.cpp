#include "driver/logic/power_policy.h"

namespace zelb1 {

SystemPowerRecord recordForSystemState(int32_t systemState) {
  if (systemState == kSystemWorking) return {0, true};
  if (systemState >= kSystemSleeping1 && systemState <= kSystemSleeping3)
    return {systemState, false};  // sleeping n -> D(n): 2, 3, 4
  return {0, false};              // hibernate, shutdown: nothing recorded
}

DevicePowerChoice chooseDevicePower(int32_t requested, int32_t recorded,
                                    bool ownRequestOutstanding) {
  int32_t target = requested == kDeviceD0 ? kDeviceD0 : kDeviceD3;
  if (ownRequestOutstanding || target == recorded)
    return {DevicePowerAction::PassDown, 0};
  return {DevicePowerAction::RequestOwn, target};
}

}  // namespace zelb1
