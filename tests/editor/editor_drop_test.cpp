// A SOFA file dragged onto the open editor by a real toolkit: a GTK 3 program (the kind of
// drag source file managers are) offers the file as text/uri-list, xdotool plays the user's
// drag from it to the editor, and the plug-in, loaded through its binary interface into a
// window this test makes, is expected to take the file as its own set, as a user's edit.
// Without a window manager on the private Xvfb server, the test marks the host's window with
// WM_STATE itself where the case needs a managed window: GTK then stops at that window
// and asks it (or the window its XdndProxy names) for drops, as on a desktop.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "host_window.h"
#include "plugin_host.h"
#include "required_package.h"
#include "xvfb_suite.h"

namespace {

namespace fs = std::filesystem;
using quendral_test::ChildProcess;
using quendral_test::xdotoolPresent;

constexpr const char* kKemar = "/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa";
constexpr int32_t kOwnSet = 23;
// Where the drag source's window sits, right of the editor (the screen is 640 x 480).
constexpr int kSourceX = 480;
constexpr int kSourceY = 20;
// A point inside the editor, in root coordinates (the host's window is at the top left).
constexpr int kDropX = 220;
constexpr int kDropY = 160;

bool gtkPresent() {
  return std::system(
             "/usr/bin/python3 -c \"import gi; gi.require_version('Gtk', '3.0'); "
             "from gi.repository import Gtk\" >/dev/null 2>&1") == 0;
}

// How the host's top-level window looks to a drag source.
enum class HostWindowKind {
  kUnmanaged,         // no window manager's WM_STATE: sources look into its child windows
  kManaged,           // WM_STATE, as a window manager puts on a client's window
  kManagedTakesDrops  // managed, and the host made it XdndAware for drops of its own
};

class EditorDrop : public quendral_test::XvfbSuite {
 protected:
  void SetUp() override {
    ASSERT_NE(server, nullptr) << serverError;
    QUENDRAL_REQUIRE_PACKAGE(fs::exists(kKemar), kKemar << " (Debian: libmysofa1)");
    QUENDRAL_REQUIRE_PACKAGE(gtkPresent(), "GTK 3 for Python (Debian: python3-gi gir1.2-gtk-3.0)");
    QUENDRAL_REQUIRE_PACKAGE(xdotoolPresent(), "xdotool (Debian: xdotool)");
    char folder[] = "/tmp/quendral-drop-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    tempFolder = folder;
    // Spaces, a hash and a percent sign: each must be escaped in the URI and decoded again.
    sofaCopy = tempFolder / "my head #1 (100%).sofa";
    fs::copy_file(kKemar, sofaCopy);
    fakeSofa = tempFolder / "not a set.sofa";
    std::ofstream(fakeSofa) << "These are notes, not measurements.\n";
  }

  void TearDown() override {
    source.stop();
    if (host) {
      host->closeEditor();
      host->close();
    }
    window.close();
    host.reset();
    std::error_code ignored;
    if (!tempFolder.empty()) fs::remove_all(tempFolder, ignored);
  }

  void openEditor(HostWindowKind kind) {
    std::string error;
    host = vsthost::PluginHost::load(QUENDRAL_PLUGIN_PATH, error);
    ASSERT_TRUE(host) << error;
    host->open(44100.0, 512);
    ERect rect{};
    ASSERT_TRUE(host->editorRect(rect));
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
    ASSERT_TRUE(window.open(width, height, error)) << error;
    Display* display = window.display();
    if (kind != HostWindowKind::kUnmanaged) {
      const Atom wmState = XInternAtom(display, "WM_STATE", False);
      const long normalState[2] = {1, 0};
      XChangeProperty(display, window.window(), wmState, wmState, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(normalState), 2);
    }
    if (kind == HostWindowKind::kManagedTakesDrops) {
      const long version = 5;
      XChangeProperty(display, window.window(), XInternAtom(display, "XdndAware", False), XA_ATOM,
                      32, PropModeReplace, reinterpret_cast<const unsigned char*>(&version), 1);
    }
    XSync(display, False);
    ASSERT_TRUE(host->openEditor(window.parentHandle()));
    idleFor(150);
    host->recorder().clear();
  }

  // The host's editor timer: idles the editor every 10 ms, and follows the drag source.
  void idleOnce() {
    host->idleEditor();
    XSync(window.display(), False);
    source.read();
    usleep(10000);
  }
  void idleFor(int ms) {
    for (int t = 0; t < ms; t += 10) idleOnce();
  }
  // Idles until `done` holds or `ms` have passed; whether it held.
  bool idleUntil(const std::function<bool()>& done, int ms) {
    for (int t = 0; t < ms; t += 10) {
      if (done()) return true;
      idleOnce();
    }
    return done();
  }

  // Starts the GTK drag source offering `file` and waits until its window is shown.
  void startSource(const fs::path& file) {
    source.stop();
    ASSERT_TRUE(source.start({"/usr/bin/python3", QUENDRAL_DRAG_SOURCE_SCRIPT, file.string(),
                              std::to_string(kSourceX), std::to_string(kSourceY)}));
    ASSERT_TRUE(idleUntil([&] { return !source.line("ready").empty(); }, 5000))
        << "the GTK drag source did not show its window: " << source.transcript();
    std::istringstream ready(source.line("ready").substr(6));
    int x = 0, y = 0, w = 0, h = 0;
    ready >> x >> y >> w >> h;
    sourceCentreX = x + w / 2;
    sourceCentreY = y + h / 2;
  }

  // Presses on the source, moves past GTK's drag threshold and on over the editor in
  // steps, and lets go there; the editor idles all the while.
  void dragToEditor() {
    const std::string from = std::to_string(sourceCentreX) + " " + std::to_string(sourceCentreY);
    const std::string past =
        std::to_string(sourceCentreX - 20) + " " + std::to_string(sourceCentreY + 5);
    std::ostringstream commands;
    commands << "mousemove " << from << " sleep 0.15 mousedown 1 sleep 0.1 mousemove " << past
             << " sleep 0.1 mousemove " << kDropX + 150 << " " << kDropY << " sleep 0.1 mousemove "
             << kDropX + 40 << " " << kDropY << " sleep 0.1 mousemove " << kDropX << " " << kDropY
             << " sleep 0.4 mouseup 1";
    ASSERT_NO_FATAL_FAILURE(quendral_test::playXdotool(commands.str(), [&] { idleOnce(); }));
    // The drag is over for the source once it reports its end.
    ASSERT_TRUE(idleUntil([&] { return !source.line("end").empty(); }, 3000))
        << "the drag did not end: " << source.transcript();
  }

  // Pixels of the status line (the panel's bottom strip) in the tint of a refusal.
  int alertPixels() {
    std::vector<uint32_t> pixels;
    int32_t w = 0, h = 0;
    EXPECT_TRUE(window.capture(pixels, w, h));
    int count = 0;
    for (int32_t y = h - 9; y < h - 1; ++y) {
      for (int32_t x = 0; x < w; ++x) {
        const uint32_t p = pixels[static_cast<size_t>(y * w + x)];
        const int r = static_cast<int>(p >> 16 & 255), g = static_cast<int>(p >> 8 & 255),
                  b = static_cast<int>(p & 255);
        count += std::abs(r - 255) <= 6 && std::abs(g - 200) <= 6 && std::abs(b - 190) <= 6;
      }
    }
    return count;
  }

  bool ownSetOn() { return host->getParameter(kOwnSet) >= 0.5f; }

  // The host window's property `name` as a window id, 0 when it has none.
  Window windowProperty(const char* name) {
    Display* display = window.display();
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    Window value = 0;
    if (XGetWindowProperty(display, window.window(), XInternAtom(display, name, False), 0, 1, False,
                           XA_WINDOW, &type, &format, &items, &after, &data) == Success &&
        data != nullptr && items == 1) {
      value = static_cast<Window>(*reinterpret_cast<const long*>(data));
    }
    if (data) XFree(data);
    return value;
  }

  // Drags the KEMAR copy onto the editor and waits until the plug-in switched its own set on.
  void dropKemarAndWaitForTheSet() {
    ASSERT_NO_FATAL_FAILURE(startSource(sofaCopy));
    // The path comes through GLib's escaping: nothing of the name is left bare in the URI.
    EXPECT_NE(source.line("uri ").find("my%20head%20%231%20(100%25).sofa"), std::string::npos)
        << source.transcript();
    ASSERT_NO_FATAL_FAILURE(dragToEditor());
    ASSERT_FALSE(source.line("data").empty()) << "the editor never asked for the file";
    ASSERT_TRUE(idleUntil([&] { return ownSetOn(); }, 8000))
        << "own set still off after the drop: " << source.transcript();
  }

  std::unique_ptr<vsthost::PluginHost> host;
  x11host::HostWindow window;
  ChildProcess source;
  int32_t width = 0;
  int32_t height = 0;
  int sourceCentreX = 0;
  int sourceCentreY = 0;
  fs::path tempFolder;
  fs::path sofaCopy;
  fs::path fakeSofa;
};

TEST_F(EditorDrop, ThroughTheHostsWindowASetLoadsAsAUserEditAndAFakeIsRefused) {
  ASSERT_NO_FATAL_FAILURE(openEditor(HostWindowKind::kManaged));
  // The managed window forwards drops to a window of the editor's.
  EXPECT_NE(windowProperty("XdndProxy"), 0u);
  ASSERT_FALSE(ownSetOn());
  const std::vector<uint8_t> before = host->getChunk();

  ASSERT_NO_FATAL_FAILURE(dropKemarAndWaitForTheSet());
  const auto begins = host->recorder().beginEdits();
  const auto ends = host->recorder().endEdits();
  bool automated = false;
  for (const auto& call : host->recorder().automateCalls())
    automated |= call.index == kOwnSet && call.value == 1.0f;
  EXPECT_EQ(begins, std::vector<int32_t>{kOwnSet});
  EXPECT_TRUE(automated);
  EXPECT_EQ(ends, std::vector<int32_t>{kOwnSet});

  // The chunk carries the measurements themselves: a second instance gets the set from it
  // with the file gone.
  const std::vector<uint8_t> withSet = host->getChunk();
  EXPECT_GT(withSet.size(), before.size() + 100000) << before.size() << " -> " << withSet.size();
  fs::remove(sofaCopy);
  {
    std::string error;
    auto second = vsthost::PluginHost::load(QUENDRAL_PLUGIN_PATH, error);
    ASSERT_TRUE(second) << error;
    second->open(44100.0, 512);
    EXPECT_EQ(second->setChunk(withSet), 1);
    EXPECT_EQ(second->getParameter(kOwnSet), 1.0f);
    EXPECT_EQ(second->getChunk().size(), withSet.size());
    second->close();
  }
  idleFor(150);
  EXPECT_EQ(alertPixels(), 0);

  // A text file that only pretends to be a SOFA file: refused, the loaded set stays, no edit
  // reaches the host, and the status line shows the refusal.
  host->recorder().clear();
  ASSERT_NO_FATAL_FAILURE(startSource(fakeSofa));
  ASSERT_NO_FATAL_FAILURE(dragToEditor());
  EXPECT_FALSE(source.line("data").empty()) << "the editor never asked for the file";
  EXPECT_TRUE(idleUntil([&] { return alertPixels() > 100; }, 5000))
      << "no refusal on the status line";
  EXPECT_TRUE(ownSetOn());
  EXPECT_TRUE(host->recorder().beginEdits().empty());
  EXPECT_TRUE(host->recorder().automateCalls().empty());
  EXPECT_EQ(host->getChunk(), withSet);
}

TEST_F(EditorDrop, ASourceThatLooksIntoChildWindowsFindsTheEditorsOwnWindow) {
  ASSERT_NO_FATAL_FAILURE(openEditor(HostWindowKind::kUnmanaged));
  ASSERT_NO_FATAL_FAILURE(dropKemarAndWaitForTheSet());
  EXPECT_EQ(host->recorder().beginEdits(), std::vector<int32_t>{kOwnSet});
}

// The editor leaves a host's own drop handling alone, so a toolkit that honours the managed
// window's XdndAware talks to the host only: nothing reaches the plug-in, and a host that
// does nothing with the file leaves the source without a taker.
TEST_F(EditorDrop, AHostWindowThatTakesDropsKeepsThem) {
  ASSERT_NO_FATAL_FAILURE(openEditor(HostWindowKind::kManagedTakesDrops));
  EXPECT_EQ(windowProperty("XdndProxy"), 0u);
  const std::vector<uint8_t> before = host->getChunk();
  ASSERT_NO_FATAL_FAILURE(startSource(sofaCopy));
  ASSERT_NO_FATAL_FAILURE(dragToEditor());
  idleFor(300);
  EXPECT_TRUE(source.line("data").empty()) << source.transcript();
  EXPECT_FALSE(source.line("failed").empty()) << source.transcript();
  EXPECT_FALSE(ownSetOn());
  EXPECT_TRUE(host->recorder().beginEdits().empty());
  EXPECT_EQ(host->getChunk().size(), before.size());
  EXPECT_EQ(alertPixels(), 0);
}

}  // namespace
