// The progress bar: silent when disabled or for quick renders, one line ending at 100%
// otherwise.
#include "progress_bar.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using render::ProgressBar;

namespace {

std::string drawn(bool enabled, double showAfterSeconds, int steps) {
  std::FILE* file = std::tmpfile();
  {
    ProgressBar bar(file, enabled, 44100 * 10, 44100.0, showAfterSeconds);
    for (int i = 1; i <= steps; ++i) bar.update(static_cast<int64_t>(44100) * 10 * i / steps);
    bar.finish();
  }
  std::rewind(file);
  std::string text;
  for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
  std::fclose(file);
  return text;
}

}  // namespace

TEST(ProgressBar, DrawsOneLineInPlaceEndingAtTheWholeLength) {
  const std::string text = drawn(true, 0.0, 7);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.front(), '\r');
  EXPECT_EQ(text.back(), '\n');
  EXPECT_EQ(text.find('\n'), text.size() - 1);
  EXPECT_NE(text.rfind("100%  10.0 / 10.0 s\n"), std::string::npos) << text;
  EXPECT_NE(text.find("14%"), std::string::npos) << text;
}

TEST(ProgressBar, StaysSilentWhenDisabledOrQuick) {
  EXPECT_EQ(drawn(false, 0.0, 7), "");
  EXPECT_EQ(drawn(true, 60.0, 100), "");  // finished long before it would show
}
