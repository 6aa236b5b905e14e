// bmpgen: draws the panels' bitmaps and icons from a readable description
// and writes them as 24-bit BMP (and ICO) files, plus a resource-script
// fragment that names each one under its resource number.
//
//   bmpgen DESCRIPTION OUTPUT_DIR
//
// Description lines (a line starting with # is a comment; colours are #RRGGBB or "key", the
// transparent key colour of the picture):
//   key COLOUR                the key colour of the pictures that follow
//                             (until the next key line; at first RGB(189, 190, 189))
//   bitmap ID NAME W H        start a bitmap (written as NAME.bmp)
//   icon ID NAME SIZE         start a square icon (key pixels transparent)
//   fill COLOUR               whole picture
//   rect X Y W H COLOUR
//   frame X Y W H COLOUR      one-pixel outline
//   round X Y W H R FACE EDGE rounded rectangle, key colour outside
//   vgrad X Y W H TOP BOTTOM  vertical gradient
//   ellipse X Y W H COLOUR
//   text X Y SCALE COLOUR "TEXT"   X or Y may be "c" to centre
// Letters are drawn from a built-in 5x7 font (upper and lower case, digits, . , / - + ! ? : ( ) ' and
// space); the descenders of g, j, p, q and y reach one row below the others.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Colour {
  uint8_t r, g, b;
  bool operator==(const Colour& o) const { return r == o.r && g == o.g && b == o.b; }
};
const Colour kDefaultKey = {189, 190, 189};

struct Picture {
  int id = 0;
  std::string name;
  bool icon = false;
  int width = 0, height = 0;
  Colour key = kDefaultKey;  // pixels of this colour are transparent
  std::vector<Colour> pixels;
  void put(int x, int y, Colour c) {
    if (x >= 0 && y >= 0 && x < width && y < height) pixels[static_cast<size_t>(y * width + x)] = c;
  }
};

// Seven rows from the top of the capitals to the baseline, and an eighth
// (null in most glyphs) for a descender.
struct Glyph {
  char ch;
  const char* rows[8];
};
const Glyph kFont[] = {
    {'A', {"01110", "10001", "10001", "11111", "10001", "10001", "10001"}},
    {'B', {"11110", "10001", "10001", "11110", "10001", "10001", "11110"}},
    {'C', {"01110", "10001", "10000", "10000", "10000", "10001", "01110"}},
    {'D', {"11110", "10001", "10001", "10001", "10001", "10001", "11110"}},
    {'E', {"11111", "10000", "10000", "11110", "10000", "10000", "11111"}},
    {'F', {"11111", "10000", "10000", "11110", "10000", "10000", "10000"}},
    {'G', {"01110", "10001", "10000", "10111", "10001", "10001", "01111"}},
    {'H', {"10001", "10001", "10001", "11111", "10001", "10001", "10001"}},
    {'I', {"01110", "00100", "00100", "00100", "00100", "00100", "01110"}},
    {'J', {"00111", "00010", "00010", "00010", "00010", "10010", "01100"}},
    {'K', {"10001", "10010", "10100", "11000", "10100", "10010", "10001"}},
    {'L', {"10000", "10000", "10000", "10000", "10000", "10000", "11111"}},
    {'M', {"10001", "11011", "10101", "10101", "10001", "10001", "10001"}},
    {'N', {"10001", "10001", "11001", "10101", "10011", "10001", "10001"}},
    {'O', {"01110", "10001", "10001", "10001", "10001", "10001", "01110"}},
    {'P', {"11110", "10001", "10001", "11110", "10000", "10000", "10000"}},
    {'Q', {"01110", "10001", "10001", "10001", "10101", "10010", "01101"}},
    {'R', {"11110", "10001", "10001", "11110", "10100", "10010", "10001"}},
    {'S', {"01111", "10000", "10000", "01110", "00001", "00001", "11110"}},
    {'T', {"11111", "00100", "00100", "00100", "00100", "00100", "00100"}},
    {'U', {"10001", "10001", "10001", "10001", "10001", "10001", "01110"}},
    {'V', {"10001", "10001", "10001", "10001", "10001", "01010", "00100"}},
    {'W', {"10001", "10001", "10001", "10101", "10101", "10101", "01010"}},
    {'X', {"10001", "10001", "01010", "00100", "01010", "10001", "10001"}},
    {'Y', {"10001", "10001", "01010", "00100", "00100", "00100", "00100"}},
    {'Z', {"11111", "00001", "00010", "00100", "01000", "10000", "11111"}},
    {'a', {"00000", "00000", "01110", "00001", "01111", "10001", "01111"}},
    {'b', {"10000", "10000", "10110", "11001", "10001", "10001", "11110"}},
    {'c', {"00000", "00000", "01110", "10000", "10000", "10001", "01110"}},
    {'d', {"00001", "00001", "01101", "10011", "10001", "10001", "01111"}},
    {'e', {"00000", "00000", "01110", "10001", "11111", "10000", "01110"}},
    {'f', {"00110", "01001", "01000", "11100", "01000", "01000", "01000"}},
    {'g', {"00000", "00000", "01111", "10001", "10001", "01111", "00001", "01110"}},
    {'h', {"10000", "10000", "10110", "11001", "10001", "10001", "10001"}},
    {'i', {"00100", "00000", "01100", "00100", "00100", "00100", "01110"}},
    {'j', {"00010", "00000", "00110", "00010", "00010", "00010", "10010", "01100"}},
    {'k', {"10000", "10000", "10010", "10100", "11000", "10100", "10010"}},
    {'l', {"01100", "00100", "00100", "00100", "00100", "00100", "01110"}},
    {'m', {"00000", "00000", "11010", "10101", "10101", "10001", "10001"}},
    {'n', {"00000", "00000", "10110", "11001", "10001", "10001", "10001"}},
    {'o', {"00000", "00000", "01110", "10001", "10001", "10001", "01110"}},
    {'p', {"00000", "00000", "11110", "10001", "10001", "11110", "10000", "10000"}},
    {'q', {"00000", "00000", "01111", "10001", "10001", "01111", "00001", "00001"}},
    {'r', {"00000", "00000", "10110", "11001", "10000", "10000", "10000"}},
    {'s', {"00000", "00000", "01111", "10000", "01110", "00001", "11110"}},
    {'t', {"01000", "01000", "11100", "01000", "01000", "01001", "00110"}},
    {'u', {"00000", "00000", "10001", "10001", "10001", "10011", "01101"}},
    {'v', {"00000", "00000", "10001", "10001", "10001", "01010", "00100"}},
    {'w', {"00000", "00000", "10001", "10001", "10101", "10101", "01010"}},
    {'x', {"00000", "00000", "10001", "01010", "00100", "01010", "10001"}},
    {'y', {"00000", "00000", "10001", "10001", "10001", "01111", "00001", "01110"}},
    {'z', {"00000", "00000", "11111", "00010", "00100", "01000", "11111"}},
    {'0', {"01110", "10001", "10011", "10101", "11001", "10001", "01110"}},
    {'1', {"00100", "01100", "00100", "00100", "00100", "00100", "01110"}},
    {'2', {"01110", "10001", "00001", "00010", "00100", "01000", "11111"}},
    {'3', {"11111", "00010", "00100", "00010", "00001", "10001", "01110"}},
    {'4', {"00010", "00110", "01010", "10010", "11111", "00010", "00010"}},
    {'5', {"11111", "10000", "11110", "00001", "00001", "10001", "01110"}},
    {'6', {"00110", "01000", "10000", "11110", "10001", "10001", "01110"}},
    {'7', {"11111", "00001", "00010", "00100", "01000", "01000", "01000"}},
    {'8', {"01110", "10001", "10001", "01110", "10001", "10001", "01110"}},
    {'9', {"01110", "10001", "10001", "01111", "00001", "00010", "01100"}},
    {'.', {"00000", "00000", "00000", "00000", "00000", "01100", "01100"}},
    {',', {"00000", "00000", "00000", "00000", "01100", "00100", "01000"}},
    {'/', {"00001", "00001", "00010", "00100", "01000", "10000", "10000"}},
    {'-', {"00000", "00000", "00000", "11111", "00000", "00000", "00000"}},
    {'+', {"00000", "00100", "00100", "11111", "00100", "00100", "00000"}},
    {'!', {"00100", "00100", "00100", "00100", "00100", "00000", "00100"}},
    {'?', {"01110", "10001", "00001", "00010", "00100", "00000", "00100"}},
    {':', {"00000", "01100", "01100", "00000", "01100", "01100", "00000"}},
    {'(', {"00010", "00100", "01000", "01000", "01000", "00100", "00010"}},
    {')', {"01000", "00100", "00010", "00010", "00010", "00100", "01000"}},
    {'\'', {"00100", "00100", "01000", "00000", "00000", "00000", "00000"}},
    {' ', {"00000", "00000", "00000", "00000", "00000", "00000", "00000"}},
};

const Glyph* glyphOf(char ch) {
  for (const Glyph& g : kFont)
    if (g.ch == ch) return &g;
  return nullptr;
}

bool parseColour(const std::string& word, Colour key, Colour* out) {
  if (word == "key") {
    *out = key;
    return true;
  }
  unsigned value = 0;
  if (word.size() != 7 || word[0] != '#' || std::sscanf(word.c_str() + 1, "%6x", &value) != 1) return false;
  *out = Colour{static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
  return true;
}

void fillRect(Picture& p, int x, int y, int w, int h, Colour c) {
  for (int j = y; j < y + h; ++j)
    for (int i = x; i < x + w; ++i) p.put(i, j, c);
}

// Inside test of a rounded rectangle, corner radius r.
bool insideRound(int i, int j, int x, int y, int w, int h, int r) {
  if (i < x || j < y || i >= x + w || j >= y + h) return false;
  int cx = i < x + r ? x + r : (i >= x + w - r ? x + w - r - 1 : i);
  int cy = j < y + r ? y + r : (j >= y + h - r ? y + h - r - 1 : j);
  int dx = i - cx, dy = j - cy;
  return dx * dx + dy * dy <= r * r;
}

void roundRect(Picture& p, int x, int y, int w, int h, int r, Colour face, Colour edge) {
  for (int j = y; j < y + h; ++j) {
    for (int i = x; i < x + w; ++i) {
      if (!insideRound(i, j, x, y, w, h, r)) {
        p.put(i, j, p.key);
      } else {
        bool border = !insideRound(i - 1, j, x, y, w, h, r) || !insideRound(i + 1, j, x, y, w, h, r) ||
                      !insideRound(i, j - 1, x, y, w, h, r) || !insideRound(i, j + 1, x, y, w, h, r);
        p.put(i, j, border ? edge : face);
      }
    }
  }
}

void ellipse(Picture& p, int x, int y, int w, int h, Colour c) {
  double rx = w / 2.0, ry = h / 2.0, cx = x + rx, cy = y + ry;
  for (int j = y; j < y + h; ++j)
    for (int i = x; i < x + w; ++i) {
      double dx = (i + 0.5 - cx) / rx, dy = (j + 0.5 - cy) / ry;
      if (dx * dx + dy * dy <= 1.0) p.put(i, j, c);
    }
}

void verticalGradient(Picture& p, int x, int y, int w, int h, Colour top, Colour bottom) {
  for (int j = 0; j < h; ++j) {
    int t = h > 1 ? j * 255 / (h - 1) : 0;
    Colour c{static_cast<uint8_t>((top.r * (255 - t) + bottom.r * t) / 255),
             static_cast<uint8_t>((top.g * (255 - t) + bottom.g * t) / 255),
             static_cast<uint8_t>((top.b * (255 - t) + bottom.b * t) / 255)};
    fillRect(p, x, y + j, w, 1, c);
  }
}

void text(Picture& p, const std::string& xs, const std::string& ys, int scale, Colour c, const std::string& s) {
  int width = static_cast<int>(s.size()) * 6 * scale - scale;
  int height = 7 * scale;
  int x = xs == "c" ? (p.width - width) / 2 : std::atoi(xs.c_str());
  int y = ys == "c" ? (p.height - height) / 2 : std::atoi(ys.c_str());
  for (size_t n = 0; n < s.size(); ++n) {
    const Glyph* g = glyphOf(s[n]);
    if (!g) continue;
    for (int row = 0; row < 8 && g->rows[row]; ++row)
      for (int col = 0; col < 5; ++col)
        if (g->rows[row][col] == '1')
          fillRect(p, x + (static_cast<int>(n) * 6 + col) * scale, y + row * scale, scale, scale, c);
  }
}

void put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

// 40-byte header and bottom-up 24-bit rows padded to 4 bytes.
void appendDib(std::vector<uint8_t>& out, const Picture& p, int headerHeight) {
  const uint32_t stride = static_cast<uint32_t>((p.width * 3 + 3) & ~3);
  put32(out, 40);
  put32(out, static_cast<uint32_t>(p.width));
  put32(out, static_cast<uint32_t>(headerHeight));
  put16(out, 1);
  put16(out, 24);
  put32(out, 0);
  put32(out, stride * static_cast<uint32_t>(p.height));
  put32(out, 2835);
  put32(out, 2835);
  put32(out, 0);
  put32(out, 0);
  for (int y = p.height - 1; y >= 0; --y) {
    for (int x = 0; x < p.width; ++x) {
      const Colour& c = p.pixels[static_cast<size_t>(y * p.width + x)];
      out.push_back(c.b);
      out.push_back(c.g);
      out.push_back(c.r);
    }
    for (uint32_t pad = static_cast<uint32_t>(p.width * 3); pad < stride; ++pad) out.push_back(0);
  }
}

std::vector<uint8_t> encodeBmp(const Picture& p) {
  std::vector<uint8_t> dib;
  appendDib(dib, p, p.height);
  std::vector<uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  put32(out, static_cast<uint32_t>(14 + dib.size()));
  put32(out, 0);
  put32(out, 14 + 40);
  out.insert(out.end(), dib.begin(), dib.end());
  return out;
}

// One-image icon: the colour DIB (double height) and a 1-bit AND mask that
// is set where the picture has the key colour.
std::vector<uint8_t> encodeIco(const Picture& p) {
  std::vector<uint8_t> image;
  appendDib(image, p, p.height * 2);
  const int maskStride = ((p.width + 31) / 32) * 4;
  for (int y = p.height - 1; y >= 0; --y) {
    std::vector<uint8_t> row(static_cast<size_t>(maskStride), 0);
    for (int x = 0; x < p.width; ++x)
      if (p.pixels[static_cast<size_t>(y * p.width + x)] == p.key) row[static_cast<size_t>(x / 8)] |= 0x80 >> (x % 8);
    image.insert(image.end(), row.begin(), row.end());
  }
  // Transparent pixels black in the colour part, as icons expect.
  std::vector<uint8_t> out;
  put16(out, 0);
  put16(out, 1);
  put16(out, 1);
  out.push_back(static_cast<uint8_t>(p.width));
  out.push_back(static_cast<uint8_t>(p.height));
  out.push_back(0);
  out.push_back(0);
  put16(out, 1);
  put16(out, 24);
  put32(out, static_cast<uint32_t>(image.size()));
  put32(out, 6 + 16);
  out.insert(out.end(), image.begin(), image.end());
  return out;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

// Splits a line into words; a double-quoted part is one word.
std::vector<std::string> words(const std::string& line) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    if (i >= line.size() || (out.empty() && line[i] == '#')) break;
    if (line[i] == '"') {
      size_t end = line.find('"', i + 1);
      if (end == std::string::npos) end = line.size();
      out.push_back(line.substr(i + 1, end - i - 1));
      i = end + 1;
    } else {
      size_t end = i;
      while (end < line.size() && !std::isspace(static_cast<unsigned char>(line[end]))) ++end;
      out.push_back(line.substr(i, end - i));
      i = end;
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bmpgen DESCRIPTION OUTPUT_DIR\n");
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::fprintf(stderr, "bmpgen: cannot read %s\n", argv[1]);
    return 1;
  }
  const std::string dir = argv[2];
  std::vector<Picture> pictures;
  Colour key = kDefaultKey;
  std::string line;
  int lineNumber = 0;
  auto fail = [&](const char* why) {
    std::fprintf(stderr, "%s:%d: %s\n", argv[1], lineNumber, why);
    return 1;
  };
  while (std::getline(in, line)) {
    ++lineNumber;
    std::vector<std::string> w = words(line);
    if (w.empty()) continue;
    const std::string& op = w[0];
    auto num = [&](size_t k) { return k < w.size() ? std::atoi(w[k].c_str()) : 0; };
    auto colour = [&](size_t k, Colour* c) {
      return k < w.size() && parseColour(w[k], pictures.empty() ? key : pictures.back().key, c);
    };
    if (op == "key") {
      if (w.size() != 2 || !parseColour(w[1], key, &key)) return fail("bad key colour");
      continue;
    }
    if (op == "bitmap" || op == "icon") {
      if (w.size() != (op == "bitmap" ? 5u : 4u)) return fail("bad picture header");
      Picture p;
      p.id = num(1);
      p.name = w[2];
      p.icon = op == "icon";
      p.width = num(3);
      p.height = p.icon ? p.width : num(4);
      if (p.width <= 0 || p.height <= 0 || p.width > 4096 || p.height > 4096) return fail("bad size");
      p.key = key;
      p.pixels.assign(static_cast<size_t>(p.width * p.height), key);
      pictures.push_back(p);
      continue;
    }
    if (pictures.empty()) return fail("drawing before any picture");
    Picture& p = pictures.back();
    Colour a{}, b{};
    if (op == "fill" && colour(1, &a)) {
      fillRect(p, 0, 0, p.width, p.height, a);
    } else if (op == "rect" && colour(5, &a)) {
      fillRect(p, num(1), num(2), num(3), num(4), a);
    } else if (op == "frame" && colour(5, &a)) {
      fillRect(p, num(1), num(2), num(3), 1, a);
      fillRect(p, num(1), num(2) + num(4) - 1, num(3), 1, a);
      fillRect(p, num(1), num(2), 1, num(4), a);
      fillRect(p, num(1) + num(3) - 1, num(2), 1, num(4), a);
    } else if (op == "round" && colour(6, &a) && colour(7, &b)) {
      roundRect(p, num(1), num(2), num(3), num(4), num(5), a, b);
    } else if (op == "vgrad" && colour(5, &a) && colour(6, &b)) {
      verticalGradient(p, num(1), num(2), num(3), num(4), a, b);
    } else if (op == "ellipse" && colour(5, &a)) {
      ellipse(p, num(1), num(2), num(3), num(4), a);
    } else if (op == "text" && w.size() == 6 && colour(4, &a)) {
      text(p, w[1], w[2], num(3) > 0 ? num(3) : 1, a, w[5]);
    } else {
      return fail("unknown or malformed drawing command");
    }
  }
  std::string rc;
  for (const Picture& p : pictures) {
    std::string file = dir + "/" + p.name + (p.icon ? ".ico" : ".bmp");
    if (!writeFile(file, p.icon ? encodeIco(p) : encodeBmp(p))) {
      std::fprintf(stderr, "bmpgen: cannot write %s\n", file.c_str());
      return 1;
    }
    rc += std::to_string(p.id) + (p.icon ? " ICON \"" : " BITMAP \"") + file + "\"\n";
  }
  if (!writeFile(dir + "/bitmaps.rc", std::vector<uint8_t>(rc.begin(), rc.end()))) return 1;
  return 0;
}
