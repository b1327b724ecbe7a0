#include "automation_csv.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>

#include "render_error.h"
#include "text_fields.h"

namespace render {
namespace {

// A field without surrounding blanks or double quotes.
std::string fieldText(const std::string& text) {
  std::string field = trimmed(text);
  if (field.size() >= 2 && field.front() == '"' && field.back() == '"')
    field = field.substr(1, field.size() - 2);
  return field;
}

std::vector<std::string> splitFields(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (true) {
    const auto comma = line.find(',', start);
    fields.push_back(fieldText(line.substr(start, comma - start)));
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

    const std::optional<double> seconds = parseDecimal(fields[0]);
    if (!seconds && isFirst) continue;  // header row
    if (fields.size() != 3) fail("expected seconds,parameter,value");
    if (!seconds || *seconds < 0.0)
      fail("time \"" + fields[0] + "\" is not a number of seconds from 0");
    if (fields[1].empty()) fail("missing parameter name or index");
    const std::optional<double> value = parseDecimal(fields[2]);
    if (!value || !(*value >= 0.0 && *value <= 1.0))
      fail("value \"" + fields[2] + "\" is not a normalised value from 0 to 1");
    rows.push_back({*seconds, fields[1], static_cast<float>(*value), lineNumber});
  }
  if (in.bad()) throw RenderError(fileName + ": read error");

  std::stable_sort(rows.begin(), rows.end(), [](const AutomationRow& a, const AutomationRow& b) {
    return a.seconds < b.seconds;
  });
  return rows;
}

std::vector<AutomationRow> loadAutomation(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw RenderError("cannot read automation file " + path + ": " + std::strerror(errno));
  return parseAutomation(in, path);
}

}  // namespace render
