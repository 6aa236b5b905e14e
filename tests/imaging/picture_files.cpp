#include "tests/imaging/picture_files.h"

#include <sys/stat.h>
#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

std::vector<uint8_t> testPicture(int32_t width, int32_t height) {
  std::vector<uint8_t> p(static_cast<size_t>(width) * height * 3);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      uint8_t* px = &p[(static_cast<size_t>(y) * width + x) * 3];
      const bool band = y < height / 4;
      px[0] = static_cast<uint8_t>(band ? 20 : 60 + 180 * x / width);   // blue
      px[1] = static_cast<uint8_t>(band ? 30 : 40 + 200 * y / height);  // green
      px[2] = static_cast<uint8_t>(band ? 40 : 230 - 150 * x / width);  // red
    }
  return p;
}

namespace {
uint32_t le32(const std::string& b, size_t at) {
  return static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8 | static_cast<uint8_t>(b[at + 2]) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}
}  // namespace

bool readBmp(const std::string& path, DecodedPicture* out) {
  const std::string b = fileBytes(path);
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || le32(b, 2) != b.size()) return false;
  const uint32_t offset = le32(b, 10);
  out->width = static_cast<int32_t>(le32(b, 18));
  const int32_t height = static_cast<int32_t>(le32(b, 22));
  out->bitsPerPixel = static_cast<uint8_t>(b[28]) | static_cast<uint8_t>(b[29]) << 8;
  if (le32(b, 14) != 40 || le32(b, 30) != 0 || out->bitsPerPixel != 24 || out->width <= 0 || height == 0) return false;
  out->height = height < 0 ? -height : height;
  const size_t stride = (static_cast<size_t>(out->width) * 3 + 3) / 4 * 4;
  if (b.size() < offset + stride * out->height) return false;
  out->pixels.resize(static_cast<size_t>(out->width) * out->height * 3);
  for (int32_t y = 0; y < out->height; ++y) {
    const size_t fileRow = height > 0 ? static_cast<size_t>(out->height - 1 - y) : static_cast<size_t>(y);
    std::copy(b.begin() + offset + fileRow * stride, b.begin() + offset + fileRow * stride + out->width * 3,
              out->pixels.begin() + static_cast<size_t>(y) * out->width * 3);
  }
  return true;
}

double meanError(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  if (a.size() != b.size() || a.empty()) return 1e9;
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) sum += a[i] > b[i] ? a[i] - b[i] : b[i] - a[i];
  return sum / static_cast<double>(a.size());
}

std::vector<uint8_t> upsideDown(const std::vector<uint8_t>& picture, int32_t width, int32_t height) {
  std::vector<uint8_t> turned(picture.size());
  const size_t row = static_cast<size_t>(width) * 3;
  for (int32_t y = 0; y < height; ++y)
    std::copy(picture.begin() + y * row, picture.begin() + (y + 1) * row, turned.begin() + (height - 1 - y) * row);
  return turned;
}

std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool fileExists(const std::string& path) { return std::filesystem::exists(path); }

void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

namespace {

// Empties and removes a folder, read-only files and all.
void removeFolder(const std::filesystem::path& folder) {
  std::error_code ignored;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, ignored))
    std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(folder, ignored);
}

// The folders of one test process live in a folder of that process's own
// under the temporary folder, named after its process id: two test runs at
// once (the same program from two checkouts, or the save tests beside the
// imaging tests) must never empty or fill each other's folders. It goes
// when the process ends.
struct ProcessFolder {
  std::filesystem::path path;
  ProcessFolder() {
    path = std::filesystem::temp_directory_path() / ("zel-tests-" + std::to_string(processId()));
    removeFolder(path);  // left by an earlier process of the same id
  }
  ~ProcessFolder() { removeFolder(path); }
  static long processId() {
#ifdef _WIN32
    return _getpid();
#else
    return getpid();
#endif
  }
};

}  // namespace

std::string freshFolder(const std::string& name) {
  static ProcessFolder processFolder;
  std::filesystem::path folder = processFolder.path / name;
  removeFolder(folder);
  std::filesystem::create_directories(folder);
  return folder.string();
}

std::vector<std::string> filesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

void setReadOnly(const std::string& path, bool readOnly) {
  std::filesystem::permissions(path, std::filesystem::perms::owner_write,
                               readOnly ? std::filesystem::perm_options::remove : std::filesystem::perm_options::add);
}
