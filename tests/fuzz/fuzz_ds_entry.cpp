// libFuzzer target: DS_Entry driven by random triplet sequences, with the
// data an application could pass (null, short or broken containers, any
// counts and flags), random captures and window outcomes in between.
// Pointers inside the structures are always real: TWAIN gives a data source
// no way to check an application's pointers.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "twain/capabilities.h"
#include "twain/ds_entry.h"
#include "twain/global_memory.h"
#include "twain/source_record.h"
#include "twain/source_window.h"
#include "twain/transfer_bitmap.h"

using namespace twain;

namespace {

struct Input {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  bool empty() const { return at >= size; }
  uint8_t u8() { return at < size ? data[at++] : 0; }
  uint16_t u16() { return static_cast<uint16_t>(u8() | (u8() << 8)); }
  uint32_t u32() { return u16() | (static_cast<uint32_t>(u16()) << 16); }
  void fill(void* out, size_t bytes) {
    uint8_t* o = static_cast<uint8_t*>(out);
    for (size_t i = 0; i < bytes; ++i) o[i] = u8();
  }
};

const TW_UINT16 kDats[] = {DAT_NULL,         DAT_CAPABILITY,      DAT_EVENT,          DAT_IDENTITY,
                           DAT_PENDINGXFERS, DAT_SETUPMEMXFER,    DAT_SETUPFILEXFER,  DAT_STATUS,
                           DAT_USERINTERFACE, DAT_XFERGROUP,      DAT_IMAGEINFO,      DAT_IMAGELAYOUT,
                           DAT_IMAGEMEMXFER, DAT_IMAGENATIVEXFER, DAT_IMAGEFILEXFER,  DAT_CIECOLOR,
                           DAT_GRAYRESPONSE, DAT_RGBRESPONSE,     DAT_JPEGCOMPRESSION, DAT_PALETTE8};
const TW_UINT16 kMsgs[] = {MSG_NULL,     MSG_GET,       MSG_GETCURRENT, MSG_GETDEFAULT,  MSG_GETFIRST,
                           MSG_SET,      MSG_RESET,     MSG_QUERYSUPPORT, MSG_OPENDS,    MSG_CLOSEDS,
                           MSG_ENABLEDS, MSG_DISABLEDS, MSG_PROCESSEVENT, MSG_ENDXFER,   MSG_XFERREADY};
const TW_UINT16 kCaps[] = {CAP_SUPPORTEDCAPS, CAP_FEEDERENABLED, ICAP_XFERMECH,   ICAP_BRIGHTNESS, ICAP_HALFTONES,
                           ICAP_FRAMES,       CAP_XFERCOUNT,     ICAP_BITDEPTH,   ICAP_PIXELTYPE,  ICAP_XRESOLUTION,
                           ICAP_THRESHOLD,    CAP_FEEDERLOADED,  ICAP_PLANARCHUNKY, 0};

bool windowCanOpen = false;
int windowToken;
plat::WindowHandle fuzzCreate(void*, plat::WindowHandle) { return windowCanOpen ? &windowToken : nullptr; }
bool fuzzIsDialogMessage(void*, plat::WindowHandle, void* event) { return event != nullptr; }
const SourceWindowSeam kSeam = {nullptr, fuzzCreate, nullptr, nullptr, fuzzIsDialogMessage};

int answerBox(plat::WindowHandle, const char*, const char*, uint32_t) { return plat::kIdOk; }
TW_UINT16 TW_CALLINGSTYLE ignoreNotification(pTW_IDENTITY, pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16, TW_MEMREF) {
  return TWRC_SUCCESS;
}

std::vector<uint8_t> frame;

// File names stay inside a scratch folder of our own: an empty name, a few
// short ones, or a full buffer without terminator.
char scratchDir[64];

void longName(char* name, size_t bytes) {
  std::memset(name, 'a', bytes);
  size_t prefix = std::strlen(scratchDir);
  std::memcpy(name, scratchDir, prefix);
  name[prefix] = '/';
}

void fileName(Input& in, char* name) {
  uint8_t pick = in.u8();
  if (pick == 0xFF) {
    longName(name, 256);
  } else if (pick & 1) {
    name[0] = '\0';
  } else {
    std::snprintf(name, 256, "%s/out_%d", scratchDir, pick % 4);
  }
}

void removeScratch() {
  char name[300];
  for (int i = 0; i < 4; ++i) {
    std::snprintf(name, sizeof name, "%s/out_%d", scratchDir, i);
    std::remove(name);
  }
  longName(name, 255);
  name[255] = '\0';
  std::remove(name);
  rmdir(scratchDir);
}

void step(Input& in, TW_IDENTITY* app) {
  uint8_t kind = in.u8();
  switch (kind % 16) {
    case 0:  // the preview thread captured a frame (or one of a wrong size) and offers it
      recordCaptureFrame(frame.data(), in.u8() & 1 ? static_cast<uint32_t>(frame.size()) : in.u32() % 1000);
      captureDefaults();
      return;
    case 1:
      sourceWindowState.viewSize = in.u8() % 3;
      sourceWindowState.largeModel = in.u8() & 1;
      return;
    case 2: windowCanOpen = in.u8() & 1; return;
    case 3: forgetCaptureFrame(); return;
    default: break;
  }

  TW_IDENTITY stranger = *app;
  stranger.Id = in.u32();
  uint8_t who = in.u8();
  TW_IDENTITY* origin = who == 0 ? nullptr : who == 1 ? &stranger : app;
  uint8_t dgPick = in.u8();
  TW_UINT32 dg = dgPick < 120 ? DG_CONTROL : dgPick < 250 ? DG_IMAGE : in.u32();
  uint8_t datPick = in.u8();
  TW_UINT16 dat = datPick < 240 ? kDats[datPick % (sizeof kDats / sizeof kDats[0])] : in.u16();
  uint8_t msgPick = in.u8();
  TW_UINT16 msg = msgPick < 240 ? kMsgs[msgPick % (sizeof kMsgs / sizeof kMsgs[0])] : in.u16();

  alignas(8) uint8_t buffer[2048];
  in.fill(buffer, 320);
  std::memset(buffer + 320, 0, sizeof buffer - 320);
  bool nullData = (in.u8() & 15) == 0;
  TW_HANDLE container = nullptr;
  TW_HANDLE memoryBlock = nullptr;
  std::vector<uint8_t> memory;

  bool processEvent = msg == MSG_PROCESSEVENT;
  if (processEvent) {
    // Event processing reads a TW_EVENT whatever the DAT says.
    TW_EVENT* event = reinterpret_cast<TW_EVENT*>(buffer);
    event->pEvent = (in.u8() & 1) ? buffer + 512 : nullptr;
  } else if (dat == DAT_CAPABILITY) {
    TW_CAPABILITY* cap = reinterpret_cast<TW_CAPABILITY*>(buffer);
    uint8_t capPick = in.u8();
    cap->Cap = capPick < 240 ? kCaps[capPick % (sizeof kCaps / sizeof kCaps[0])] : in.u16();
    uint8_t conPick = in.u8();
    cap->ConType = conPick < 200 ? static_cast<TW_UINT16>(3 + conPick % 4) : in.u16();
    uint32_t bytes = in.u8() % 96;
    container = bytes ? gmem::alloc(bytes) : nullptr;
    if (container) {
      in.fill(gmem::lock(container), bytes);
      gmem::unlock(container);
    }
    cap->hContainer = container;
  } else if (dat == DAT_IMAGEMEMXFER) {
    TW_IMAGEMEMXFER* xfer = reinterpret_cast<TW_IMAGEMEMXFER*>(buffer);
    uint32_t bytes = in.u16() % 8192;
    xfer->Memory.Flags = in.u32();
    if (xfer->Memory.Flags & 0x0010) {
      memoryBlock = bytes ? gmem::alloc(bytes) : nullptr;
      xfer->Memory.TheMem = memoryBlock;
      xfer->Memory.Length = in.u32();
    } else {
      memory.resize(bytes);
      xfer->Memory.TheMem = bytes ? memory.data() : nullptr;
      xfer->Memory.Length = bytes ? in.u32() % (bytes + 1) : in.u32();
    }
  } else if (dat == DAT_SETUPFILEXFER) {
    fileName(in, reinterpret_cast<TW_SETUPFILEXFER*>(buffer)->FileName);
  }

  TW_UINT16 rc = DS_Entry(origin, dg, dat, msg, nullData ? nullptr : buffer);

  if (dat == DAT_CAPABILITY && !processEvent && !nullData) {
    TW_HANDLE answered = reinterpret_cast<TW_CAPABILITY*>(buffer)->hContainer;
    if (answered && answered != container) gmem::release(answered);
  }
  if (dat == DAT_IMAGENATIVEXFER && !processEvent && rc == TWRC_XFERDONE && !nullData) {
    TW_HANDLE dib;
    std::memcpy(&dib, buffer, sizeof dib);
    gmem::release(dib);
  }
  gmem::release(container);
  gmem::release(memoryBlock);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::strcpy(scratchDir, "/tmp/zel_fuzz_ds_XXXXXX");
  if (!mkdtemp(scratchDir)) std::abort();
  std::atexit(removeScratch);
  setLibraryDirectory(ZEL_TWAIN_TEMPLATE_DIR);
  plat::installMessageBoxHook(answerBox);
  installManagerEntry(ignoreNotification);
  installSourceWindowSeam(&kSeam);
  frame.assign(1280 * 1024 * 3, 0x5A);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in{data, size};
  attachSource();
  windowCanOpen = false;
  sourceWindowState.viewSize = 1;
  sourceWindowState.largeModel = 0;
  TW_IDENTITY app{};
  app.Id = 5;
  app.ProtocolMajor = 1;
  app.ProtocolMinor = in.u8() % 10;
  for (int steps = 0; steps < 48 && !in.empty(); ++steps) step(in, &app);
  releaseTransferDib();
  forgetCaptureFrame();
  return 0;
}
