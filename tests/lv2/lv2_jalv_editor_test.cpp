// The LV2 editor in jalv's GTK 3 window, with a private X server and a JACK dummy server: it
// reopens at 200% from its size menu, and there a click and a knob drag change the ports as
// jalv holds them, read from the state.ttl of jalv's own "Save State" (ctrl+s).
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "lv2_test_support.h"
#include "required_package.h"
#include "xvfb_server.h"

namespace {

using namespace quendral_lv2_test;

// The panel's own coordinates of what the test presses (editor/panel_layout.h).
constexpr int kFiltTwoX = 174, kFiltTwoY = 272;     // the "filt two" button
constexpr int kAngleKnobX = 38, kAngleKnobY = 267;  // the angle knob's centre
constexpr int kTitleX = 100, kTitleY = 15;          // the title strip: its size menu
constexpr int kSize200X = 350, kSize200Y = 115;     // that menu's "200%"

bool installed(const char* program) { return access(program, X_OK) == 0; }

// xdotool with the words of `commands`, split at spaces.
CommandResult xdotool(const std::string& commands, const ScratchFolder& scratch) {
  std::vector<std::string> command = {"/usr/bin/xdotool"};
  std::istringstream words(commands);
  for (std::string w; words >> w;) command.push_back(w);
  return runProgram(command, {}, scratch / "xdotool.log", 20);
}

// Where the panel's window (`size` pixels, the innermost of that size) sits on the screen.
bool findPanel(const ScratchFolder& scratch, int& x, int& y, const char* size) {
  const CommandResult tree =
      runProgram({"/usr/bin/xwininfo", "-root", "-tree"}, {}, scratch / "xwininfo.log", 20);
  const std::regex panel(std::string(size) + R"(\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+))");
  bool found = false;
  for (std::sregex_iterator it(tree.output.begin(), tree.output.end(), panel), end; it != end;
       ++it) {
    x = std::stoi((*it)[1]);
    y = std::stoi((*it)[2]);
    found = true;
  }
  return found;
}

// The value state.ttl gives the port `symbol`; NaN when it is not there.
double savedPortValue(const std::string& state, const std::string& symbol) {
  const std::regex value("lv2:symbol \"" + symbol + "\" ;\\s*pset:value (-?[0-9.eE+-]+)");
  std::smatch match;
  if (!std::regex_search(state, match, value)) return std::nan("");
  return std::stod(match[1]);
}

TEST(Lv2EditorInJalv, ClickAndDragChangeThePortsTheHostHolds) {
#if defined(QUENDRAL_SANITIZED_BUILD)
  GTEST_SKIP() << "a sanitizer-instrumented plug-in cannot be loaded by an uninstrumented host";
#endif
  for (const char* program : {"jalv.gtk3 jalv", "jackd jackd2", "jack_wait jackd2",
                              "xdotool xdotool", "xwininfo x11-utils"}) {
    const std::string name = std::string(program).substr(0, std::string(program).find(' '));
    QUENDRAL_REQUIRE_PACKAGE(installed(("/usr/bin/" + name).c_str()),
                             name << " (Debian: " << std::strchr(program, ' ') + 1 << ")");
  }

  ScratchFolder scratch;
  ASSERT_FALSE(scratch.path().empty());
  x11host::XvfbServer xvfb;
  std::string error;
  ASSERT_TRUE(xvfb.start(error)) << error;
  setenv("LV2_PATH", QUENDRAL_LV2_PATH ":/usr/lib/lv2", 1);
  setenv("HOME", scratch.path().c_str(), 1);
  PrivateJackServer jack("quendral-lv2-test", scratch / "");
  ASSERT_TRUE(jack.ready()) << jack.log();

  BackgroundProgram jalv({"/usr/bin/jalv.gtk3", QUENDRAL_LV2_URI}, scratch / "jalv.log",
                         scratch.path());
  // The panel of `size` once it has held its place for a second: on a busy machine jalv lays
  // out its window after the panel is there (its menu bar arrives later and moves the panel
  // down, and a click at the first place found would hit "filt one"). A press before jalv
  // draws its window and idles the editor would be lost, hence the pause after.
  int panelX = -1, panelY = -1;
  const auto settle = [&](const char* size) {
    int steadyReads = 0;
    const bool steady = waitFor(
        [&] {
          int x = 0, y = 0;
          if (!findPanel(scratch, x, y, size)) return false;
          steadyReads = x == panelX && y == panelY ? steadyReads + 1 : 0;
          panelX = x;
          panelY = y;
          return steadyReads >= 10;
        },
        60);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    return steady;
  };
  ASSERT_TRUE(settle("435x330")) << "no panel at rest in jalv's window:\n"
                                 << readText(scratch / "jalv.log")
                                 << readText(scratch / "xwininfo.log");
  ASSERT_TRUE(jalv.running());

  // Presses are held for a while: the panel handles a press at its next idle (jalv idles it
  // 30 times a second, less often on a busy machine). `scale` puts panel units on pixels.
  int scale = 1;
  const auto at = [&](int x, int y) {
    return " mousemove " + std::to_string(panelX + x * scale) + " " +
           std::to_string(panelY + y * scale) + " sleep 0.3 ";
  };
  // 200% from the size menu: the panel reopens in the window jalv keeps, which grows.
  ASSERT_EQ(xdotool(at(kTitleX, kTitleY) + "mousedown 3 sleep 1 mouseup 3" +
                        at(kSize200X, kSize200Y) + "mousedown 1 sleep 1 mouseup 1",
                    scratch)
                .exitCode,
            0);
  ASSERT_TRUE(settle("870x660")) << "the panel did not reopen at 200%:\n"
                                 << readText(scratch / "xwininfo.log");
  scale = 2;

  // A click on "filt two", then a drag that turns the angle knob up.
  std::string hand = at(kFiltTwoX, kFiltTwoY) + "mousedown 1 sleep 1 mouseup 1" +
                     at(kAngleKnobX, kAngleKnobY) + "mousedown 1";
  for (int dy : {10, 20, 30, 40}) hand += at(kAngleKnobX, kAngleKnobY - dy);
  ASSERT_EQ(xdotool(hand + "mouseup 1 sleep 0.5", scratch).exitCode, 0);

  // jalv's "Save State": ctrl+s in its window, then the folder's name in the dialog. A
  // dialog that missed the keys is closed and the save tried once more.
  const std::string dialog = "search --name ^Save.State$";
  fs::path stateFile;
  const auto saveState = [&](const std::string& name) {
    stateFile = scratch / name / "state.ttl";
    if (xdotool("search --name ^\\+quendral$ windowfocus --sync key ctrl+s", scratch).exitCode ||
        !waitFor([&] { return xdotool(dialog, scratch).exitCode == 0; }, 10))
      return false;
    // The dialog settles before it reads keys. A name, not a path: it starts in jalv's
    // working folder, the scratch folder.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    xdotool(dialog + " windowfocus --sync type --delay 20 " + name, scratch);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    xdotool("key Return", scratch);
    if (waitFor([&] { return fs::exists(stateFile) && fs::file_size(stateFile) > 0; }, 10))
      return true;
    xdotool("key Escape", scratch);
    return false;
  };
  ASSERT_TRUE(saveState("saved-state") || saveState("saved-state-again"))
      << readText(scratch / "jalv.log");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // written in full

  const std::string state = readText(stateFile);
  EXPECT_EQ(savedPortValue(state, "filter_number"), 1.0) << state;
  const double angle = savedPortValue(state, "angle");
  EXPECT_TRUE(angle > 0.0 && angle <= 180.0) << "the drag did not reach the host: " << state;
  // The untouched ports stay where they were.
  EXPECT_EQ(savedPortValue(state, "gain"), 0.0) << state;
  EXPECT_EQ(savedPortValue(state, "lfo_divide"), 1.0) << state;
}

}  // namespace
