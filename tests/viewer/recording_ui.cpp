#include "tests/viewer/recording_ui.h"

#include <algorithm>
#include <cstring>

#include "viewer/viewer_resources.h"

namespace viewer {

namespace {

RecordingUi* ui = nullptr;

void lockQueue() { plat::waitFor(ui->queueLock, plat::kInfinite); }
void unlockQueue() { plat::setEvent(ui->queueLock); }

WindowHandle newWindow(int templateId, int controlId, WindowHandle owner, MessageHandler handler) {
  ui->windows.push_back(recordedWindow(templateId, controlId, owner, handler));
  return handleOf(static_cast<int>(ui->windows.size()));
}

WindowHandle createDialog(int templateId, WindowHandle owner, MessageHandler handler) {
  WindowHandle window = newWindow(templateId, 0, owner, handler);
  ui->events.push_back("create " + std::to_string(templateId));
  handler(window, kMsgInitDialog, 0, 0);
  return window;
}

intptr_t runModalDialog(int templateId, WindowHandle owner, MessageHandler handler) {
  WindowHandle window = createDialog(templateId, owner, handler);
  if (windowOf(window).alive) pumpMessages();
  return ui->modalResult;
}

void endDialog(WindowHandle dialog, intptr_t result) {
  ui->events.push_back("end " + std::to_string(result));
  ui->modalEnded = true;
  ui->modalResult = result;
}

void destroyWindow(WindowHandle window) {
  if (!window) return;
  RecordedWindow& w = windowOf(window);
  if (!w.alive) return;
  w.alive = false;
  ui->events.push_back("destroy " + std::to_string(w.templateId));
  if (w.handler) w.handler(window, kMsgDestroy, 0, 0);
}

void moveWindow(WindowHandle window, int x, int y, int width, int height, bool) {
  if (!window) return;
  windowOf(window).rect = WindowRect{x, y, x + width, y + height};
  windowOf(window).moves++;
}

void showWindow(WindowHandle window, ShowMode mode) { windowOf(window).shown = mode; }
void updateWindow(WindowHandle) {}
void invalidate(WindowHandle window, bool) {
  if (window) windowOf(window).invalidations++;
}

bool postMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  lockQueue();
  ui->queue.push_back(PostedMessage{window, message, wParam, lParam});
  unlockQueue();
  plat::setEvent(ui->queueSignal);
  return true;
}

WindowHandle dialogItem(WindowHandle dialog, int controlId);

// The few messages the program sends to controls: texts, check marks and
// a progress bar's range, position and steps.
intptr_t controlMessage(RecordedWindow& w, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case kMsgSetText:
      w.text = reinterpret_cast<const char*>(lParam);
      ui->controlEvents.push_back("text " + std::to_string(w.controlId) + " " + w.text);
      if (std::find(ui->editIds.begin(), ui->editIds.end(), w.controlId) != ui->editIds.end()) {
        const WindowHandle dialog = w.owner;  // w may move when windows are added
        const uintptr_t notice = (static_cast<uintptr_t>(kNoticeChange) << 16) | static_cast<uint16_t>(w.controlId);
        RecordedWindow& d = windowOf(dialog);
        if (d.alive && d.handler) d.handler(dialog, kMsgCommand, notice, 0);
      }
      break;
    case kMsgGetText: {
      const std::string text = w.text;
      char* buffer = reinterpret_cast<char*>(lParam);
      const size_t n = std::min<size_t>(text.size(), wParam ? wParam - 1 : 0);
      if (wParam) {
        std::memcpy(buffer, text.data(), n);
        buffer[n] = 0;
      }
      return static_cast<intptr_t>(n);
    }
    case kMsgButtonGetCheck:
      return w.checked ? 1 : 0;
    case kMsgButtonSetCheck:
      w.checked = wParam != 0;
      ui->controlEvents.push_back("check " + std::to_string(w.controlId));
      break;
    case kMsgProgressSetRange:
      w.progressMax = static_cast<int>(lParam >> 16);
      ui->controlEvents.push_back("range " + std::to_string(w.progressMax));
      break;
    case kMsgProgressSetPos:
      w.progressPos = static_cast<int>(wParam);
      ui->controlEvents.push_back("pos " + std::to_string(w.progressPos));
      break;
    case kMsgProgressSetStep:
      w.progressStep = static_cast<int>(wParam);
      ui->controlEvents.push_back("step " + std::to_string(w.progressStep));
      break;
    case kMsgProgressStepIt:
      w.progressPos = std::min(w.progressMax, w.progressPos + w.progressStep);
      ui->controlEvents.push_back("stepit");
      break;
    default:
      break;
  }
  return 0;
}

intptr_t sendMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  RecordedWindow& w = windowOf(window);
  if (w.templateId == 0 && !w.handler) return controlMessage(w, message, wParam, lParam);
  return w.alive && w.handler ? w.handler(window, message, wParam, lParam) : 0;
}

void copyOut(const std::string& text, char* buffer, uint32_t size) {
  if (!buffer || size == 0) return;
  const size_t n = std::min<size_t>(text.size(), size - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = 0;
}

bool runSaveFileDialog(const SaveFileRequest& request) {
  WindowHandle panel = newWindow(kSaveAsPanelTemplate, 0, request.owner, request.hook);
  ui->events.push_back("create Save As");
  const char* end = request.filters;
  while (*end) end += std::strlen(end) + 1;  // text, pattern, ... up to the empty text
  ui->saveDialogCalls.push_back(SaveDialogCall{
      request.owner, std::string(request.filters, end), request.filterIndex,
      request.defaultExtension ? request.defaultExtension : "", request.initialFolder ? request.initialFolder : "",
      request.flags, request.templateName ? request.templateName : "", request.customData, request.pathSize,
      request.titleSize, panel});
  FileDialogOpening opening{request.owner, request.customData};
  request.hook(panel, kMsgInitDialog, 0, reinterpret_cast<intptr_t>(&opening));
  for (int id : ui->saveDialog.clicks) {
    // An automatic radio button checks itself, then tells the dialog.
    for (int other = IDC_SIZE_FULL; other <= IDC_SIZE_QUARTER; ++other) windowOf(dialogItem(panel, other)).checked = false;
    windowOf(dialogItem(panel, id)).checked = true;
    request.hook(panel, kMsgCommand, static_cast<uintptr_t>(id), 0);
    pumpMessages();
  }
  windowOf(panel).alive = false;
  ui->events.push_back("end Save As");
  if (!ui->saveDialog.confirm) return false;
  copyOut(ui->saveDialog.path, request.path, request.pathSize);
  copyOut(ui->saveDialog.title, request.title, request.titleSize);
  return true;
}

int systemMetric(int index) {
  switch (index) {
    case kMetricCaptionHeight:
      return ui->captionHeight;
    case kMetricFullScreenWidth:
      return ui->workWidth;
    case kMetricFullScreenHeight:
      return ui->workHeight;
    default:
      return 0;
  }
}

WindowRect windowRect(WindowHandle window) { return windowOf(window).rect; }

WindowHandle dialogItem(WindowHandle dialog, int controlId) {
  for (size_t i = 0; i < ui->windows.size(); ++i) {
    const RecordedWindow& w = ui->windows[i];
    if (w.templateId == 0 && w.owner == dialog && w.controlId == controlId) return handleOf(static_cast<int>(i + 1));
  }
  return newWindow(0, controlId, dialog, nullptr);
}

WindowRect clientRect(WindowHandle window) {
  const WindowRect r = windowOf(window).rect;
  return WindowRect{0, 0, r.right - r.left, r.bottom - r.top};
}

void enableWindow(WindowHandle window, bool enabled) { windowOf(window).enabled = enabled; }

void setWindowIcon(WindowHandle window, int iconId) { windowOf(window).icon = iconId; }
void setMouseCapture(WindowHandle window) { ui->mouseCapture = window; }
bool releaseMouseCapture() {
  ui->captureReleases++;
  if (ui->captureReleaseFailures > 0) {
    ui->captureReleaseFailures--;
    return false;
  }
  ui->mouseCapture = nullptr;
  return true;
}

DrawingSurface getSurface(WindowHandle window) {
  ui->surfacesHeld++;
  return window;
}
void stretchPicture(DrawingSurface surface, const WindowRect& target, const imaging::BitmapInfoHeader& info,
                    const uint8_t* pixels) {
  if (!pixels) return;
  if (ui->paintCheck && !ui->paintCheck(target, info)) ui->refusedPaints++;
  ui->paints++;
  // (The live view is painted by the acquisition thread, on its own surface.)
  if (surface == sampleSurface()) ui->sampleStretches.push_back(target);
}
void releaseSurface(WindowHandle, DrawingSurface) { ui->surfacesHeld--; }

bool drawKeyedBitmap(WindowHandle panel, WindowHandle button, int bitmapId) {
  for (int missing : ui->missingBitmaps)
    if (missing == bitmapId) return false;
  ui->keyedDraws.push_back(KeyedDraw{panel, windowOf(button).controlId, bitmapId});
  return true;
}
bool drawOpaqueBitmap(WindowHandle panel, const WindowRect& rect, int bitmapId) {
  ui->opaqueDraws.push_back(OpaqueDraw{panel, rect, bitmapId});
  return true;
}

const WindowOps kRecordingOps = {createDialog,   runModalDialog, endDialog,       destroyWindow,    moveWindow,
                                 showWindow,     updateWindow,   invalidate,      postMessage,      sendMessage,
                                 systemMetric,   windowRect,     dialogItem,      clientRect,       enableWindow,
                                 setWindowIcon,  setMouseCapture,
                                 releaseMouseCapture, getSurface, stretchPicture, releaseSurface, drawKeyedBitmap,
                                 drawOpaqueBitmap, runSaveFileDialog};

int answerBox(WindowHandle owner, const char* text, const char* caption, uint32_t flags) {
  ui->boxes.push_back(MessageBoxCall{owner, text, caption, flags});
  if (!ui->answers.empty()) {
    int answer = ui->answers.front();
    ui->answers.pop_front();
    return answer;
  }
  return (flags & 0xF) == plat::kMbYesNo ? plat::kIdYes : plat::kIdOk;
}

bool popMessage(PostedMessage* out) {
  lockQueue();
  bool any = !ui->queue.empty();
  if (any) {
    *out = ui->queue.front();
    ui->queue.pop_front();
  }
  unlockQueue();
  return any;
}

void deliver(const PostedMessage& m) {
  ui->delivered.push_back(m);
  if (!m.window) return;
  RecordedWindow& w = windowOf(m.window);
  if (w.alive && w.handler) w.handler(m.window, m.message, m.wParam, m.lParam);
}

}  // namespace

RecordingUi& installRecordingUi() {
  // Records are kept to the end of the run: a stopped acquisition thread may
  // still be making its last post for a moment after its test ended.
  static std::vector<RecordingUi*>* kept = new std::vector<RecordingUi*>();
  ui = new RecordingUi();
  kept->push_back(ui);
  ui->queueLock = plat::createEvent(false, true);
  ui->queueSignal = plat::createEvent(false, false);
  installWindowOps(&kRecordingOps);
  plat::installMessageBoxHook(answerBox);
  return *ui;
}

void removeRecordingUi() { plat::installMessageBoxHook(nullptr); }

RecordedWindow recordedWindow(int templateId, int controlId, WindowHandle owner, MessageHandler handler) {
  RecordedWindow w;
  w.templateId = templateId;
  w.controlId = controlId;
  w.owner = owner;
  w.handler = handler;
  return w;
}

WindowHandle handleOf(int index) { return reinterpret_cast<WindowHandle>(static_cast<intptr_t>(index)); }

RecordedWindow& windowOf(WindowHandle window) {
  return ui->windows[static_cast<size_t>(reinterpret_cast<intptr_t>(window)) - 1];
}

WindowHandle findWindow(int templateId) {
  for (size_t i = ui->windows.size(); i-- > 0;) {
    if (ui->windows[i].templateId == templateId && ui->windows[i].alive) return handleOf(static_cast<int>(i + 1));
  }
  return nullptr;
}

WindowHandle itemOf(WindowHandle dialog, int controlId) { return dialogItem(dialog, controlId); }

RecordingUi& recordingUi() { return *ui; }

WindowHandle addWindow(int templateId, WindowHandle owner, MessageHandler handler) {
  ui->events.push_back("create " + std::to_string(templateId));
  return newWindow(templateId, 0, owner, handler);
}

intptr_t sendMessageTo(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return sendMessage(window, message, wParam, lParam);
}

void pumpMessages() {
  PostedMessage m;
  while (popMessage(&m)) deliver(m);
}

bool pumpUntil(bool (*done)(), uint32_t ms) {
  uint32_t start = plat::tickCount();
  for (;;) {
    pumpMessages();
    if (done()) return true;
    if (plat::tickCount() - start > ms) return false;
    plat::waitFor(ui->queueSignal, 5);
  }
}

int countDelivered(uint32_t message) {
  int n = 0;
  for (const PostedMessage& m : ui->delivered) n += m.message == message;
  return n;
}

int countBoxes(const char* caption) {
  int n = 0;
  for (const MessageBoxCall& b : ui->boxes) n += b.caption == caption;
  return n;
}

void clickButton(WindowHandle dialog, int controlId) {
  sendMessage(dialog, kMsgCommand, static_cast<uintptr_t>(controlId), 0);
}

void drawButton(WindowHandle dialog, int controlId, uint32_t action, bool pressed) {
  DrawRequest request{controlId, action, pressed, dialogItem(dialog, controlId)};
  sendMessage(dialog, kMsgDrawItem, static_cast<uintptr_t>(controlId), reinterpret_cast<intptr_t>(&request));
}

}  // namespace viewer
