// A simulated camera rig behind the device paths, message boxes and process
// exit recorded, and every platform sleep taken in virtual time.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devlink/device_link.h"
#include "sim/sim_rig.h"

namespace devlink {

struct ShownMessage {
  std::string text;
  std::string caption;
  uint32_t flags;
};

class LinkFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Adds a camera that is ready at the first status query.
  int addCamera(uint32_t index, sim::SimModel model = sim::kModelXga, const char* baseName = nullptr);
  std::vector<sim::SimLogEntry> wire(int camera);
  // The command codes the camera received, oldest first.
  std::vector<uint8_t> wireCodes(int camera);

  sim::Rig* rig = nullptr;
  // The rig's transfer time-out: the driver's 5 s, scaled down.
  static constexpr uint32_t kRigTimeoutMs = 30;

 public:
  static std::vector<ShownMessage> messages;
  static std::vector<uint32_t> sleeps;
  static std::vector<uint32_t> exits;
};

// A block with the given bytes.
CommandBlock blockOf(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3, uint8_t b4 = 0, uint8_t b5 = 0,
                     uint8_t b6 = 0, uint8_t b7 = 0xAF);

}  // namespace devlink
