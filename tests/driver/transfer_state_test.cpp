#include "driver/logic/transfer_state.h"

#include <gtest/gtest.h>

namespace zelb1 {
namespace {

// The read/write path's completion routine and time-out DPC, reduced to
// their use of the guard, with a timer that is either still queued or has
// fired. Each step records misuse instead of crashing.
class TransferRace {
 public:
  TransferRace() { armTransferGuard(guard_); }

  void timerFires() { timerQueued_ = false; }

  // The DPC's first part: mark timed out (it then cancels the request,
  // which may run the completion routine before the DPC goes on).
  void dpcMarks() {
    touch();
    timerQueued_ = false;
    dpcStarted_ = true;
    markTimedOut(guard_);
  }
  void dpcDrops() {
    touch();
    if (dropShare(guard_)) finish(Finisher::Dpc);
  }

  // Returns whether the request is kept for the DPC.
  bool completion() {
    touch();
    if (mayCancelTimer(guard_)) {
      if (dpcStarted_) timerTouchedAfterDpc = true;
      if (timerQueued_) {
        timerQueued_ = false;
        dropShare(guard_);
      }
    }
    if (!dropShare(guard_)) return true;
    finish(Finisher::Completion);
    return false;
  }

  enum class Finisher { None, Completion, Dpc };
  Finisher finisher = Finisher::None;
  int finishes = 0;
  bool usedAfterFree = false;
  bool timerTouchedAfterDpc = false;
  bool timedOut() { return hasTimedOut(guard_); }

 private:
  void touch() {
    if (finishes) usedAfterFree = true;
  }
  void finish(Finisher who) {
    finisher = who;
    ++finishes;
  }
  TransferGuard guard_;
  bool timerQueued_ = true;
  bool dpcStarted_ = false;
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
  race.dpcMarks();
  EXPECT_TRUE(race.completion()) << "the request is kept for the DPC";
  race.dpcDrops();
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
  race.dpcMarks();
  race.dpcDrops();
  EXPECT_EQ(race.finisher, TransferRace::Finisher::Dpc);
  EXPECT_EQ(race.finishes, 1);
  EXPECT_FALSE(race.usedAfterFree);
}

TEST(TransferRace, CompletionAfterTheWholeDpcFinishesWithoutTouchingTheTimer) {
  TransferRace race;
  race.timerFires();
  race.dpcMarks();
  race.dpcDrops();
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
