// Movable global memory: the blocks handed to applications (capability
// containers, the transfer bitmap) and the transfer bitmap while the data
// source holds it. On Windows these are GlobalAlloc blocks; natively a small
// stand-in with the same operations, so the logic above is tested natively.
#pragma once

#include <cstdint>

#include "twain/twain_types.h"

namespace twain {

namespace gmem {

// Zero-filled movable block; null on failure or for 0 bytes.
TW_HANDLE alloc(uint32_t bytes);
// Grows or shrinks a block that is not locked; what is added is not
// filled (the caller writes it). Returns the (possibly new) handle, or null
// on failure with the old block still valid.
TW_HANDLE resize(TW_HANDLE block, uint32_t bytes);
// Address of the block's bytes while locked; null for a null handle.
void* lock(TW_HANDLE block);
void unlock(TW_HANDLE block);
// Usable size in bytes; 0 for a null handle.
uint32_t size(TW_HANDLE block);
void release(TW_HANDLE block);
// Blocks allocated here and not yet released (tests look for leaks).
int32_t liveBlocks();
// A byte that resize writes into what it adds, or -1 (the default) for
// none: tests set one to catch a caller that relies on what is added.
void setResizeFill(int32_t value);

}  // namespace gmem

}  // namespace twain
