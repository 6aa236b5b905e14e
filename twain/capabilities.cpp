// Capability rows, their value storage and the DAT_CAPABILITY operations.
#include "twain/capabilities.h"

#include <cstring>

#include "twain/fix32.h"
#include "twain/global_memory.h"
#include "twain/source_record.h"

namespace twain {

CapabilityRecord capabilityTable[kCapabilityRows];

namespace {

const TW_BOOL kTrue = 1;
const TW_BOOL kFalse = 0;

// Value storage. Each array holds a row's items, then its default, then its
// current value (FIX32 as numbers, FRAME as four numbers, STR32 as 34 bytes).
// X/Y scaling and X/Y resolution share one array per pair, so setting one
// sets the other; CAP_SUPPORTEDCAPS uses one array for items, default and
// current.
struct CapabilityValues {
  TW_UINT16 supportedCaps[40];
  TW_UINT16 feederEnabled[3];
  TW_UINT16 pixelFlavor[4];
  TW_UINT16 xferMech[5];
  TW_UINT16 planarChunky[4];
  TW_UINT16 compression[3];
  float minimumWidth[3];
  float minimumHeight[3];
  float physicalWidth[3];
  float physicalHeight[3];
  TW_UINT16 units[5];
  TW_UINT16 deviceOnline[4];
  TW_UINT16 autoFeed[4];
  TW_UINT16 feederLoaded[4];
  TW_UINT16 autoBright[4];
  float brightness[5];
  float contrast[5];
  float highlight[5];
  TW_UINT16 orientation[6];
  float shadow[5];
  float scaling[3];
  TW_UINT16 bitDepthBw[3];
  TW_UINT16 bitDepthGray[3];
  TW_UINT16 bitDepthRgb[3];
  TW_UINT16 pixelType[3];
  TW_UINT16 bitDepthReduction[5];
  TW_UINT16 bitOrder[4];
  float threshold[7];
  char halftones[4][34];
  float frames[12];
  TW_UINT16 maxFrames[3];
  TW_UINT16 supportedSizes[3];
  float xNativeResolution[3];
  float yNativeResolution[3];
  float resolution[3];
  TW_INT16 xferCount[28];
  TW_UINT16 imageFileFormat[4];
  TW_UINT16 undefinedImageSize[4];
  TW_UINT16 indicators[4];
  TW_UINT16 uiControllable[4];
};

const CapabilityValues kLoadValues = {
    {CAP_SUPPORTEDCAPS, CAP_FEEDERENABLED, ICAP_XFERMECH, ICAP_PIXELFLAVOR, ICAP_PLANARCHUNKY,
     ICAP_COMPRESSION, ICAP_PHYSICALWIDTH, ICAP_PHYSICALHEIGHT, ICAP_MINIMUMHEIGHT, ICAP_MINIMUMWIDTH,
     ICAP_UNITS, CAP_DEVICEONLINE, CAP_AUTOFEED, CAP_FEEDERLOADED, ICAP_AUTOBRIGHT,
     ICAP_BRIGHTNESS, ICAP_CONTRAST, ICAP_HIGHLIGHT, ICAP_ORIENTATION, ICAP_SHADOW,
     ICAP_XSCALING, ICAP_YSCALING, ICAP_PIXELTYPE, ICAP_BITDEPTH, ICAP_BITDEPTHREDUCTION,
     ICAP_BITORDER, ICAP_HALFTONES, ICAP_THRESHOLD, ICAP_FRAMES, ICAP_MAXFRAMES,
     ICAP_SUPPORTEDSIZES, ICAP_XNATIVERESOLUTION, ICAP_YNATIVERESOLUTION, ICAP_XRESOLUTION, ICAP_YRESOLUTION,
     CAP_XFERCOUNT, ICAP_IMAGEFILEFORMAT, ICAP_UNDEFINEDIMAGESIZE, CAP_INDICATORS, CAP_UICONTROLLABLE},
    {kTrue, kFalse, kFalse},                         // feederEnabled
    {0, 1, 0, 0},                                    // pixelFlavor
    {TWSX_NATIVE, TWSX_FILE, TWSX_MEMORY, 0, 0},     // xferMech
    {0, 1, 0, 0},                                    // planarChunky
    {TWCP_NONE, TWCP_NONE, TWCP_NONE},               // compression
    {1.0f, 1.0f, 1.0f},                              // minimumWidth
    {1.0f, 1.0f, 1.0f},                              // minimumHeight
    {8.5f, 8.5f, 8.5f},                              // physicalWidth
    {11.0f, 11.0f, 11.0f},                           // physicalHeight
    {TWUN_INCHES, TWUN_CENTIMETERS, TWUN_PIXELS, 0, 0},  // units
    {kTrue, kFalse, kTrue, kTrue},                   // deviceOnline
    {kTrue, kFalse, kFalse, kFalse},                 // autoFeed
    {kFalse, kTrue, kFalse, kFalse},                 // feederLoaded
    {kTrue, kFalse, kFalse, kFalse},                 // autoBright
    {-1000.0f, 1000.0f, 1000.0f, 0.0f, 0.0f},        // brightness
    {-1000.0f, 1000.0f, 1000.0f, 0.0f, 0.0f},        // contrast
    {0.0f, 255.0f, 1.0f, 128.0f, 128.0f},            // highlight
    {0, 1, 2, 3, 0, 0},                              // orientation
    {0.0f, 255.0f, 1.0f, 128.0f, 128.0f},            // shadow
    {100.0f, 100.0f, 100.0f},                        // scaling (X and Y)
    {1, 1, 1},                                       // bitDepthBw
    {8, 8, 8},                                       // bitDepthGray
    {24, 24, 24},                                    // bitDepthRgb
    {TWPT_RGB, TWPT_RGB, TWPT_RGB},                  // pixelType
    {0, 1, 3, 0, 0},                                 // bitDepthReduction
    {1, 0, 1, 1},                                    // bitOrder
    {0.0f, 255.0f, 1.0f, 0.0f, 0.0f, 128.0f, 128.0f},  // threshold (5 items)
    {"FLOYD/STEINBURG", "ORDERED", "FLOYD/STEINBURG", "FLOYD/STEINBURG"},  // halftones
    {0.0f, 0.0f, 8.5f, 11.0f, 0.0f, 0.0f, 8.5f, 11.0f, 0.0f, 0.0f, 8.5f, 11.0f},  // frames
    {1, 1, 1},                                       // maxFrames
    {TWSS_USLETTER, TWSS_USLETTER, TWSS_USLETTER},   // supportedSizes
    {100.0f, 100.0f, 100.0f},                        // xNativeResolution
    {100.0f, 100.0f, 100.0f},                        // yNativeResolution
    {100.0f, 100.0f, 100.0f},                        // resolution (X and Y)
    {-1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, -1, -1},
    {TWFF_TIFF, TWFF_BMP, TWFF_BMP, TWFF_BMP},       // imageFileFormat
    {kFalse, kTrue, kFalse, kFalse},                 // undefinedImageSize
    {kTrue, kFalse, kTrue, kTrue},                   // indicators
    {kTrue, kFalse, kTrue, kTrue},                   // uiControllable
};

CapabilityValues values = kLoadValues;

// A row over `count` items of an array that ends with default and current;
// `per` is the number of array elements per item.
template <typename T>
CapabilityRecord row(TW_UINT16 cap, TW_UINT16 type, TW_UINT16 getContainer, TW_UINT32 mask, T* array,
                     TW_UINT32 count, TW_UINT32 per = 1) {
  return {cap,   type,  getContainer, TWON_ONEVALUE, mask, count, array, 1, array + count * per, 1,
          array + (count + 1) * per};
}

void buildRows(CapabilityRecord* rows) {
  CapabilityValues& v = values;
  int n = 0;
  rows[n++] = {CAP_SUPPORTEDCAPS, TWTY_UINT16, TWON_ARRAY, TWON_ARRAY, kSupportRead, 40, v.supportedCaps,
               40, v.supportedCaps, 40, v.supportedCaps};
  rows[n++] = row(CAP_FEEDERENABLED, TWTY_BOOL, TWON_ONEVALUE, kSupportAll, v.feederEnabled, 1);
  rows[n++] = row(ICAP_PIXELFLAVOR, TWTY_UINT16, TWON_ENUMERATION, kSupportAll, v.pixelFlavor, 2);
  rows[n++] = row(ICAP_XFERMECH, TWTY_UINT16, TWON_ENUMERATION, kSupportAll, v.xferMech, 3);
  rows[n++] = row(ICAP_PLANARCHUNKY, TWTY_UINT16, TWON_ENUMERATION, kSupportRead, v.planarChunky, 2);
  rows[n++] = row(ICAP_COMPRESSION, TWTY_UINT16, TWON_ENUMERATION, kSupportAll, v.compression, 1);
  rows[n++] = row(ICAP_MINIMUMWIDTH, TWTY_FIX32, TWON_ONEVALUE, kSupportRead, v.minimumWidth, 1);
  rows[n++] = row(ICAP_MINIMUMHEIGHT, TWTY_FIX32, TWON_ONEVALUE, kSupportRead, v.minimumHeight, 1);
  rows[n++] = row(ICAP_PHYSICALWIDTH, TWTY_FIX32, TWON_ONEVALUE, kSupportRead, v.physicalWidth, 1);
  rows[n++] = row(ICAP_PHYSICALHEIGHT, TWTY_FIX32, TWON_ONEVALUE, kSupportRead, v.physicalHeight, 1);
  rows[n++] = row(ICAP_UNITS, TWTY_UINT16, TWON_ENUMERATION, kSupportAll, v.units, 3);
  rows[n++] = row(CAP_DEVICEONLINE, TWTY_BOOL, TWON_ONEVALUE, kSupportRead, v.deviceOnline, 2);
  rows[n++] = row(CAP_AUTOFEED, TWTY_BOOL, TWON_ONEVALUE, kSupportRead, v.autoFeed, 2);
  rows[n++] = row(CAP_FEEDERLOADED, TWTY_BOOL, TWON_ONEVALUE, kSupportRead, v.feederLoaded, 2);
  rows[n++] = row(ICAP_AUTOBRIGHT, TWTY_BOOL, TWON_ONEVALUE, kSupportAll, v.autoBright, 2);
  rows[n++] = row(ICAP_BRIGHTNESS, TWTY_FIX32, TWON_RANGE, kSupportAll, v.brightness, 3);
  rows[n++] = row(ICAP_CONTRAST, TWTY_FIX32, TWON_RANGE, kSupportAll, v.contrast, 3);
  rows[n++] = row(ICAP_HIGHLIGHT, TWTY_FIX32, TWON_RANGE, kSupportAll, v.highlight, 3);
  rows[n++] = row(ICAP_ORIENTATION, TWTY_UINT16, TWON_ENUMERATION, kSupportAll, v.orientation, 4);
  rows[n++] = row(ICAP_SHADOW, TWTY_FIX32, TWON_RANGE, kSupportAll, v.shadow, 3);
  rows[n++] = row(ICAP_XSCALING, TWTY_FIX32, TWON_ENUMERATION, kSupportAll, v.scaling, 1);
  rows[n++] = row(ICAP_YSCALING, TWTY_FIX32, TWON_ENUMERATION, kSupportAll, v.scaling, 1);
  rows[n++] = row(static_cast<TW_UINT16>(kBitDepthKeyBase + TWPT_RGB), TWTY_UINT16, TWON_ENUMERATION, kSupportAll,
                  v.bitDepthRgb, 1);
  rows[n++] = row(ICAP_PIXELTYPE, TWTY_UINT16, TWON_ENUMERATION, kSupportAll, v.pixelType, 1);
  rows[n++] = row(ICAP_BITDEPTHREDUCTION, TWTY_UINT16, TWON_ENUMERATION, kSupportAll, v.bitDepthReduction, 3);
  rows[n++] = row(ICAP_BITORDER, TWTY_UINT16, TWON_ENUMERATION, kSupportRead, v.bitOrder, 2);
  rows[n++] = row(ICAP_THRESHOLD, TWTY_FIX32, TWON_RANGE, kSupportAll, v.threshold, 5);
  rows[n++] = row(ICAP_HALFTONES, TWTY_STR32, TWON_ENUMERATION, kSupportAll, v.halftones, 2);
  rows[n++] = row(ICAP_FRAMES, TWTY_FRAME, TWON_ONEVALUE, kSupportAll, v.frames, 1, 4);
  rows[n++] = row(ICAP_MAXFRAMES, TWTY_UINT16, TWON_ONEVALUE, kSupportRead, v.maxFrames, 1);
  rows[n++] = row(ICAP_SUPPORTEDSIZES, TWTY_UINT16, TWON_ENUMERATION, kSupportAll, v.supportedSizes, 1);
  rows[n++] = row(ICAP_XNATIVERESOLUTION, TWTY_FIX32, TWON_ONEVALUE, kSupportRead, v.xNativeResolution, 1);
  rows[n++] = row(ICAP_YNATIVERESOLUTION, TWTY_FIX32, TWON_ONEVALUE, kSupportRead, v.yNativeResolution, 1);
  rows[n++] = row(ICAP_XRESOLUTION, TWTY_FIX32, TWON_ENUMERATION, kSupportAll, v.resolution, 1);
  rows[n++] = row(ICAP_YRESOLUTION, TWTY_FIX32, TWON_ENUMERATION, kSupportAll, v.resolution, 1);
  rows[n++] = row(CAP_XFERCOUNT, TWTY_INT16, TWON_ONEVALUE, kSupportAll, v.xferCount, 26);
  rows[n++] = row(ICAP_IMAGEFILEFORMAT, TWTY_UINT16, TWON_ENUMERATION, kSupportAll, v.imageFileFormat, 2);
  rows[n++] = row(ICAP_UNDEFINEDIMAGESIZE, TWTY_BOOL, TWON_ONEVALUE, kSupportAll, v.undefinedImageSize, 2);
  rows[n++] = row(CAP_INDICATORS, TWTY_BOOL, TWON_ONEVALUE, kSupportAll, v.indicators, 2);
  rows[n++] = row(CAP_UICONTROLLABLE, TWTY_BOOL, TWON_ONEVALUE, kSupportRead, v.uiControllable, 2);
  rows[0].valueContainer = TWON_ARRAY;
}

bool isStringType(TW_UINT16 type) { return type >= TWTY_STR32 && type <= TWTY_STR255; }

// Bytes of one item inside a container: strings get their TWAIN slot.
uint32_t slotSize(TW_UINT16 type) {
  switch (type) {
    case TWTY_STR64: return 66;
    case TWTY_STR128: return 130;
    case TWTY_STR255: return 256;
    default: return itemSize(type);
  }
}

uint32_t stringLimit(TW_UINT16 type) { return slotSize(type) == 34 ? 32 : slotSize(type) - 2; }

const uint8_t* itemAt(const void* base, TW_UINT16 type, uint32_t index) {
  return static_cast<const uint8_t*>(base) + index * itemSize(type);
}

uint32_t storedInteger(TW_UINT16 type, const uint8_t* stored) {
  switch (itemSize(type)) {
    case 1: return stored[0];
    case 4: { uint32_t v; std::memcpy(&v, stored, 4); return v; }
    default: { uint16_t v; std::memcpy(&v, stored, 2); return v; }
  }
}

void putFix32(uint8_t* out, float number) {
  TW_FIX32 fix = toFix32(number);
  std::memcpy(out, &fix, 4);
}

float storedNumber(const uint8_t* stored) {
  float number;
  std::memcpy(&number, stored, 4);
  return number;
}

// One item as a container holds it, at its own size (enumerations, arrays).
void encodeItem(TW_UINT16 type, const uint8_t* stored, uint8_t* out) {
  if (type == TWTY_FIX32) {
    putFix32(out, storedNumber(stored));
  } else if (type == TWTY_FRAME) {
    for (int i = 0; i < 4; ++i) putFix32(out + 4 * i, storedNumber(stored + 4 * i));
  } else if (isStringType(type)) {
    std::memset(out, 0, slotSize(type));
    std::memcpy(out, stored, strnlen(reinterpret_cast<const char*>(stored), stringLimit(type) < 34 ? stringLimit(type) : 34));
  } else {
    std::memcpy(out, stored, itemSize(type));
  }
}

// The 32-bit Item of a one-value or range field: integers zero-extended.
void encodeWideItem(TW_UINT16 type, const uint8_t* stored, uint8_t* out) {
  if (type == TWTY_FIX32 || type == TWTY_FRAME || isStringType(type)) {
    encodeItem(type, stored, out);
  } else {
    uint32_t v = storedInteger(type, stored);
    std::memcpy(out, &v, 4);
  }
}

uint32_t positionOf(const CapabilityRecord& rec, const void* value) {
  uint32_t size = itemSize(rec.ItemType);
  for (uint32_t i = 0; i < rec.itemCount; ++i) {
    if (std::memcmp(itemAt(rec.items, rec.ItemType, i), value, size) == 0) return i;
  }
  return rec.itemCount;
}

// Answers in a new container; TWCC_LOWMEMORY when it cannot be allocated.
TW_UINT16 answerOneValue(TW_CAPABILITY* cap, const CapabilityRecord& rec, const void* value) {
  uint32_t size = itemSize(rec.ItemType);
  uint32_t bytes = size + 6;
  if (bytes < sizeof(TW_ONEVALUE)) bytes = sizeof(TW_ONEVALUE);
  TW_HANDLE block = gmem::alloc(bytes);
  if (!block) return TWCC_LOWMEMORY;
  uint8_t* out = static_cast<uint8_t*>(gmem::lock(block));
  std::memcpy(out, &rec.ItemType, 2);
  encodeWideItem(rec.ItemType, static_cast<const uint8_t*>(value), out + 2);
  gmem::unlock(block);
  cap->ConType = TWON_ONEVALUE;
  cap->hContainer = block;
  return TWCC_SUCCESS;
}

TW_UINT16 answerArray(TW_CAPABILITY* cap, const CapabilityRecord& rec, const void* list, uint32_t count) {
  uint32_t slot = slotSize(rec.ItemType);
  TW_HANDLE block = gmem::alloc(slot * count + 7);
  if (!block) return TWCC_LOWMEMORY;
  uint8_t* out = static_cast<uint8_t*>(gmem::lock(block));
  std::memcpy(out, &rec.ItemType, 2);
  std::memcpy(out + 2, &count, 4);
  for (uint32_t i = 0; i < count; ++i) encodeItem(rec.ItemType, itemAt(list, rec.ItemType, i), out + 6 + i * slot);
  gmem::unlock(block);
  cap->ConType = TWON_ARRAY;
  cap->hContainer = block;
  return TWCC_SUCCESS;
}

TW_UINT16 answerEnumeration(TW_CAPABILITY* cap, const CapabilityRecord& rec) {
  uint32_t slot = slotSize(rec.ItemType);
  TW_HANDLE block = gmem::alloc(slot * rec.itemCount + 15);
  if (!block) return TWCC_LOWMEMORY;
  uint8_t* out = static_cast<uint8_t*>(gmem::lock(block));
  uint32_t currentIndex = positionOf(rec, rec.currentValue);
  uint32_t defaultIndex = positionOf(rec, rec.defaultValue);
  std::memcpy(out, &rec.ItemType, 2);
  std::memcpy(out + 2, &rec.itemCount, 4);
  std::memcpy(out + 6, &currentIndex, 4);
  std::memcpy(out + 10, &defaultIndex, 4);
  for (uint32_t i = 0; i < rec.itemCount; ++i) {
    encodeItem(rec.ItemType, itemAt(rec.items, rec.ItemType, i), out + 14 + i * slot);
  }
  gmem::unlock(block);
  cap->ConType = TWON_ENUMERATION;
  cap->hContainer = block;
  return TWCC_SUCCESS;
}

TW_UINT16 answerRange(TW_CAPABILITY* cap, const CapabilityRecord& rec) {
  TW_HANDLE block = gmem::alloc(sizeof(TW_RANGE));
  if (!block) return TWCC_LOWMEMORY;
  uint8_t* out = static_cast<uint8_t*>(gmem::lock(block));
  std::memcpy(out, &rec.ItemType, 2);
  const void* fields[5] = {itemAt(rec.items, rec.ItemType, 0), itemAt(rec.items, rec.ItemType, 1),
                           itemAt(rec.items, rec.ItemType, 2), rec.defaultValue, rec.currentValue};
  for (int i = 0; i < 5; ++i) encodeWideItem(rec.ItemType, static_cast<const uint8_t*>(fields[i]), out + 2 + 4 * i);
  gmem::unlock(block);
  cap->ConType = TWON_RANGE;
  cap->hContainer = block;
  return TWCC_SUCCESS;
}

// Answer in the row's value container: one value, or the array of counts.
TW_UINT16 answerValue(TW_CAPABILITY* cap, const CapabilityRecord& rec, const void* value, uint32_t count) {
  if (rec.valueContainer == TWON_ARRAY) return answerArray(cap, rec, value, count);
  return answerOneValue(cap, rec, value);
}

TW_UINT16 runGet(TW_CAPABILITY* cap, CapabilityRecord& rec) {
  if (rec.Cap == CAP_FEEDERLOADED) {
    *static_cast<TW_UINT16*>(rec.currentValue) = sourceRecord.pendingCount != 0 ? kTrue : kFalse;
  }
  switch (rec.getContainer) {
    case TWON_ENUMERATION: return answerEnumeration(cap, rec);
    case TWON_RANGE: return answerRange(cap, rec);
    case TWON_ARRAY: return answerArray(cap, rec, rec.items, rec.itemCount);
    default: return answerOneValue(cap, rec, rec.currentValue);
  }
}

TW_UINT16 runQuerySupport(TW_CAPABILITY* cap, const CapabilityRecord& rec) {
  TW_HANDLE block = gmem::alloc(itemSize(TWTY_UINT32) + 6);
  if (!block) return TWCC_LOWMEMORY;
  TW_ONEVALUE* out = static_cast<TW_ONEVALUE*>(gmem::lock(block));
  out->ItemType = TWTY_UINT32;
  out->Item = rec.supportMask;
  gmem::unlock(block);
  cap->ConType = TWON_ONEVALUE;
  cap->hContainer = block;
  return TWCC_SUCCESS;
}

// Turns a value as the application's container holds it into the stored
// form (FIX32 to numbers); false when the item type cannot be set.
void decodeItem(TW_UINT16 type, const uint8_t* in, uint8_t* stored) {
  if (type == TWTY_FIX32 || type == TWTY_FRAME) {
    uint32_t numbers = type == TWTY_FRAME ? 4 : 1;
    for (uint32_t i = 0; i < numbers; ++i) {
      TW_FIX32 fix;
      std::memcpy(&fix, in + 4 * i, 4);
      float number = static_cast<float>(fromFix32(fix));
      std::memcpy(stored + 4 * i, &number, 4);
    }
  } else {
    std::memcpy(stored, in, itemSize(type));
  }
}

TW_UINT16 runSet(TW_CAPABILITY* cap, CapabilityRecord& rec) {
  uint32_t size = itemSize(rec.ItemType);
  uint32_t valueOffset;
  if (cap->ConType == TWON_ONEVALUE) {
    valueOffset = 2;
  } else if (cap->ConType == TWON_ENUMERATION) {
    valueOffset = 14;
  } else {
    // An array (or any other container) sets nothing.
    return TWCC_BADVALUE;
  }
  // The application's block must hold the item type and the value read.
  uint32_t blockBytes = gmem::size(cap->hContainer);
  if (blockBytes < valueOffset + size) return TWCC_BADVALUE;
  const uint8_t* in = static_cast<const uint8_t*>(gmem::lock(cap->hContainer));
  if (!in) return TWCC_BADVALUE;
  TW_UINT16 condition = TWCC_BADVALUE;
  TW_UINT16 containerType;
  std::memcpy(&containerType, in, 2);
  uint32_t numItems = 1;
  if (cap->ConType == TWON_ENUMERATION) std::memcpy(&numItems, in + 2, 4);
  // An enumeration without items carries no value.
  if (containerType == rec.ItemType && numItems > 0) {
    uint8_t value[34] = {};
    decodeItem(rec.ItemType, in + valueOffset, value);
    uint32_t position = positionOf(rec, value);
    if (position < rec.itemCount) {
      std::memcpy(rec.currentValue, value, size);
      condition = TWCC_SUCCESS;
    }
  }
  gmem::unlock(cap->hContainer);
  return condition;
}

CapabilityRecord* findRow(TW_UINT16 key) {
  // Empty rows carry 0, which is no capability.
  if (key == 0) return nullptr;
  for (CapabilityRecord& rec : capabilityTable) {
    if (rec.Cap == key) return &rec;
  }
  return nullptr;
}

// Which support bit a message needs; ~0 for messages that are no operation.
TW_UINT32 requiredBit(TW_UINT16 msg) {
  switch (msg) {
    case MSG_GET: return TWQC_GET;
    case MSG_GETCURRENT: return TWQC_GETCURRENT;
    case MSG_GETDEFAULT: return TWQC_GETDEFAULT;
    case MSG_SET: return TWQC_SET;
    case MSG_RESET: return TWQC_RESET;
    case MSG_QUERYSUPPORT: return 0;
    default: return ~0u;
  }
}

TW_UINT16 runOperation(TW_UINT16 msg, TW_CAPABILITY* cap, CapabilityRecord& rec) {
  switch (msg) {
    case MSG_GET: return runGet(cap, rec);
    case MSG_GETCURRENT: return answerValue(cap, rec, rec.currentValue, rec.currentCount);
    case MSG_GETDEFAULT: return answerValue(cap, rec, rec.defaultValue, rec.defaultCount);
    case MSG_RESET:
      std::memmove(rec.currentValue, rec.defaultValue, rec.currentCount * itemSize(rec.ItemType));
      return answerValue(cap, rec, rec.defaultValue, rec.defaultCount);
    case MSG_QUERYSUPPORT: return runQuerySupport(cap, rec);
    default: return runSet(cap, rec);
  }
}

bool isOldApplication() {
  const TW_IDENTITY& app = sourceRecord.appIdentity;
  // A zeroed identity (no application since load) is not an old application.
  return app.ProtocolMajor != 0 && app.ProtocolMajor <= 1 && app.ProtocolMinor <= 5;
}

}  // namespace

uint32_t itemSize(TW_UINT16 itemType) {
  switch (itemType) {
    case TWTY_INT8:
    case TWTY_UINT8: return 1;
    case TWTY_INT32:
    case TWTY_UINT32:
    case TWTY_FIX32: return 4;
    case TWTY_FRAME: return 16;
    case TWTY_STR32:
    case TWTY_STR64:
    case TWTY_STR128:
    case TWTY_STR255: return 34;
    default: return 2;
  }
}

void buildCapabilityTable() {
  clearCapabilityTable();
  buildRows(capabilityTable);
}

void clearCapabilityTable() { std::memset(capabilityTable, 0, sizeof capabilityTable); }

void restoreCapabilityValues() { values = kLoadValues; }

TW_UINT16 handleCapability(pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16 msg, TW_MEMREF data) {
  TW_CAPABILITY* cap = static_cast<TW_CAPABILITY*>(data);
  if (!cap) return failNoData();
  TW_UINT16 result = TWRC_FAILURE;
  sourceRecord.conditionCode = TWCC_CAPUNSUPPORTED;
  TW_UINT16 key = cap->Cap;
  if (key == ICAP_BITDEPTH) key = static_cast<TW_UINT16>(kBitDepthKeyBase + values.pixelType[2]);
  CapabilityRecord* rec = findRow(key);
  if (rec) {
    TW_UINT32 bit = requiredBit(msg);
    if (bit == ~0u) {
      sourceRecord.conditionCode = TWCC_CAPUNSUPPORTED;
    } else if ((rec->supportMask & bit) != bit) {
      sourceRecord.conditionCode = TWCC_CAPBADOPERATION;
    } else {
      sourceRecord.conditionCode = runOperation(msg, cap, *rec);
      result = sourceRecord.conditionCode == TWCC_SUCCESS ? TWRC_SUCCESS : TWRC_FAILURE;
    }
  }
  if (isOldApplication() && sourceRecord.conditionCode > TWCC_BADDEST) sourceRecord.conditionCode = TWCC_BADCAP;
  return result;
}

void captureDefaults() {
  values.feederEnabled[2] = kFalse;
  values.resolution[2] = 100.0f;
  values.scaling[2] = 100.0f;
  values.supportedSizes[2] = TWSS_USLETTER;
  values.pixelType[2] = TWPT_RGB;
  values.bitDepthRgb[2] = 24;
  notifyManager(MSG_XFERREADY);
}

double currentResolution() { return values.resolution[2]; }

TW_UINT16 currentPixelType() { return values.pixelType[2]; }

TW_UINT16 bitDepthOf(TW_UINT16 pixelType) {
  switch (pixelType) {
    case TWPT_BW: return values.bitDepthBw[2];
    case TWPT_GRAY: return values.bitDepthGray[2];
    case TWPT_RGB: return values.bitDepthRgb[2];
    default: return 0;
  }
}

bool feederEnabled() { return values.feederEnabled[2] != kFalse; }

}  // namespace twain
