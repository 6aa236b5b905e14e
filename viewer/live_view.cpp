#include "viewer/live_view.h"

#include <atomic>
#include <cstring>

#include "viewer/acquisition_thread.h"

namespace viewer {

namespace {

enum : size_t { kWords = sizeof(LiveViewCopy) / sizeof(uint32_t) };
static_assert(sizeof(LiveViewCopy) % sizeof(uint32_t) == 0, "the copy is whole words");

// The published pair as words, each read and written atomically, so that a
// read racing a publication is well defined and only its result may mix;
// the sequence number tells when it did.
std::atomic<uint32_t> sequence{0};
std::atomic<uint32_t> words[kWords];

}  // namespace

void publishLiveView() {
  LiveViewCopy copy;
  copy.rect = viewerState.viewRect;
  copy.info = acquisitionThread.liveBitmapInfo;
  uint32_t plain[kWords];
  std::memcpy(plain, &copy, sizeof copy);
  const uint32_t start = sequence.load(std::memory_order_relaxed);
  sequence.store(start + 1, std::memory_order_relaxed);  // odd: under way
  std::atomic_thread_fence(std::memory_order_release);
  for (size_t n = 0; n < kWords; ++n) words[n].store(plain[n], std::memory_order_relaxed);
  sequence.store(start + 2, std::memory_order_release);
}

LiveViewCopy readLiveView() {
  uint32_t plain[kWords];
  for (;;) {
    const uint32_t before = sequence.load(std::memory_order_acquire);
    for (size_t n = 0; n < kWords; ++n) plain[n] = words[n].load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    const uint32_t after = sequence.load(std::memory_order_relaxed);
    if (before == after && (before & 1) == 0) break;
  }
  LiveViewCopy copy;
  std::memcpy(&copy, plain, sizeof copy);
  return copy;
}

}  // namespace viewer
