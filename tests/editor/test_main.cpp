// GoogleTest main for the editor tests. Text drawing fills Cairo's and fontconfig's
// process-wide font caches, which live until exit; releasing them after the tests lets
// LeakSanitizer report only leaks of our own.
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  cairo_debug_reset_static_data();
  FcFini();
  return result;
}
