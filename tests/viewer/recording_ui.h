// A recording stand-in for the window operations: windows are numbered
// records, posted messages wait in a queue that the test pumps, message
// boxes are recorded and answered from a script, and drawing is counted.
#pragma once

#include <atomic>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "viewer/window_ops.h"

namespace viewer {

struct RecordedWindow {
  int templateId = 0;     // 0 for a control
  int controlId = 0;      // for a control
  WindowHandle owner = nullptr;  // owner dialog (controls: their dialog)
  MessageHandler handler = nullptr;
  bool alive = true;
  WindowRect rect{0, 0, 0, 0};
  ShowMode shown = ShowMode::Normal;
  int icon = 0;
  int invalidations = 0;
  // Controls: what was sent to them.
  std::string text;
  bool checked = false;
  bool enabled = true;
  int progressMax = 0;
  int progressPos = 0;
  int progressStep = 10;
  int moves = 0;
};

// The save-file dialog as the test scripts it: the size buttons clicked
// while it is open (each followed by the delivery of posted messages, as the
// dialog's own loop would), then confirmed with a path and title or
// cancelled.
struct SaveDialogScript {
  std::vector<int> clicks;
  bool confirm = true;
  std::string path;
  std::string title;
};

// What the program asked of the save-file dialog, copied.
struct SaveDialogCall {
  WindowHandle owner;
  std::string filters;  // with the zero separators
  uint32_t filterIndex;
  std::string defaultExtension;
  std::string initialFolder;
  uint32_t flags;
  std::string templateName;
  intptr_t customData;
  uint32_t pathSize, titleSize;
  WindowHandle panel;   // the window the hook ran for
};

enum : int { kSaveAsPanelTemplate = -1 };

struct MessageBoxCall {
  WindowHandle owner;
  std::string text;
  std::string caption;
  uint32_t flags;
};

struct PostedMessage {
  WindowHandle window;
  uint32_t message;
  uintptr_t wParam;
  intptr_t lParam;
};

struct KeyedDraw {
  WindowHandle panel;
  int controlId;
  int bitmapId;
};

struct OpaqueDraw {
  WindowHandle panel;
  WindowRect rect;
  int bitmapId;
};

// The drawing surface the stand-in page setup dialog hands to the sample
// page procedure.
inline DrawingSurface sampleSurface() { return reinterpret_cast<DrawingSurface>(static_cast<intptr_t>(0x5A5A0000)); }

struct RecordingUi {
  std::vector<RecordedWindow> windows;  // handle n is windows[n - 1]
  std::vector<std::string> events;      // "create 2", "destroy 84", "end 0", ...
  std::vector<MessageBoxCall> boxes;
  std::deque<int> answers;              // scripted message-box answers
  std::vector<PostedMessage> delivered; // every posted message once delivered
  std::vector<KeyedDraw> keyedDraws;
  std::vector<OpaqueDraw> opaqueDraws;
  std::vector<std::string> controlEvents;  // "text 752 ...", "pos 80", "step 6", "stepit"
  SaveDialogScript saveDialog;
  std::vector<SaveDialogCall> saveDialogCalls;
  std::vector<int> missingBitmaps;      // draw of these ids fails
  // Controls that are edits: setting their text tells their dialog at once
  // (a change notice), as the platform's edits do.
  std::vector<int> editIds;
  // Picture stretches onto kSampleSurface (the sample page of the stand-in
  // page setup dialog), in order.
  std::vector<WindowRect> sampleStretches;
  int workWidth = 1280, workHeight = 1024, captionHeight = 19;
  WindowHandle mouseCapture = nullptr;
  int captureReleases = 0;         // release calls made
  int captureReleaseFailures = 0;  // the next this many releases fail
  bool modalEnded = false;
  intptr_t modalResult = -1;
  std::atomic<int> paints{0};
  std::atomic<int> surfacesHeld{0};
  WindowRect lastPaint{0, 0, 0, 0};
  // Looks at every paint's rectangle and header (on the painting thread);
  // the paints it refuses are counted.
  bool (*paintCheck)(const WindowRect& target, const imaging::BitmapInfoHeader& info) = nullptr;
  std::atomic<int> refusedPaints{0};

  // Posted messages, filled from any thread.
  plat::Handle queueLock = nullptr;
  plat::Handle queueSignal = nullptr;
  std::deque<PostedMessage> queue;
};

// Installs the stand-in (and the message-box hook) for the running test.
RecordingUi& installRecordingUi();
void removeRecordingUi();

// A live window record (a dialog made from a template, or a control).
RecordedWindow recordedWindow(int templateId, int controlId, WindowHandle owner, MessageHandler handler);
WindowHandle handleOf(int index);
RecordedWindow& windowOf(WindowHandle window);
// The live window made from a template, null when none.
WindowHandle findWindow(int templateId);
WindowHandle itemOf(WindowHandle dialog, int controlId);

// The running stand-in, a new live window made by a stand-in dialog, and a
// message sent as the platform would (to a control or a dialog).
RecordingUi& recordingUi();
WindowHandle addWindow(int templateId, WindowHandle owner, MessageHandler handler);
intptr_t sendMessageTo(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Delivers posted messages until the queue is empty.
void pumpMessages();
// Delivers posted messages until `done` answers true or `ms` passed.
bool pumpUntil(bool (*done)(), uint32_t ms);
int countDelivered(uint32_t message);
int countBoxes(const char* caption);

// Sends a button command or draw request to a dialog as the platform would.
void clickButton(WindowHandle dialog, int controlId);
void drawButton(WindowHandle dialog, int controlId, uint32_t action, bool pressed);

}  // namespace viewer
