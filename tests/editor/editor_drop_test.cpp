// Files dragged onto the open VST2 editor, in a host window wider than the panel, from a GTK 3
// drag source (as file managers are) while xdotool plays the user's drag. With no window
// manager, the test sets WM_STATE itself where a case needs a managed host window.
#include <gtest/gtest.h>

#include <X11/Xatom.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "editor_hosts.h"
#include "gui/x11/xdnd_target.h"
#include "required_package.h"
#include "xvfb_suite.h"

namespace {

namespace fs = std::filesystem;
using quendral_test::idleUntil;

constexpr const char* kKemar = "/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa";
constexpr int32_t kOwnSet = 23;
constexpr int kBeside = 120;  // the host's window is this much wider than the panel
constexpr int kSourceX = 100, kSourceY = 360;  // below the host's window (screen 640 x 480)
constexpr int kDropX = 220, kDropY = 160;      // inside the panel, in root coordinates

bool gtkPresent() {
  return std::system(
             "/usr/bin/python3 -c \"import gi; gi.require_version('Gtk', '3.0'); "
             "from gi.repository import Gtk\" >/dev/null 2>&1") == 0;
}

// Unmanaged: sources look into its child windows. Managed: WM_STATE, as a window manager
// sets. Takes drops: managed, and XdndAware for drops of the host's own.
enum class HostWindowKind { kUnmanaged, kManaged, kManagedTakesDrops };

class EditorDrop : public quendral_test::XvfbSuite {
 protected:
  void SetUp() override {
    ASSERT_NE(server, nullptr) << serverError;
    QUENDRAL_REQUIRE_PACKAGE(fs::exists(kKemar), kKemar << " (Debian: libmysofa1)");
    QUENDRAL_REQUIRE_PACKAGE(gtkPresent(), "GTK 3 for Python (Debian: python3-gi gir1.2-gtk-3.0)");
    QUENDRAL_REQUIRE_PACKAGE(quendral_test::xdotoolPresent(), "xdotool (Debian: xdotool)");
    char folder[] = "/tmp/quendral-drop-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    tempFolder = folder;
    // Spaces, a hash and a percent sign: each must be escaped in the URI and decoded again.
    sofaCopy = tempFolder / "my head #1 (100%).sofa";
    fs::copy_file(kKemar, sofaCopy);
  }
  void TearDown() override {
    source.stop();
    if (host.host) host.close();
    window.close();
    std::error_code ignored;
    if (!tempFolder.empty()) fs::remove_all(tempFolder, ignored);
  }

  void openEditor(HostWindowKind kind) {
    std::string error;
    int width = 0, height = 0;
    ASSERT_TRUE(host.load(error) && host.editorSize(width, height)) << error;
    ASSERT_TRUE(window.open(width + kBeside, height, error)) << error;
    Display* display = window.display();
    if (kind != HostWindowKind::kUnmanaged) {
      const long normalState[2] = {1, 0};
      XChangeProperty(display, window.window(), atom("WM_STATE"), atom("WM_STATE"), 32,
                      PropModeReplace, reinterpret_cast<const unsigned char*>(normalState), 2);
    }
    if (kind == HostWindowKind::kManagedTakesDrops) {
      const long version = 5;
      XChangeProperty(display, window.window(), atom("XdndAware"), XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&version), 1);
    }
    XSync(display, False);
    ASSERT_TRUE(host.open(window.parentHandle(), error)) << error;
    host.idle(150);
    host.clear();
  }

  Atom atom(const char* name) { return XInternAtom(window.display(), name, False); }
  bool hostWindowHas(const char* property) {
    int count = 0;
    Atom* list = XListProperties(window.display(), window.window(), &count);
    bool found = false;
    for (int i = 0; i < count; ++i) found = found || list[i] == atom(property);
    if (list) XFree(list);
    return found;
  }

  // Drags `file`, offered as `offer` (gtk_drag_source.py), from the source's window to the
  // root point (x, y) and lets go there; the editor idles all the while. Whether the target
  // asked for the data (taken), or the drag ended without a drop (refused), as the source saw.
  enum class Drop { kTaken, kRefused, kNeither };
  Drop drag(const fs::path& file, const char* offer, int x = kDropX, int y = kDropY) {
    ++drags;
    const std::string log = (tempFolder / ("source" + std::to_string(drags) + ".log")).string();
    EXPECT_TRUE(source.start({"/usr/bin/python3", QUENDRAL_DRAG_SOURCE_SCRIPT, file.string(),
                              std::to_string(kSourceX), std::to_string(kSourceY), offer},
                             log));
    EXPECT_TRUE(idleUntil(
        host, [&] { return !source.line("ready").empty(); }, 5000))
        << "the GTK drag source did not show its window: " << source.transcript();
    std::istringstream ready(source.line("ready").substr(6));
    int left = 0, top = 0, w = 0, h = 0;
    ready >> left >> top >> w >> h;
    const int fromX = left + w / 2, fromY = top + h / 2;
    std::ostringstream commands;  // past GTK's drag threshold, then over the target in steps
    commands << "mousemove " << fromX << " " << fromY << " sleep 0.1 mousedown 1 sleep 0.05 "
             << "mousemove " << fromX + 20 << " " << fromY - 5 << " sleep 0.05 mousemove " << x + 40
             << " " << y + 40 << " sleep 0.05 mousemove " << x << " " << y
             << " sleep 0.3 mouseup 1";
    quendral_test::playXdotool(commands.str(), [&] { host.idle(10); });
    EXPECT_TRUE(idleUntil(
        host, [&] { return !source.line("end").empty(); }, 3000))
        << "the drag did not end: " << source.transcript();
    const Drop seen = !source.line("data").empty()     ? Drop::kTaken
                      : !source.line("failed").empty() ? Drop::kRefused
                                                       : Drop::kNeither;
    source.stop();
    return seen;
  }

  // Pixels of the status line (the panel's bottom strip) in the tint of a refusal.
  int alertPixels() {
    std::vector<uint32_t> pixels;
    int32_t w = 0, h = 0;
    EXPECT_TRUE(window.capture(pixels, w, h));
    int count = 0;
    for (size_t i = static_cast<size_t>((h - 9) * w); i < static_cast<size_t>((h - 1) * w); ++i)
      count += quendral_test::near(quendral_test::colourOf(pixels[i]), {255, 200, 190}, 6);
    return count;
  }
  bool ownSetOn() { return host.parameter(kOwnSet) >= 0.5f; }

  void dropKemarAndWaitForTheSet(const char* offer) {
    ASSERT_EQ(drag(sofaCopy, offer), Drop::kTaken) << "the editor never asked for the file";
    ASSERT_TRUE(idleUntil(
        host, [&] { return ownSetOn(); }, 8000))
        << "own set still off";
    float value = 0.0f;
    EXPECT_EQ(host.heardOf(kOwnSet, &value), "bpe") << "one edit of the own set";
    EXPECT_EQ(value, 1.0f);
  }

  quendral_test::Vst2EditorHost host;
  x11host::HostWindow window;
  quendral_test::ChildProcess source;
  int drags = 0;
  fs::path tempFolder, sofaCopy;
};

TEST_F(EditorDrop, ThroughTheHostsWindowASetLoadsAsAUserEditAndTheRestIsRefused) {
  ASSERT_NO_FATAL_FAILURE(openEditor(HostWindowKind::kManaged));
  EXPECT_TRUE(hostWindowHas("XdndProxy")) << "the managed window forwards drops to the panel";
  const std::vector<uint8_t> before = host.host->getChunk();
  // Beside the panel in the host's window, and a drag that offers no file list: refused.
  EXPECT_EQ(drag(sofaCopy, "uri", 435 + kBeside / 2, kDropY), Drop::kRefused);
  EXPECT_EQ(drag(sofaCopy, "text"), Drop::kRefused);
  EXPECT_FALSE(ownSetOn());

  ASSERT_NO_FATAL_FAILURE(dropKemarAndWaitForTheSet("uri"));
  // The chunk carries the measurements themselves (moving between instances and formats
  // is the behaviour suite's).
  const std::vector<uint8_t> withSet = host.host->getChunk();
  EXPECT_GT(withSet.size(), before.size() + 100000) << before.size() << " -> " << withSet.size();
  EXPECT_EQ(alertPixels(), 0);

  // A text file that only pretends to be a SOFA file: refused, the loaded set stays, no edit
  // reaches the host, and the status line shows the refusal.
  const fs::path fake = tempFolder / "not a set.sofa";
  std::ofstream(fake) << "These are notes, not measurements.\n";
  host.clear();
  EXPECT_EQ(drag(fake, "uri"), Drop::kTaken);
  EXPECT_TRUE(idleUntil(
      host, [&] { return alertPixels() > 100; }, 5000))
      << "no refusal shown";
  EXPECT_TRUE(ownSetOn());
  EXPECT_TRUE(host.heard().empty());
  EXPECT_EQ(host.host->getChunk(), withSet);

  host.close();  // gives the host's window back
  XSync(window.display(), False);
  EXPECT_FALSE(hostWindowHas("XdndProxy"));
  EXPECT_FALSE(hostWindowHas("XdndAware"));
}

// More than three types: the source lists them in its XdndTypeList property.
TEST_F(EditorDrop, ASourceThatLooksIntoChildWindowsFindsTheEditorsOwnWindow) {
  ASSERT_NO_FATAL_FAILURE(openEditor(HostWindowKind::kUnmanaged));
  ASSERT_NO_FATAL_FAILURE(dropKemarAndWaitForTheSet("both"));
}

// The editor leaves a host's own drop handling alone: a toolkit that honours the managed
// window's XdndAware talks to the host only, and nothing reaches the plug-in.
TEST_F(EditorDrop, AHostWindowThatTakesDropsKeepsThem) {
  ASSERT_NO_FATAL_FAILURE(openEditor(HostWindowKind::kManagedTakesDrops));
  EXPECT_FALSE(hostWindowHas("XdndProxy"));
  EXPECT_EQ(drag(sofaCopy, "uri"), Drop::kRefused);
  host.idle(200);
  EXPECT_FALSE(ownSetOn());
  EXPECT_TRUE(host.heard().empty());
  host.close();
  XSync(window.display(), False);
  EXPECT_TRUE(hostWindowHas("XdndAware")) << "the host's own mark stays";
}

TEST(UriList, OnlyThisMachinesFilesBecomePaths) {
  const struct {
    const char* list;
    std::vector<std::string> paths;
  } cases[] = {
      {"file:///a/b%2Fc%C3%A9.sofa\r\n", {"/a/b/c\xC3\xA9.sofa"}},
      {"file:/plain/path.sofa", {"/plain/path.sofa"}},
      {"# a comment\r\nfile:///tmp/my%20head.sofa\r\nfile://localhost/srv/a.sofa\n",
       {"/tmp/my head.sofa", "/srv/a.sofa"}},
      {"http://example.org/x.sofa\nfile://elsewhere/x.sofa\nfile:///bad%zz\nfile:///nul%00.sofa\n"
       "file:///trunc%4\nfile://",
       {}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(VSTGUI::localPathsOfUriList(c.list), c.paths) << c.list;
}

}  // namespace
