// The user guide's troubleshooting tables against the program's own text
// tables. The tables of the guide are marked with HTML comments
// (<!-- messages -->, <!-- twain-first-parts -->, <!-- twain-second-parts -->,
// each ended by <!-- end -->); a row gives each text as code spans, one per
// line of the text, joined by <br>.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "devlink/link_texts.h"
#include "twain/source_texts.h"
#include "viewer/viewer_texts.h"

namespace {

struct GuideRow {
  std::string caption;  // first cell
  std::string text;     // second cell ("" when it holds no code span)
};

// The code spans of a cell, joined by newlines (one span per text line).
std::string spansOf(const std::string& cell) {
  std::string text;
  size_t at = 0;
  bool first = true;
  while ((at = cell.find('`', at)) != std::string::npos) {
    size_t end = cell.find('`', at + 1);
    if (end == std::string::npos) break;
    if (!first) text += '\n';
    text += cell.substr(at + 1, end - at - 1);
    first = false;
    at = end + 1;
  }
  return text;
}

std::vector<std::string> cellsOf(const std::string& line) {
  std::vector<std::string> cells;
  std::stringstream in(line.substr(1));
  std::string cell;
  while (std::getline(in, cell, '|')) cells.push_back(cell);
  return cells;
}

// The rows of the marked table (header and rule rows have no code span).
std::vector<GuideRow> guideRows(const char* marker) {
  std::ifstream file(ZEL_USER_GUIDE);
  EXPECT_TRUE(file.good()) << "cannot read " << ZEL_USER_GUIDE;
  std::vector<GuideRow> rows;
  std::string line;
  bool inside = false;
  const std::string begin = std::string("<!-- ") + marker + " -->";
  while (std::getline(file, line)) {
    if (line.find(begin) != std::string::npos) inside = true;
    else if (line.find("<!-- end -->") != std::string::npos) inside = false;
    else if (inside && !line.empty() && line[0] == '|') {
      std::vector<std::string> cells = cellsOf(line);
      if (cells.empty() || cells[0].find('`') == std::string::npos) continue;
      rows.push_back({spansOf(cells[0]), cells.size() > 1 ? spansOf(cells[1]) : std::string()});
    }
  }
  EXPECT_FALSE(rows.empty()) << "no rows under " << begin;
  return rows;
}

// A text as the program shows it: a format with "%s" stands for any short
// word there (the guide gives an example).
bool textMatches(const char* program, const std::string& guide) {
  const char* slot = std::strstr(program, "%s");
  if (!slot) return guide == program;
  const std::string head(program, slot), tail(slot + 2);
  if (guide.size() < head.size() + tail.size() + 1) return false;
  const size_t middle = guide.size() - head.size() - tail.size();
  return middle <= 4 && guide.compare(0, head.size(), head) == 0 &&
         guide.compare(guide.size() - tail.size(), tail.size(), tail) == 0 &&
         guide.substr(head.size(), middle).find('\n') == std::string::npos;
}

std::vector<devlink::MessageText> programMessages() {
  std::vector<devlink::MessageText> all(devlink::kLinkMessages, devlink::kLinkMessages + devlink::kLinkMessageCount);
  all.insert(all.end(), viewer::kViewerMessages, viewer::kViewerMessages + viewer::kViewerMessageCount);
  return all;
}

bool rowIs(const GuideRow& row, const devlink::MessageText& message) {
  return row.caption == message.caption && textMatches(message.text, row.text);
}

TEST(UserGuideMessages, EveryMessageBoxOfTheViewerAndTheCameraLinkHasItsRow) {
  const std::vector<GuideRow> rows = guideRows("messages");
  for (const devlink::MessageText& message : programMessages()) {
    bool found = false;
    for (const GuideRow& row : rows) found = found || rowIs(row, message);
    EXPECT_TRUE(found) << "no row for [" << message.caption << "] [" << message.text << "]";
  }
  bool failureRow = false;
  for (const GuideRow& row : rows) failureRow = failureRow || row.caption == twain::kFailureCaption;
  EXPECT_TRUE(failureRow) << "no row for the data source's failure boxes";
}

TEST(UserGuideMessages, EveryRowIsAMessageBoxTheProgramShows) {
  const std::vector<devlink::MessageText> messages = programMessages();
  for (const GuideRow& row : guideRows("messages")) {
    // The data source's failure boxes are one row; their two parts have
    // tables of their own.
    if (row.caption == twain::kFailureCaption && row.text.empty()) continue;
    bool known = false;
    for (const devlink::MessageText& message : messages) known = known || rowIs(row, message);
    EXPECT_TRUE(known) << "the program shows no box [" << row.caption << "] [" << row.text << "]";
  }
}

// Both directions for a list of texts against one marked table.
void expectSameTexts(const char* marker, const std::vector<std::string>& program) {
  const std::vector<GuideRow> rows = guideRows(marker);
  for (const std::string& text : program) {
    bool found = false;
    for (const GuideRow& row : rows) found = found || row.caption == text;
    EXPECT_TRUE(found) << marker << ": no row for [" << text << "]";
  }
  for (const GuideRow& row : rows) {
    bool known = false;
    for (const std::string& text : program) known = known || row.caption == text;
    EXPECT_TRUE(known) << marker << ": the program has no text [" << row.caption << "]";
  }
}

TEST(UserGuideMessages, TheDataSourceFailurePartsAreExactlyTheProgramsOwn) {
  std::vector<std::string> first(twain::kFailureTexts, twain::kFailureTexts + twain::kFailureTextCount);
  expectSameTexts("twain-first-parts", first);
  std::vector<std::string> second;
  for (int i = 0; i < twain::kConditionTextCount; ++i) second.push_back(twain::kConditionTexts[i].text);
  second.push_back(twain::kUnknownConditionText);
  expectSameTexts("twain-second-parts", second);
}

}  // namespace
