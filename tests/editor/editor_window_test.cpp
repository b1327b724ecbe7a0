// The editor in a real window: a private Xvfb server, the built plug-in loaded through its
// binary interface, the editor opened with effEditOpen in a window this test makes, and the
// user's mouse played by xdotool. The open editor's picture is kept as a build artefact.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "about_picture.h"
#include "host_window.h"
#include "plugin_host.h"
#include "xvfb_suite.h"

extern char** environ;

namespace {

struct Rgb {
  int r, g, b;
};

bool near(Rgb a, Rgb b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

class EditorWindow : public quendral_test::XvfbSuite {
 protected:
  void SetUp() override {
    ASSERT_NE(server, nullptr) << serverError;
    std::string error;
    host = vsthost::PluginHost::load(QUENDRAL_PLUGIN_PATH, error);
    ASSERT_TRUE(host) << error;
    host->open(44100.0, 512);
    ASSERT_NE(host->effect()->flags & effFlagsHasEditor, 0);
    ERect rect{};
    ASSERT_TRUE(host->editorRect(rect));
    ASSERT_TRUE(window.open(rect.right - rect.left, rect.bottom - rect.top, error)) << error;
    ASSERT_TRUE(host->openEditor(window.parentHandle()));
    idleFor(150);
    host->recorder().clear();
  }
  void TearDown() override {
    if (host) {
      host->closeEditor();
      host->close();
    }
    window.close();
    host.reset();
  }

  // The host's editor timer: idles the editor every 10 ms for the given time.
  void idleFor(int ms) {
    for (int t = 0; t < ms; t += 10) {
      host->idleEditor();
      XSync(window.display(), False);
      usleep(10000);
    }
  }

  // Plays an xdotool command line while the editor keeps idling, as a host would keep its
  // event loop running while the user moves the mouse.
  void xdotool(const std::string& commands) {
    std::vector<std::string> args{"xdotool"};
    std::istringstream words(commands);
    for (std::string w; words >> w;) args.push_back(w);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawnp(&pid, "xdotool", nullptr, nullptr, argv.data(), environ), 0)
        << "xdotool is not installed";
    int status = 0;
    bool finished = false;
    for (int i = 0; i < 1000 && !finished; ++i) {
      finished = waitpid(pid, &status, WNOHANG) == pid;
      if (!finished) {
        host->idleEditor();
        usleep(5000);
      }
    }
    if (!finished) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      FAIL() << "xdotool " << commands << " did not finish";
    }
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "xdotool " << commands;
    idleFor(120);
  }

  Rgb pixel(int x, int y) {
    std::vector<uint32_t> pixels;
    int32_t w = 0, h = 0;
    EXPECT_TRUE(window.capture(pixels, w, h));
    if (x >= w || y >= h) return {-1, -1, -1};
    const uint32_t p = pixels[static_cast<size_t>(y * w + x)];
    return {static_cast<int>(p >> 16 & 255), static_cast<int>(p >> 8 & 255),
            static_cast<int>(p & 255)};
  }

  bool automated(int32_t index, float value) {
    for (const auto& call : host->recorder().automateCalls()) {
      if (call.index == index && call.value == value) return true;
    }
    return false;
  }

  std::unique_ptr<vsthost::PluginHost> host;
  x11host::HostWindow window;
};

constexpr Rgb kLit{203, 0, 40};
constexpr Rgb kUnlit{247, 200, 185};
constexpr Rgb kRing{232, 133, 10};

TEST_F(EditorWindow, OpensAndKeepsAScreenshot) {
  // The panel is drawn into the host's window: the angle knob's ring, below its centre.
  EXPECT_TRUE(near(pixel(38, 295), kRing, 20));
  ::mkdir(QUENDRAL_ARTIFACT_DIR, 0755);
  std::string error;
  EXPECT_TRUE(window.writePng(std::string(QUENDRAL_ARTIFACT_DIR) + "/editor.png", error)) << error;
}

TEST_F(EditorWindow, FilterTwoClickAutomatesAndSwapsTheLamps) {
  host->setParameter(3, 0.0f);
  idleFor(100);
  EXPECT_TRUE(near(pixel(198, 249), kLit, 40));
  xdotool("mousemove 150 272 click 1");
  EXPECT_TRUE(automated(3, 1.0f));
  EXPECT_FLOAT_EQ(host->getParameter(3), 1.0f);
  EXPECT_TRUE(near(pixel(198, 272), kLit, 40));    // "filt two" lamp lit
  EXPECT_TRUE(near(pixel(198, 249), kUnlit, 40));  // "filt one" lamp pale
}

TEST_F(EditorWindow, AngleKnobDragAndCtrlClickReset) {
  host->setParameter(0, 0.5f);
  idleFor(50);
  xdotool(
      "mousemove 38 267 mousedown 1 sleep 0.15 mousemove 38 260 sleep 0.15 mousemove 38 250 sleep "
      "0.15 mouseup 1");
  EXPECT_GT(host->getParameter(0), 0.6f);
  const auto begins = host->recorder().beginEdits();
  const auto ends = host->recorder().endEdits();
  ASSERT_EQ(begins.size(), 1u);
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_EQ(begins[0], 0);
  EXPECT_EQ(ends[0], 0);

  xdotool("keydown ctrl mousemove 38 267 click 1 keyup ctrl");
  EXPECT_NEAR(host->getParameter(0), 0.5f, 1e-5f);
}

TEST_F(EditorWindow, EnvelopeClickChangesAPointWithoutAutomation) {
  std::vector<float> before;
  for (int i = 7; i <= 22; ++i) before.push_back(host->getParameter(i));
  xdotool("mousemove 310 80 click 1");
  int changed = 0;
  for (int i = 7; i <= 22; ++i)
    changed += host->getParameter(i) != before[static_cast<size_t>(i - 7)];
  EXPECT_GE(changed, 1);
  EXPECT_TRUE(host->recorder().automateCalls().empty());
}

TEST_F(EditorWindow, TitleStripShowsAndHidesTheAboutPicture) {
  const unsigned char* about = resources::kAboutPicturePixels + (200 * 435 + 300) * 3;
  const Rgb picture{about[0], about[1], about[2]};
  EXPECT_FALSE(near(pixel(300, 200), picture, 3));
  xdotool("mousemove 100 15 click 1");
  EXPECT_TRUE(near(pixel(300, 200), picture, 3));
  xdotool("mousemove 300 200 click 1");
  EXPECT_FALSE(near(pixel(300, 200), picture, 3));
}

TEST_F(EditorWindow, ColourButtonRecoloursThenRestores) {
  // The angle knob's ring (below its centre at 0.5) is drawn in colour 1.
  host->setParameter(0, 0.5f);
  idleFor(50);
  EXPECT_TRUE(near(pixel(38, 295), kRing, 20));
  xdotool("mousemove 423 308 click 1");
  EXPECT_FALSE(near(pixel(38, 295), kRing, 3));
  xdotool("mousemove 423 308 click 1");
  EXPECT_TRUE(near(pixel(38, 295), kRing, 20));
}

}  // namespace
