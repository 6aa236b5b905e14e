// Power-state choices.
//
// Device power states as recorded by the driver: 1 = D0 (working), 2 = D1,
// 3 = D2, 4 = D3, 0 = not yet recorded. System states follow the platform's
// numbering: 1 = working (S0), 2..4 = sleeping 1..3, 5 = hibernate,
// 6 = shutdown.
#pragma once
#include <stdint.h>

namespace zelb1 {

constexpr int32_t kDeviceD0 = 1;
constexpr int32_t kDeviceD3 = 4;

constexpr int32_t kSystemWorking = 1;
constexpr int32_t kSystemSleeping1 = 2;
constexpr int32_t kSystemSleeping3 = 4;

// A system set-power request: the device state to record now (0 = record
// nothing), or, for the working state, that D0 is recorded when the request
// has completed.
struct SystemPowerRecord {
  int32_t recordNow;
  bool recordD0OnCompletion;
};
SystemPowerRecord recordForSystemState(int32_t systemState);

enum class DevicePowerAction { PassDown, RequestOwn };

struct DevicePowerChoice {
  DevicePowerAction action;
  int32_t target;  // RequestOwn: the state the driver asks for (1 or 4)
};

// A device set-power request for `requested` with `recorded` as the
// driver's recorded state. D0 asks for D0; every other state for D3. While
// the driver's own request is outstanding (a request is being held), the
// arriving device request is that own request coming down the stack: it is
// passed down and never answered with a further request, which would not
// end, as the recorded state changes only with system requests.
DevicePowerChoice chooseDevicePower(int32_t requested, int32_t recorded,
                                    bool ownRequestOutstanding);

}  // namespace zelb1
