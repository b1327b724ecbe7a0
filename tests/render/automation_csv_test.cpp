// Automation files: rows, header, comments, ordering and the errors users will meet.
#include "automation_csv.h"

#include <gtest/gtest.h>

#include <sstream>

#include "render_error.h"

using namespace render;

namespace {
std::vector<AutomationRow> parseText(const std::string& text) {
  std::istringstream in(text);
  return parseAutomation(in, "moves.csv");
}

std::string errorOf(const std::string& text) {
  try {
    parseText(text);
  } catch (const RenderError& e) {
    return e.what();
  }
  return "";
}
}  // namespace

TEST(AutomationCsv, ReadsRowsSkipsHeaderAndCommentsAndSortsStably) {
  const auto rows = parseText(
      "seconds,parameter,value\r\n"
      "# sweep to the right\n"
      "\n"
      "2.0, angle, 0.75\n"
      "0.5,\"point 1 value\",0\n"
      "2.0,6,1\n");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_DOUBLE_EQ(rows[0].seconds, 0.5);
  EXPECT_EQ(rows[0].parameter, "point 1 value");
  EXPECT_EQ(rows[1].parameter, "angle");  // same time: file order kept
  EXPECT_FLOAT_EQ(rows[1].value, 0.75f);
  EXPECT_EQ(rows[1].line, 4);
  EXPECT_EQ(rows[2].parameter, "6");
}

TEST(AutomationCsv, ReportsTheLineOfABadRow) {
  EXPECT_EQ(errorOf("0,angle,0.5\n1,angle\n"), "moves.csv:2: expected seconds,parameter,value");
  EXPECT_EQ(errorOf("0,angle,1.5\n"),
            "moves.csv:1: value \"1.5\" is not a normalised value from 0 to 1");
  EXPECT_NE(errorOf("0,angle,0\n-1,angle,0\n").find("moves.csv:2: time"), std::string::npos);
  EXPECT_NE(errorOf("0,angle,0\nsoon,angle,0\n").find("moves.csv:2: time"), std::string::npos);
  EXPECT_NE(errorOf("0,,0\n").find("missing parameter"), std::string::npos);
  EXPECT_NE(errorOf("0,angle,nan\n").find("not a normalised value"), std::string::npos);
}

TEST(AutomationCsv, MissingFileIsAnError) {
  EXPECT_THROW(loadAutomation("/nonexistent/moves.csv"), RenderError);
}
