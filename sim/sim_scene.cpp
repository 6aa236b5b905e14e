// The simulated camera's picture: a document lying under the camera, made of
// row templates built once at construction and composed row by row on
// demand (no frame buffer). Rows are Y0 Cr Y1 Cb groups.
//
// Scene, top to bottom: dark desk border, a heading bar, text lines, a chart
// of eight colour patches, a grey ramp of sixteen steps, and a red marker
// that moves one step to the right at every hold. Polarity inverts every
// byte, 180 degrees turns the rows round, a quarter turn shows the scene
// turned sideways (row 0 is then a black sync row, the row the host drops),
// an external input shows colour bars, and an input without sync a blue
// screen. The divided screen draws a divider and the recalled memory's
// marker on its right half, the multi screen a 3 x 3 grid.
#include <string.h>

#include "sim/sim_camera.h"

namespace sim {

namespace {

struct Colour {
  uint8_t y, cr, cb;
};

constexpr Colour kDesk = {60, 134, 120};
constexpr Colour kPaper = {230, 129, 126};
constexpr Colour kInk = {40, 128, 128};
constexpr Colour kMarker = {81, 240, 90};
constexpr Colour kLine = {30, 128, 128};
constexpr Colour kNoSync = {41, 110, 240};
constexpr Colour kBlack = {16, 128, 128};
constexpr uint8_t markerColour[3] = {kMarker.y, kMarker.cr, kMarker.cb};
constexpr Colour kChart[8] = {{235, 128, 128}, {210, 146, 16}, {170, 16, 166}, {145, 34, 54},
                          {106, 222, 202}, {81, 240, 90},  {41, 110, 240}, {16, 128, 128}};

enum RowKind : uint8_t {
  kRowDesk = 0,
  kRowPaper = 1,
  kRowHeading = 2,
  kRowTextBars = 3,    // 3..10: bar row of text layout 0..7
  kRowTextStems = 11,  // 11..18: stem row of text layout 0..7
  kRowChart = 19,
  kRowRamp = 20,
  kRowBars = 21,       // external input
  kRowNoSync = 22,
  kRowBlack = 23,
};
const int kTextLayouts = 8;

// Positions in base pixels, derived from the base size.
struct Layout {
  uint32_t width, height;
  uint32_t deskX, deskY;
  uint32_t left, right;  // text, chart and ramp columns
  uint32_t markerTop, markerSize, markerSpan, markerStep;
};

Layout layoutOf(const SimCamera* camera) {
  Layout l;
  l.width = camera->baseWidth;
  l.height = camera->baseHeight;
  l.deskX = (l.width / 16) & ~1u;
  l.deskY = l.height / 24;
  l.left = (l.width / 8) & ~1u;
  l.right = (l.width * 7 / 8) & ~1u;
  l.markerTop = l.height * 26 / 32;
  l.markerSize = (l.height * 3 / 32) & ~1u;
  l.markerSpan = l.right - l.left - l.markerSize;
  l.markerStep = (l.width / 32) & ~1u;
  return l;
}

void setPixel(uint8_t* row, uint32_t x, Colour c) {
  uint8_t* group = row + (x & ~1u) * 2;
  group[(x & 1) ? 2 : 0] = c.y;
  group[1] = c.cr;
  group[3] = c.cb;
}

void fillSpan(uint8_t* row, uint32_t from, uint32_t to, Colour c) {
  for (uint32_t x = from; x < to; ++x) setPixel(row, x, c);
}

void paperRow(uint8_t* row, const Layout& l) {
  fillSpan(row, 0, l.width, kDesk);
  fillSpan(row, l.deskX, l.width - l.deskX, kPaper);
}

// Words of one text line: a deterministic sequence of lengths and gaps.
void textRow(uint8_t* row, const Layout& l, int layout, bool bars) {
  paperRow(row, l);
  uint32_t seed = 2654435761u * static_cast<uint32_t>(layout + 1);
  uint32_t scale = l.width / 256;  // 4 at 1024, 5 at 1280
  uint32_t x = l.left;
  while (x < l.right) {
    seed = seed * 1103515245u + 12345u;
    uint32_t word = (3 + (seed >> 16) % 9) * 2 * scale;  // letters of two units
    uint32_t end = x + word < l.right ? x + word : l.right;
    for (uint32_t p = x; p < end; ++p) {
      uint32_t cell = (p - x) % (2 * scale);
      bool ink = bars ? cell < 2 * scale - scale / 2 : (cell < 2 || (cell >= scale && cell < scale + 1));
      if (ink) setPixel(row, p, kInk);
    }
    x = end + 2 * scale;
  }
}

void buildRowKinds(SimCamera* camera, const Layout& l) {
  uint32_t h = l.height;
  uint32_t headingTop = h * 3 / 32, headingEnd = headingTop + h / 24;
  uint32_t textTop = h * 6 / 32, textEnd = h * 18 / 32, pitch = h / 32, ink = pitch * 5 / 8;
  uint32_t chartTop = h * 19 / 32, chartEnd = h * 22 / 32;
  uint32_t rampTop = h * 23 / 32, rampEnd = h * 25 / 32;
  for (uint32_t y = 0; y < h; ++y) {
    uint8_t kind = kRowPaper;
    if (y < l.deskY || y >= h - l.deskY) {
      kind = kRowDesk;
    } else if (y >= headingTop && y < headingEnd) {
      kind = kRowHeading;
    } else if (y >= textTop && y < textEnd) {
      uint32_t line = (y - textTop) / pitch, r = (y - textTop) % pitch;
      int layout = static_cast<int>(line % kTextLayouts);
      if (r < ink) kind = static_cast<uint8_t>((r == 0 || r == ink / 2 || r == ink - 1 ? kRowTextBars : kRowTextStems) + layout);
    } else if (y >= chartTop && y < chartEnd) {
      kind = kRowChart;
    } else if (y >= rampTop && y < rampEnd) {
      kind = kRowRamp;
    }
    camera->rowKind[y] = kind;
  }
}

uint32_t markerX(const Layout& l, uint32_t counter) {
  return l.left + ((counter * l.markerStep) % l.markerSpan & ~1u);
}

// Overlays of the picture on base row y (already holding its template).
void overlayRow(uint8_t* row, const Layout& l, const SimPicture& picture, uint32_t y, bool paper) {
  bool markerRow = y >= l.markerTop && y < l.markerTop + l.markerSize;
  uint32_t live = picture.recall ? picture.memoryCounter : picture.counter;
  uint32_t half = (l.width / 2) & ~1u;
  if (picture.divide) {
    if (markerRow) {
      uint32_t x = markerX(l, live);
      if (x < half) fillSpan(row, x, x + l.markerSize < half ? x + l.markerSize : half, kMarker);
      x = markerX(l, picture.memoryCounter);
      if (x + l.markerSize > half) fillSpan(row, x > half ? x : half, x + l.markerSize, kMarker);
    }
    if (paper) fillSpan(row, half - 2, half + 2, kLine);
    return;
  }
  if (markerRow) {
    uint32_t x = markerX(l, live);
    fillSpan(row, x, x + l.markerSize, kMarker);
  }
  if (picture.multi) {
    uint32_t third = (l.width / 3) & ~1u, thirdY = l.height / 3;
    if ((y >= thirdY - 2 && y < thirdY + 2) || (y >= 2 * thirdY - 2 && y < 2 * thirdY + 2)) {
      fillSpan(row, 0, l.width, kLine);
    } else {
      fillSpan(row, third - 2, third + 2, kLine);
      fillSpan(row, 2 * third - 2, 2 * third + 2, kLine);
    }
  }
}

uint8_t sceneKindFor(const SimPicture& picture, uint8_t kind) {
  if (picture.input == kInputNoSync1 || picture.input == kInputNoSync2) return kRowNoSync;
  if (picture.input == kInputExt1 || picture.input == kInputExt2) return kRowBars;
  return kind;
}

// Base row y of the picture, upright, into `row` (base width).
void composeBaseRow(const SimCamera* camera, const Layout& l, const SimPicture& picture, uint32_t y, uint8_t* row) {
  uint8_t kind = sceneKindFor(picture, camera->rowKind[y]);
  memcpy(row, camera->templates[kind], l.width * 2);
  if (kind != kRowBars && kind != kRowNoSync) overlayRow(row, l, picture, y, kind != kRowDesk);
}

// Output row `oy` of the picture at divisor d, `outWidth` pixels.
void composeRow(const SimCamera* camera, const Layout& l, const SimPicture& picture, uint32_t d, uint32_t oy,
                uint8_t* out) {
  uint32_t outWidth = l.width / d, outHeight = l.height / d;
  if (picture.rotation & 1) {
    if (oy == 0) {
      for (uint32_t g = 0; g < outWidth / 2; ++g) {
        out[4 * g] = out[4 * g + 2] = kBlack.y;
        out[4 * g + 1] = kBlack.cr;
        out[4 * g + 3] = kBlack.cb;
      }
      return;
    }
    // Turned a quarter (the scene squeezed to the frame's shape): the output
    // row is base column sx, read down the rows. Every base row of one kind
    // has the same colour in that column, so look the kinds up once.
    bool clockwise = picture.rotation == 1;
    uint32_t sx = (clockwise ? oy : outHeight - 1 - oy) * l.width / outHeight;
    uint8_t colour[kSimRowKinds][3];
    for (uint32_t k = 0; k < kSimRowKinds; ++k) {
      uint8_t kind = sceneKindFor(picture, static_cast<uint8_t>(k));
      const uint8_t* group = camera->templates[kind] + (sx & ~1u) * 2;
      colour[k][0] = group[(sx & 1) ? 2 : 0];
      colour[k][1] = group[1];
      colour[k][2] = group[3];
    }
    uint32_t live = picture.recall ? picture.memoryCounter : picture.counter;
    uint32_t mx = markerX(l, live);
    bool markerColumn = picture.input == kInputInternal && sx >= mx && sx < mx + l.markerSize;
    uint32_t step = (l.height << 16) / outWidth;  // base rows per output column, 16.16
    for (uint32_t ox = 0; ox < outWidth; ++ox) {
      uint32_t sy = ((clockwise ? outWidth - 1 - ox : ox) * step) >> 16;
      const uint8_t* c = colour[camera->rowKind[sy]];
      if (markerColumn && sy >= l.markerTop && sy < l.markerTop + l.markerSize) c = markerColour;
      uint8_t* group = out + (ox & ~1u) * 2;
      group[(ox & 1) ? 2 : 0] = c[0];
      if ((ox & 1) == 0) {
        group[1] = c[1];
        group[3] = c[2];
      }
    }
    return;
  }
  bool turned = picture.rotation == 2;
  uint32_t row = turned ? outHeight - 1 - oy : oy;
  if (d == 1 && !turned) {
    composeBaseRow(camera, l, picture, row, out);
    return;
  }
  uint8_t base[kSimMaxBaseWidth * 2];
  composeBaseRow(camera, l, picture, row * d, base);
  uint32_t groups = outWidth / 2;
  for (uint32_t g = 0; g < groups; ++g) {
    // Output pixels 2g and 2g+1 sample base pixels 2g*d and (2g+1)*d.
    uint32_t src = turned ? groups - 1 - g : g;
    const uint8_t* left = base + (2 * src * d) * 2;
    const uint8_t* right = base + ((2 * src + 1) * d & ~1u) * 2 + (((2 * src + 1) * d & 1) ? 2 : 0);
    uint8_t y0 = left[0], y1 = d == 1 ? left[2] : right[0];
    out[4 * g] = turned ? y1 : y0;
    out[4 * g + 1] = left[1];
    out[4 * g + 2] = turned ? y0 : y1;
    out[4 * g + 3] = left[3];
  }
}

void invert(uint8_t* bytes, uint32_t count) {
  uint32_t n = 0;
  for (; n + 8 <= count; n += 8) {
    uint64_t word;
    memcpy(&word, bytes + n, 8);
    word = ~word;
    memcpy(bytes + n, &word, 8);
  }
  for (; n < count; ++n) bytes[n] = static_cast<uint8_t>(~bytes[n]);
}

void generateKnown(const SimPicture& picture, uint32_t offset, uint8_t* out, uint32_t count) {
  uint32_t n = 0;
  while (n < count) {
    uint32_t at = offset + n;
    uint8_t group[4];
    knownContentGroup(at / 4, picture.counter, group);
    if ((at & 3) == 0 && count - n >= 4) {
      memcpy(out + n, group, 4);
      n += 4;
    } else {
      out[n++] = group[at & 3];
    }
  }
}

}  // namespace

void buildSceneTemplates(SimCamera* camera) {
  Layout l = layoutOf(camera);
  buildRowKinds(camera, l);
  fillSpan(camera->templates[kRowDesk], 0, l.width, kDesk);
  paperRow(camera->templates[kRowPaper], l);
  paperRow(camera->templates[kRowHeading], l);
  fillSpan(camera->templates[kRowHeading], l.left, (l.width * 5 / 8) & ~1u, kInk);
  for (int layout = 0; layout < kTextLayouts; ++layout) {
    textRow(camera->templates[kRowTextBars + layout], l, layout, true);
    textRow(camera->templates[kRowTextStems + layout], l, layout, false);
  }
  uint8_t* chart = camera->templates[kRowChart];
  paperRow(chart, l);
  uint32_t patch = (l.right - l.left) / 8;
  for (uint32_t p = 0; p < 8; ++p) fillSpan(chart, l.left + p * patch + 2, l.left + (p + 1) * patch - 2, kChart[p]);
  uint8_t* ramp = camera->templates[kRowRamp];
  paperRow(ramp, l);
  uint32_t step = (l.right - l.left) / 16;
  for (uint32_t s = 0; s < 16; ++s) {
    Colour grey = {static_cast<uint8_t>(16 + s * 219 / 15), 128, 128};
    fillSpan(ramp, l.left + s * step, l.left + (s + 1) * step, grey);
  }
  uint32_t bar = l.width / 8;
  for (uint32_t p = 0; p < 8; ++p) fillSpan(camera->templates[kRowBars], p * bar, (p + 1) * bar, kChart[p]);
  fillSpan(camera->templates[kRowNoSync], 0, l.width, kNoSync);
  fillSpan(camera->templates[kRowBlack], 0, l.width, kBlack);
}

uint32_t frameWidth(const SimCamera* camera, int sizeIndex) {
  return camera->baseWidth / (sizeIndex == 2 ? 4u : sizeIndex == 1 ? 2u : 1u);
}

uint32_t frameHeight(const SimCamera* camera, int sizeIndex) {
  return camera->baseHeight / (sizeIndex == 2 ? 4u : sizeIndex == 1 ? 2u : 1u);
}

uint32_t frameBytes(const SimCamera* camera, int sizeIndex) {
  return frameWidth(camera, sizeIndex) * frameHeight(camera, sizeIndex) * 2;
}

void generateFrame(const SimCamera* camera, const SimPicture& picture, int sizeIndex, uint32_t offset, uint8_t* out,
                   uint32_t count) {
  uint32_t total = frameBytes(camera, sizeIndex);
  if (offset >= total) return;
  if (count > total - offset) count = total - offset;
  if (camera->content == kContentKnown) {
    generateKnown(picture, offset, out, count);
    return;
  }
  Layout l = layoutOf(camera);
  uint32_t d = sizeIndex == 2 ? 4 : sizeIndex == 1 ? 2 : 1;
  uint32_t rowBytes = frameWidth(camera, sizeIndex) * 2;
  uint32_t n = 0;
  while (n < count) {
    uint32_t at = offset + n;
    uint32_t oy = at / rowBytes, column = at % rowBytes;
    uint32_t take = rowBytes - column < count - n ? rowBytes - column : count - n;
    if (take == rowBytes) {
      composeRow(camera, l, picture, d, oy, out + n);
    } else {
      uint8_t row[kSimMaxBaseWidth * 2];
      composeRow(camera, l, picture, d, oy, row);
      memcpy(out + n, row + column, take);
    }
    n += take;
  }
  if (picture.negative) invert(out, count);
}

}  // namespace sim
