// Movable global memory on Windows: GlobalAlloc and friends.
#include <windows.h>

#include "twain/global_memory.h"

namespace twain {

namespace gmem {
namespace {
LONG liveCount = 0;
int32_t resizeFill = -1;
}

TW_HANDLE alloc(uint32_t bytes) {
  if (bytes == 0) return nullptr;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
  if (block) InterlockedIncrement(&liveCount);
  return block;
}

TW_HANDLE resize(TW_HANDLE block, uint32_t bytes) {
  if (!block || bytes == 0) return nullptr;
  const SIZE_T before = GlobalSize(block);
  HGLOBAL grown = GlobalReAlloc(block, bytes, GMEM_MOVEABLE);
  if (grown && resizeFill >= 0 && bytes > before) {
    uint8_t* at = static_cast<uint8_t*>(GlobalLock(grown));
    if (at) FillMemory(at + before, bytes - before, static_cast<BYTE>(resizeFill));
    GlobalUnlock(grown);
  }
  return grown;
}

void* lock(TW_HANDLE block) { return block ? GlobalLock(block) : nullptr; }

void unlock(TW_HANDLE block) {
  if (block) GlobalUnlock(block);
}

uint32_t size(TW_HANDLE block) { return block ? static_cast<uint32_t>(GlobalSize(block)) : 0; }

void release(TW_HANDLE block) {
  if (!block) return;
  if (GlobalFree(block) == nullptr) InterlockedDecrement(&liveCount);
}

int32_t liveBlocks() { return liveCount; }

void setResizeFill(int32_t value) { resizeFill = value; }

}  // namespace gmem

}  // namespace twain
