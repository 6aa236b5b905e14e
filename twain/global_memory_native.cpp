// Native stand-in for movable global memory: a header in front of the bytes.
#include <cstdlib>
#include <cstring>

#include "twain/global_memory.h"

namespace twain {

namespace gmem {
namespace {

const uint32_t kBlockMark = 0x474D454Du;

struct BlockHeader {
  uint32_t mark;
  uint32_t bytes;
  int32_t locks;
  uint32_t pad;
};

int32_t liveCount = 0;
int32_t resizeFill = -1;

BlockHeader* headerOf(TW_HANDLE block) {
  BlockHeader* header = static_cast<BlockHeader*>(block);
  return header && header->mark == kBlockMark ? header : nullptr;
}

}  // namespace

TW_HANDLE alloc(uint32_t bytes) {
  if (bytes == 0) return nullptr;
  BlockHeader* header = static_cast<BlockHeader*>(std::calloc(1, sizeof(BlockHeader) + bytes));
  if (!header) return nullptr;
  header->mark = kBlockMark;
  header->bytes = bytes;
  ++liveCount;
  return header;
}

TW_HANDLE resize(TW_HANDLE block, uint32_t bytes) {
  BlockHeader* header = headerOf(block);
  if (!header || bytes == 0 || header->locks > 0) return nullptr;
  BlockHeader* grown = static_cast<BlockHeader*>(std::realloc(header, sizeof(BlockHeader) + bytes));
  if (!grown) return nullptr;
  if (resizeFill >= 0 && bytes > grown->bytes) {
    std::memset(reinterpret_cast<uint8_t*>(grown + 1) + grown->bytes, resizeFill, bytes - grown->bytes);
  }
  grown->bytes = bytes;
  return grown;
}

void* lock(TW_HANDLE block) {
  BlockHeader* header = headerOf(block);
  if (!header) return nullptr;
  ++header->locks;
  return header + 1;
}

void unlock(TW_HANDLE block) {
  BlockHeader* header = headerOf(block);
  if (header && header->locks > 0) --header->locks;
}

uint32_t size(TW_HANDLE block) {
  BlockHeader* header = headerOf(block);
  return header ? header->bytes : 0;
}

void release(TW_HANDLE block) {
  BlockHeader* header = headerOf(block);
  if (!header) return;
  header->mark = 0;
  std::free(header);
  --liveCount;
}

int32_t liveBlocks() { return liveCount; }

void setResizeFill(int32_t value) { resizeFill = value; }

}  // namespace gmem

}  // namespace twain
