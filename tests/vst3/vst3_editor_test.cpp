// The editor through IPlugView under a private Xvfb server: attached to a window of this
// host as X11EmbedWindowID, idled only through this host's run loop (the view's timer and
// the X connection's descriptor), with the user's mouse played by xdotool. A click and a
// knob drag reach the host as begin/perform/end edits on its component handler.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>

#include "formats_fixture.h"
#include "host_window.h"
#include "required_package.h"
#include "xvfb_server.h"

extern char** environ;

namespace quendral_test {
namespace {

class Vst3Editor : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server = new x11host::XvfbServer;
    std::string error;
    serverError = server->start(error) ? "" : error;
  }
  static void TearDownTestSuite() {
    delete server;
    server = nullptr;
  }

  void SetUp() override {
    QUENDRAL_REQUIRE_PACKAGE(serverError.empty(), "Xvfb (Debian: xvfb): " << serverError);
    std::string error;
    plugin = vst3host::Vst3Plugin::load(QUENDRAL_VST3_BUNDLE, error);
    ASSERT_TRUE(plugin) << error;
    ASSERT_TRUE(plugin->open(kRate, kBlock, error)) << error;
    vst3::ViewRect rect{};
    ASSERT_TRUE(plugin->editorSize(rect));
    ASSERT_TRUE(window.open(rect.right - rect.left, rect.bottom - rect.top, error)) << error;
    ASSERT_TRUE(plugin->openEditor(window.parentHandle(), error)) << error;
    pump(150);
    plugin->handler().clear();
  }
  void TearDown() override {
    if (plugin) plugin->closeEditor();
    window.close();
    plugin.reset();
  }

  // The host's event loop: only the run loop idles the view.
  void pump(int ms) {
    for (int t = 0; t < ms; t += 10) {
      XSync(window.display(), False);
      plugin->pumpEditor(10);
    }
  }

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
      if (!finished) plugin->pumpEditor(5);
    }
    if (!finished) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      FAIL() << "xdotool " << commands << " did not finish";
    }
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "xdotool " << commands;
    pump(120);
  }

  // The edits the host heard for one parameter, as a string of b (begin), p (perform), e (end).
  std::string gestures(vst3::ParamID id, double* lastValue = nullptr) {
    std::string kinds;
    for (const vst3host::EditCall& call : plugin->handler().edits()) {
      if (call.id != id) continue;
      kinds += call.kind == vst3host::EditCall::kBegin     ? 'b'
               : call.kind == vst3host::EditCall::kPerform ? 'p'
                                                           : 'e';
      if (call.kind == vst3host::EditCall::kPerform && lastValue) *lastValue = call.value;
    }
    return kinds;
  }

  static x11host::XvfbServer* server;
  static std::string serverError;
  std::unique_ptr<vst3host::Vst3Plugin> plugin;
  x11host::HostWindow window;
};

x11host::XvfbServer* Vst3Editor::server = nullptr;
std::string Vst3Editor::serverError;

TEST_F(Vst3Editor, AttachesAsAFixedSizeViewIdledByTheHostsRunLoop) {
  vst3::ViewRect rect{};
  ASSERT_TRUE(plugin->editorSize(rect));
  EXPECT_EQ(rect.right - rect.left, 435);
  EXPECT_EQ(rect.bottom - rect.top, 330);
  vst3::IPlugView* view = plugin->view();
  EXPECT_NE(view->canResize(), vst3::kResultOk);
  vst3::ViewRect bigger{0, 0, 600, 400};
  EXPECT_NE(view->onSize(&bigger), vst3::kResultOk);
  ASSERT_EQ(view->checkSizeConstraint(&bigger), vst3::kResultOk);
  EXPECT_EQ(bigger.right, 435);
  EXPECT_EQ(bigger.bottom, 330);
  EXPECT_NE(view->isPlatformTypeSupported(vst3::kPlatformTypeHWND), vst3::kResultOk);

  EXPECT_EQ(plugin->frame().runLoop().timerCount(), 1u);
  EXPECT_EQ(plugin->frame().runLoop().handlerCount(), 1u) << "the X connection is watched";
  const int before = plugin->frame().runLoop().timerCalls();
  pump(200);
  EXPECT_GT(plugin->frame().runLoop().timerCalls(), before + 5);

  // The panel shows what the host sets: the angle knob's ring is drawn.
  std::vector<uint32_t> pixels;
  int32_t w = 0, h = 0;
  ASSERT_TRUE(window.capture(pixels, w, h));
  const uint32_t ring = pixels[static_cast<std::size_t>(295 * w + 38)];
  EXPECT_NEAR(static_cast<int>(ring >> 16 & 255), 232, 20);

  // A second view cannot show the one panel at the same time.
  std::string error;
  vst3::IPlugView* second = plugin->controller()->createView(vst3::kViewTypeEditor);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second->attached(window.parentHandle(), vst3::kPlatformTypeX11EmbedWindowID),
            vst3::kResultOk);
  second->release();

  plugin->closeEditor();
  EXPECT_EQ(plugin->frame().runLoop().timerCount(), 0u) << "removed() unregisters";
  EXPECT_EQ(plugin->frame().runLoop().handlerCount(), 0u);
}

TEST_F(Vst3Editor, AClickReachesTheHostAsAnEdit) {
  plugin->setParameter(3, 0.0);
  pump(100);
  xdotool("mousemove 150 272 click 1");  // "filt two"
  double value = -1.0;
  const std::string seen = gestures(3, &value);
  ASSERT_NE(seen.find('p'), std::string::npos) << "the click did not reach the host";
  EXPECT_EQ(value, 1.0);
  EXPECT_EQ(plugin->getParameter(3), 1.0);
}

TEST_F(Vst3Editor, AKnobDragIsOneGestureOfEdits) {
  plugin->setParameter(0, 0.5);
  pump(50);
  xdotool(
      "mousemove 38 267 mousedown 1 sleep 0.15 mousemove 38 260 sleep 0.15 mousemove 38 250 sleep "
      "0.15 mouseup 1");
  double value = 0.0;
  const std::string seen = gestures(0, &value);
  ASSERT_GE(seen.size(), 3u) << seen;
  EXPECT_EQ(seen.front(), 'b') << seen;
  EXPECT_EQ(seen.back(), 'e') << seen;
  EXPECT_EQ(std::count(seen.begin(), seen.end(), 'b'), 1) << seen;
  EXPECT_GT(std::count(seen.begin(), seen.end(), 'p'), 0) << seen;
  EXPECT_GT(value, 0.6);
  EXPECT_FLOAT_EQ(static_cast<float>(plugin->getParameter(0)), static_cast<float>(value));
}

}  // namespace
}  // namespace quendral_test
