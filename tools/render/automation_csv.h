// Automation files: CSV rows "seconds,parameter,value", one parameter change per row, the
// way a host plays back automation. The parameter is a name or an index; the value is
// normalised 0..1. Blank lines and lines starting with '#' are skipped, and a first row
// whose time is not a number is taken as a header.
#pragma once

#include <istream>
#include <string>
#include <vector>

namespace render {

struct AutomationRow {
  double seconds = 0.0;
  std::string parameter;
  float value = 0.0f;
  int line = 0;  // 1-based line in the file, for error messages
};

// Rows in time order (rows with the same time keep their file order). Throws RenderError
// "FILE:LINE: problem" for a malformed row, a negative or non-finite time, or a value
// outside 0..1.
std::vector<AutomationRow> parseAutomation(std::istream& in, const std::string& fileName);

// Opens and parses a file; an unreadable file is a RenderError too.
std::vector<AutomationRow> loadAutomation(const std::string& path);

}  // namespace render
