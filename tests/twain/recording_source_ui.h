// A recording stand-in for the source window's operations: windows are
// numbers, every call is noted, posted messages wait in a queue that the
// test delivers (as the window's thread would), and the preview thread's
// paints and texts are counted.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "twain/source_ui.h"

namespace twain {

struct RecordedControl {
  bool visible = true;
  bool enabled = true;
  WindowRect rect = {0, 0, 0, 0};
};

struct RecordedDialog {
  int templateId = 0;
  MessageHandler handler = nullptr;
  bool alive = true;
  bool visible = false;
  WindowRect rect = {0, 0, 0, 0};
  std::string title;
  int icon = 0;
  std::map<int, RecordedControl> controls;
};

struct PostedMessage {
  WindowHandle window;
  uint32_t message;
  uintptr_t wParam;
};

struct KeyedDraw {
  int bitmapId;
  uint32_t keyColour;
};

struct RecordingSourceUi {
  int screenWidth = 1280, screenHeight = 1024, captionHeight = 19;
  std::map<intptr_t, RecordedDialog> dialogs;  // by window number
  std::vector<KeyedDraw> keyedDraws;
  std::vector<int> invalidations;

  std::mutex lock;  // guards what the preview thread touches below
  std::vector<PostedMessage> posted;
  std::vector<PostedMessage> delivered;
  std::atomic<int> paints{0};
  std::atomic<int> halftonePaints{0};
  std::atomic<int> captureNotes{0};
  std::atomic<int> handshakeNotes{0};
  WindowRect lastPaintRect = {0, 0, 0, 0};
  imaging::BitmapInfoHeader lastPaintHeader = {};
  std::string lastNoteText;
  uint32_t lastNoteColour = 0;
  int lastNoteX = 0, lastNoteY = 0;

  // Delivers the posted messages to their windows' handlers, on the
  // calling thread; returns how many.
  int pump();
  // Pumps until `done` or `ms` of real time have passed.
  bool pumpUntil(const std::function<bool()>& done, uint32_t ms = 10000);
  int deliveredCount(uint32_t message, uintptr_t wParam = ~uintptr_t(0));
  // The window's control `id` (created on first use).
  RecordedControl& control(WindowHandle window, int id);
};

WindowHandle handleOf(intptr_t number);
intptr_t numberOf(WindowHandle window);
// The control's handle encodes its window and id.
int controlIdOf(WindowHandle control);

RecordingSourceUi& installRecordingSourceUi();
void removeRecordingSourceUi();

}  // namespace twain
