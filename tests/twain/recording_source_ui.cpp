#include "tests/twain/recording_source_ui.h"

#include <thread>

#include "platform/platform.h"

namespace twain {
namespace {

RecordingSourceUi* recorder = nullptr;
intptr_t nextWindow = 1;

// Controls are numbered window * 100000 + id.
const intptr_t kControlBase = 100000;

RecordedDialog* dialogOf(WindowHandle window) {
  auto found = recorder->dialogs.find(numberOf(window));
  return found == recorder->dialogs.end() ? nullptr : &found->second;
}

WindowHandle createDialog(int templateId, WindowHandle, MessageHandler handler) {
  intptr_t number = nextWindow++;
  RecordedDialog& dialog = recorder->dialogs[number];
  dialog.templateId = templateId;
  dialog.handler = handler;
  handler(handleOf(number), kMsgInitDialog, 0, 0);
  RecordedDialog* after = dialogOf(handleOf(number));
  return after && after->alive ? handleOf(number) : nullptr;
}

void destroyWindow(WindowHandle window) {
  RecordedDialog* dialog = dialogOf(window);
  if (!dialog || !dialog->alive) return;
  dialog->alive = false;
  dialog->handler(window, kMsgDestroy, 0, 0);
}

void moveWindow(WindowHandle window, int x, int y, int width, int height) {
  WindowRect rect = {x, y, x + width, y + height};
  if (numberOf(window) >= kControlBase) {
    recorder->control(handleOf(numberOf(window) / kControlBase), controlIdOf(window)).rect = rect;
  } else if (RecordedDialog* dialog = dialogOf(window)) {
    dialog->rect = rect;
  }
}

void showWindow(WindowHandle window, bool visible) {
  if (numberOf(window) >= kControlBase) {
    recorder->control(handleOf(numberOf(window) / kControlBase), controlIdOf(window)).visible = visible;
  } else if (RecordedDialog* dialog = dialogOf(window)) {
    dialog->visible = visible;
  }
}

void updateWindow(WindowHandle) {}

void invalidate(WindowHandle window, bool) { recorder->invalidations.push_back(static_cast<int>(numberOf(window))); }

bool postMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t) {
  std::lock_guard<std::mutex> guard(recorder->lock);
  recorder->posted.push_back({window, message, wParam});
  return true;
}

int systemMetric(int index) {
  switch (index) {
    case kMetricScreenWidth: return recorder->screenWidth;
    case kMetricScreenHeight: return recorder->screenHeight;
    case kMetricCaptionHeight: return recorder->captionHeight;
    case kMetricFullScreenWidth: return recorder->screenWidth;
    case kMetricFullScreenHeight: return recorder->screenHeight - recorder->captionHeight;
    default: return 0;
  }
}

WindowHandle dialogItem(WindowHandle dialog, int id) {
  recorder->control(dialog, id);
  return handleOf(numberOf(dialog) * kControlBase + id);
}

void setWindowText(WindowHandle window, const char* text) {
  if (RecordedDialog* dialog = dialogOf(window)) dialog->title = text;
}

void enableWindow(WindowHandle control, bool enabled) {
  recorder->control(handleOf(numberOf(control) / kControlBase), controlIdOf(control)).enabled = enabled;
}

void setWindowIcon(WindowHandle window, int iconId) {
  if (RecordedDialog* dialog = dialogOf(window)) dialog->icon = iconId;
}

bool isDialogMessage(WindowHandle, void* message) { return message != nullptr; }

bool drawKeyedBitmap(WindowHandle, WindowHandle, int bitmapId, uint32_t keyColour) {
  recorder->keyedDraws.push_back({bitmapId, keyColour});
  return true;
}

void paintPicture(WindowHandle, const WindowRect& target, const imaging::BitmapInfoHeader& header, const uint8_t* pixels,
                  bool halftone) {
  if (!pixels) return;
  std::lock_guard<std::mutex> guard(recorder->lock);
  recorder->lastPaintRect = target;
  recorder->lastPaintHeader = header;
  recorder->paints++;
  if (halftone) recorder->halftonePaints++;
}

void drawText(WindowHandle, int x, int y, uint32_t colour, const char* text) {
  std::lock_guard<std::mutex> guard(recorder->lock);
  recorder->lastNoteText = text;
  recorder->lastNoteColour = colour;
  recorder->lastNoteX = x;
  recorder->lastNoteY = y;
  if (colour == 0xFFFFFF) recorder->captureNotes++;
  else recorder->handshakeNotes++;
}

const SourceUi kRecordingUi = {createDialog, destroyWindow, moveWindow,   showWindow,    updateWindow,
                               invalidate,   postMessage,   systemMetric, dialogItem,    setWindowText,
                               enableWindow, setWindowIcon, isDialogMessage, drawKeyedBitmap, paintPicture,
                               drawText};

}  // namespace

WindowHandle handleOf(intptr_t number) { return reinterpret_cast<WindowHandle>(number); }
intptr_t numberOf(WindowHandle window) { return reinterpret_cast<intptr_t>(window); }
int controlIdOf(WindowHandle control) { return static_cast<int>(numberOf(control) % kControlBase); }

RecordedControl& RecordingSourceUi::control(WindowHandle window, int id) { return dialogs[numberOf(window)].controls[id]; }

int RecordingSourceUi::pump() {
  std::vector<PostedMessage> batch;
  {
    std::lock_guard<std::mutex> guard(lock);
    batch.swap(posted);
  }
  for (const PostedMessage& m : batch) {
    auto found = dialogs.find(numberOf(m.window));
    if (found == dialogs.end() || !found->second.alive) continue;
    {
      std::lock_guard<std::mutex> guard(lock);
      delivered.push_back(m);
    }
    found->second.handler(m.window, m.message, m.wParam, 0);
  }
  return static_cast<int>(batch.size());
}

bool RecordingSourceUi::pumpUntil(const std::function<bool()>& done, uint32_t ms) {
  const uint32_t start = plat::tickCount();
  for (;;) {
    pump();
    if (done()) return true;
    if (plat::tickCount() - start > ms) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

int RecordingSourceUi::deliveredCount(uint32_t message, uintptr_t wParam) {
  std::lock_guard<std::mutex> guard(lock);
  int n = 0;
  for (const PostedMessage& m : delivered)
    if (m.message == message && (wParam == ~uintptr_t(0) || m.wParam == wParam)) ++n;
  return n;
}

RecordingSourceUi& installRecordingSourceUi() {
  recorder = new RecordingSourceUi;
  nextWindow = 1;
  installSourceUi(&kRecordingUi);
  return *recorder;
}

void removeRecordingSourceUi() {
  installSourceUi(nullptr);
  delete recorder;
  recorder = nullptr;
}

}  // namespace twain
