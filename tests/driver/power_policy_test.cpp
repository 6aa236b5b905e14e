#include "driver/logic/power_policy.h"

#include <gtest/gtest.h>

namespace zelb1 {
namespace {

TEST(SystemPower, SleepingStatesRecordD1ToD3) {
  EXPECT_EQ(recordForSystemState(2).recordNow, 2);
  EXPECT_EQ(recordForSystemState(3).recordNow, 3);
  EXPECT_EQ(recordForSystemState(4).recordNow, 4);
  EXPECT_FALSE(recordForSystemState(4).recordD0OnCompletion);
}

TEST(SystemPower, WorkingStateRecordsD0OnlyOnCompletion) {
  SystemPowerRecord record = recordForSystemState(kSystemWorking);
  EXPECT_EQ(record.recordNow, 0);
  EXPECT_TRUE(record.recordD0OnCompletion);
}

TEST(SystemPower, HibernateAndShutdownRecordNothing) {
  for (int32_t state : {0, 5, 6, 7}) {
    SystemPowerRecord record = recordForSystemState(state);
    EXPECT_EQ(record.recordNow, 0) << state;
    EXPECT_FALSE(record.recordD0OnCompletion) << state;
  }
}

TEST(DevicePower, RequestForTheRecordedStatePassesDown) {
  EXPECT_EQ(chooseDevicePower(kDeviceD0, kDeviceD0, false).action, DevicePowerAction::PassDown);
  EXPECT_EQ(chooseDevicePower(kDeviceD3, kDeviceD3, false).action, DevicePowerAction::PassDown);
  EXPECT_EQ(chooseDevicePower(2, kDeviceD3, false).action, DevicePowerAction::PassDown)
      << "D1 counts as D3";
}

TEST(DevicePower, OtherTargetsAreRequestedByTheDriverFirst) {
  DevicePowerChoice wake = chooseDevicePower(kDeviceD0, kDeviceD3, false);
  EXPECT_EQ(wake.action, DevicePowerAction::RequestOwn);
  EXPECT_EQ(wake.target, kDeviceD0);

  DevicePowerChoice sleep = chooseDevicePower(3, kDeviceD0, false);
  EXPECT_EQ(sleep.action, DevicePowerAction::RequestOwn);
  EXPECT_EQ(sleep.target, kDeviceD3);

  EXPECT_EQ(chooseDevicePower(kDeviceD0, 0, false).action, DevicePowerAction::RequestOwn)
      << "nothing recorded yet";
}

TEST(DevicePower, DriversOwnRequestComingDownIsPassedOnNotAnsweredAgain) {
  // The recorded state only changes with system requests, so the own
  // request still differs from it when it arrives.
  DevicePowerChoice own = chooseDevicePower(kDeviceD0, kDeviceD3, true);
  EXPECT_EQ(own.action, DevicePowerAction::PassDown);
  EXPECT_EQ(chooseDevicePower(kDeviceD3, kDeviceD0, true).action, DevicePowerAction::PassDown);
}

}  // namespace
}  // namespace zelb1
