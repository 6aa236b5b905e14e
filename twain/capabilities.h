// The capability store: one table of fixed rows built at MSG_OPENDS and
// cleared at MSG_CLOSEDS, over value storage that lives as long as the
// library; the DAT_CAPABILITY handler; the readers the transfer side uses.
#pragma once

#include <cstdint>

#include "twain/twain_types.h"

namespace twain {

struct CapabilityRecord {
  TW_UINT16 Cap;
  TW_UINT16 ItemType;
  TW_UINT16 getContainer;
  TW_UINT16 valueContainer;
  TW_UINT32 supportMask;
  TW_UINT32 itemCount;
  void* items;
  TW_UINT32 defaultCount;
  void* defaultValue;
  TW_UINT32 currentCount;
  void* currentValue;
};

enum : uint32_t { kCapabilityRows = 41, kUsedCapabilityRows = 40 };
enum : TW_UINT32 { kSupportAll = 31, kSupportRead = 13 };
// ICAP_BITDEPTH is kept per pixel type under 0x9000 + pixel type.
enum : TW_UINT16 { kBitDepthKeyBase = 0x9000 };

extern CapabilityRecord capabilityTable[kCapabilityRows];

void buildCapabilityTable();
void clearCapabilityTable();
// Values as at library load (attach, and tests).
void restoreCapabilityValues();

TW_UINT16 handleCapability(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);

// Bytes of one item of a TWTY_ type, as compared and stored.
uint32_t itemSize(TW_UINT16 itemType);

// Set by the preview thread before each MSG_XFERREADY, which it then sends.
void captureDefaults();

// Readers for the transfer side.
double currentResolution();
TW_UINT16 currentPixelType();
// Bit depth kept for TWPT_BW, TWPT_GRAY or TWPT_RGB; 0 for any other type.
TW_UINT16 bitDepthOf(TW_UINT16 pixelType);
bool feederEnabled();

}  // namespace twain
