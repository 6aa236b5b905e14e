#include "driver/logic/transfer_state.h"

#include <gtest/gtest.h>

namespace zelb1 {
namespace {

// The read/write path's own completion and time-out steps (completeTransfer
// and timeOutTransfer, as the driver runs them) against a model of the
// kernel: a timer that is still queued or has fired, and a lower driver
// that completes a cancelled request at once or later. Each step records
// misuse instead of crashing.
class TransferRace {
 public:
  TransferRace() { armTransferGuard(guard_); }

  // The timer expires; its DPC is queued but has not run yet.
  void timerFires() { timerQueued_ = false; }

  // The lower driver completes the request. Returns whether the request is
  // kept for the DPC (more processing required).
  bool completion() {
    touch();
    completed_ = true;
    return !completeTransfer(guard_, *this);
  }

  // The DPC runs. `lowerCompletesOnCancel`: cancelling the request makes the
  // lower driver complete it at once, inside the DPC.
  void dpc(bool lowerCompletesOnCancel) {
    touch();
    timerQueued_ = false;
    dpcStarted_ = true;
    lowerCompletesOnCancel_ = lowerCompletesOnCancel;
    timeOutTransfer(guard_, *this);
  }

  // The kernel operations the driver's steps call.
  bool cancelTimer() {
    if (dpcStarted_) timerTouchedAfterDpc = true;
    if (!timerQueued_) return false;
    timerQueued_ = false;
    return true;
  }
  void cancelRequest() {
    if (lowerCompletesOnCancel_ && !completed_) keptForDpc = completion();
  }
  void finish() { finishBy(Finisher::Completion); }
  void finishAndComplete() { finishBy(Finisher::Dpc); }

  enum class Finisher { None, Completion, Dpc };
  Finisher finisher = Finisher::None;
  int finishes = 0;
  bool keptForDpc = false;
  bool usedAfterFree = false;
  bool timerTouchedAfterDpc = false;
  bool timedOut() { return hasTimedOut(guard_); }

 private:
  void touch() {
    if (finishes) usedAfterFree = true;
  }
  void finishBy(Finisher who) {
    finisher = who;
    ++finishes;
  }
  TransferGuard guard_;
  bool timerQueued_ = true;
  bool dpcStarted_ = false;
  bool completed_ = false;
  bool lowerCompletesOnCancel_ = false;
};

TEST(TransferRace, CompletionInTimeFinishesAloneAndTheDpcNeverRuns) {
  TransferRace race;
  EXPECT_FALSE(race.completion());
  EXPECT_EQ(race.finisher, TransferRace::Finisher::Completion);
  EXPECT_EQ(race.finishes, 1);
  EXPECT_FALSE(race.timedOut());
}

TEST(TransferRace, CancelFromTheDpcCompletesInsideItAndTheDpcFinishes) {
  TransferRace race;
  race.timerFires();
  race.dpc(true);
  EXPECT_TRUE(race.keptForDpc) << "the request is kept for the DPC";
  EXPECT_EQ(race.finisher, TransferRace::Finisher::Dpc);
  EXPECT_EQ(race.finishes, 1);
  EXPECT_FALSE(race.timerTouchedAfterDpc);
  EXPECT_FALSE(race.usedAfterFree);
  EXPECT_TRUE(race.timedOut());
}

TEST(TransferRace, CompletionBetweenTimerExpiryAndItsDpcLeavesTheRecordToTheDpc) {
  TransferRace race;
  race.timerFires();
  EXPECT_TRUE(race.completion());
  EXPECT_EQ(race.finishes, 0);
  race.dpc(false);
  EXPECT_EQ(race.finisher, TransferRace::Finisher::Dpc);
  EXPECT_EQ(race.finishes, 1);
  EXPECT_FALSE(race.usedAfterFree);
}

TEST(TransferRace, CompletionAfterTheWholeDpcFinishesWithoutTouchingTheTimer) {
  TransferRace race;
  race.timerFires();
  race.dpc(false);
  EXPECT_EQ(race.finishes, 0) << "the lower driver still holds the request";
  EXPECT_FALSE(race.completion());
  EXPECT_EQ(race.finisher, TransferRace::Finisher::Completion);
  EXPECT_EQ(race.finishes, 1);
  EXPECT_FALSE(race.timerTouchedAfterDpc);
}

TEST(TransferOutcome, TimedOutTransferEndsWithIoTimeoutAndNoBytes) {
  TransferResult result = transferOutcome(true, kStatusCancelled, 0);
  EXPECT_EQ(result.status, kStatusIoTimeout);
  EXPECT_EQ(result.information, 0u);
  EXPECT_EQ(transferOutcome(true, kStatusCancelled, 512).information, 0u);
}

TEST(TransferOutcome, ShortReadSucceedsWithTheBytesMoved) {
  TransferResult result = transferOutcome(false, kStatusSuccess, 1000);
  EXPECT_EQ(result.status, kStatusSuccess);
  EXPECT_EQ(result.information, 1000u);
}

TEST(TransferOutcome, LowerDriverFailureKeepsItsStatus) {
  const Status stalled = static_cast<Status>(0xC0000001);
  TransferResult result = transferOutcome(false, stalled, 8);
  EXPECT_EQ(result.status, stalled);
  EXPECT_EQ(result.information, 8u);
}

TEST(TransferOutcome, DataThatArrivedAsTheTimerFiredIsNotDropped) {
  TransferResult result = transferOutcome(true, kStatusSuccess, 131072);
  EXPECT_EQ(result.status, kStatusSuccess);
  EXPECT_EQ(result.information, 131072u);
}

}  // namespace
}  // namespace zelb1
