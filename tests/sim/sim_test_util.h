// Helpers for the simulated camera's tests: one exchange with a model.
#pragma once

#include <gtest/gtest.h>
#include <string.h>

#include <memory>
#include <vector>

#include "sim/sim_camera.h"

namespace simtest {

struct Block {
  uint8_t b[8];
  uint8_t operator[](int n) const { return b[n]; }
};

inline Block command(uint8_t code, uint8_t parameter, uint8_t byte4 = 0) {
  Block block = {{0xA0, code, 0x00, parameter, byte4, 0x00, 0x00, 0xAF}};
  return block;
}

// A camera past its warm-up, at time 0.
inline std::unique_ptr<sim::SimCamera> readyCamera(sim::SimModel model = sim::kModelXga) {
  std::unique_ptr<sim::SimCamera> camera(new sim::SimCamera);
  sim::cameraInit(camera.get(), model, 0);
  camera->warmupQueries = 0;
  return camera;
}

// Writes the block on the command pipe and reads the reply.
inline Block exchange(sim::SimCamera* camera, const Block& block, uint32_t nowMs = 0) {
  uint32_t done = 0;
  EXPECT_EQ(sim::kSimDone, sim::cameraWrite(camera, 0, block.b, 8, nowMs, &done));
  Block reply = {{0}};
  EXPECT_EQ(sim::kSimDone, sim::cameraRead(camera, 1, reply.b, 8, nowMs, &done));
  EXPECT_EQ(8u, done);
  return reply;
}

inline Block send(sim::SimCamera* camera, uint8_t code, uint8_t parameter, uint8_t byte4 = 0, uint32_t nowMs = 0) {
  return exchange(camera, command(code, parameter, byte4), nowMs);
}

// Reads a whole transfer from the image pipe in reads of `chunk` bytes.
inline std::vector<uint8_t> readFrame(sim::SimCamera* camera, uint32_t bytes, uint32_t chunk) {
  std::vector<uint8_t> frame(bytes);
  uint32_t at = 0;
  while (at < bytes) {
    uint32_t done = 0;
    uint32_t want = chunk < bytes - at ? chunk : bytes - at;
    if (sim::cameraRead(camera, 3, frame.data() + at, want, 0, &done) != sim::kSimDone || done == 0) break;
    at += done;
  }
  frame.resize(at);
  return frame;
}

// Hold and transfer at `size`, then read the frame whole.
inline std::vector<uint8_t> captureFrame(sim::SimCamera* camera, uint8_t size, uint32_t chunk = 131072) {
  send(camera, sim::kCodeSelectSize, size);
  send(camera, sim::kCodeStoreImage, 5);
  send(camera, sim::kCodeTransferImage, 5);
  std::vector<uint8_t> frame = readFrame(camera, sim::frameBytes(camera, camera->sizeIndex), chunk);
  send(camera, sim::kCodeStoreImage, 10);
  return frame;
}

}  // namespace simtest
