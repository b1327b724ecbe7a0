#include "automation_csv.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <optional>

#include "render_error.h"

namespace render {
namespace {

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  std::string field = text.substr(first, last - first + 1);
  if (field.size() >= 2 && field.front() == '"' && field.back() == '"')
    field = field.substr(1, field.size() - 2);
  return field;
}

std::optional<double> number(const std::string& text) {
  double value = 0.0;
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (begin != end && *begin == '+') ++begin;
  auto [ptr, ec] = std::from_chars(begin, end, value);
  if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

std::vector<std::string> splitFields(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (true) {
    const auto comma = line.find(',', start);
    fields.push_back(trimmed(line.substr(start, comma - start)));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return fields;
}

}  // namespace

std::vector<AutomationRow> parseAutomation(std::istream& in, const std::string& fileName) {
  std::vector<AutomationRow> rows;
  std::string line;
  int lineNumber = 0;
  bool firstRow = true;
  auto fail = [&](const std::string& problem) {
    throw RenderError(fileName + ":" + std::to_string(lineNumber) + ": " + problem);
  };

  while (std::getline(in, line)) {
    ++lineNumber;
    const std::string content = trimmed(line);
    if (content.empty() || content[0] == '#') continue;
    const std::vector<std::string> fields = splitFields(line);
    const bool isFirst = firstRow;
    firstRow = false;

    const std::optional<double> seconds = number(fields[0]);
    if (!seconds && isFirst) continue;  // header row
    if (fields.size() != 3) fail("expected seconds,parameter,value");
    if (!seconds || !std::isfinite(*seconds) || *seconds < 0.0)
      fail("time \"" + fields[0] + "\" is not a number of seconds from 0");
    if (fields[1].empty()) fail("missing parameter name or index");
    const std::optional<double> value = number(fields[2]);
    if (!value || !(*value >= 0.0 && *value <= 1.0))
      fail("value \"" + fields[2] + "\" is not a normalised value from 0 to 1");
    rows.push_back({*seconds, fields[1], static_cast<float>(*value), lineNumber});
  }
  if (in.bad()) throw RenderError(fileName + ": read error");

  std::stable_sort(rows.begin(), rows.end(),
                   [](const AutomationRow& a, const AutomationRow& b) { return a.seconds < b.seconds; });
  return rows;
}

std::vector<AutomationRow> loadAutomation(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw RenderError("cannot read automation file " + path + ": " + std::strerror(errno));
  return parseAutomation(in, path);
}

}  // namespace render
