#include "tests/devlink/link_fixture.h"

namespace devlink {

std::vector<ShownMessage> LinkFixture::messages;
std::vector<uint32_t> LinkFixture::sleeps;
std::vector<uint32_t> LinkFixture::exits;

namespace {
int recordMessage(plat::WindowHandle, const char* text, const char* caption, uint32_t flags) {
  LinkFixture::messages.push_back({text, caption, flags});
  return plat::kIdOk;
}
// Fixed waits are recorded, not slept; a token real sleep keeps threads fair.
void recordSleep(uint32_t ms) { LinkFixture::sleeps.push_back(ms); }
void recordExit(uint32_t code) { LinkFixture::exits.push_back(code); }
}  // namespace

void LinkFixture::SetUp() {
  messages.clear();
  sleeps.clear();
  exits.clear();
  plat::installMessageBoxHook(recordMessage);
  plat::installSleepHook(recordSleep);
  plat::installExitHook(recordExit);
  rig = sim::rigCreate();
  sim::rigSetTimeout(rig, kRigTimeoutMs);
  sim::rigInstall(rig);
}

void LinkFixture::TearDown() {
  sim::rigDestroy(rig);
  plat::installMessageBoxHook(nullptr);
  plat::installSleepHook(nullptr);
  plat::installExitHook(nullptr);
}

int LinkFixture::addCamera(uint32_t index, sim::SimModel model, const char* baseName) {
  const int camera = sim::rigAddCamera(rig, model, index, baseName);
  sim::rigSetWarmup(rig, camera, 0);
  return camera;
}

std::vector<sim::SimLogEntry> LinkFixture::wire(int camera) {
  std::vector<sim::SimLogEntry> log(256);
  log.resize(sim::rigWireLog(rig, camera, log.data(), 256));
  return log;
}

std::vector<uint8_t> LinkFixture::wireCodes(int camera) {
  std::vector<uint8_t> codes;
  for (const sim::SimLogEntry& entry : wire(camera)) codes.push_back(entry.bytes[1]);
  return codes;
}

CommandBlock blockOf(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3, uint8_t b4, uint8_t b5, uint8_t b6,
                     uint8_t b7) {
  CommandBlock block = {{b0, b1, b2, b3, b4, b5, b6, b7}};
  return block;
}

}  // namespace devlink
