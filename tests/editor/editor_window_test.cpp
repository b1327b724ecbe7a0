// The editor in a real window on a private Xvfb server through every format's host side
// (tests/editor_hosts.h), the user's mouse played by xdotool.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "editor/vg_size_menu.h"
#include "editor_hosts.h"
#include "gui/x11/x11_window.h"
#include "required_package.h"
#include "xvfb_suite.h"

namespace quendral_test {
namespace {

constexpr VSTGUI::CColor kLit{203, 0, 40}, kUnlit{247, 200, 185}, kRing{232, 133, 10};
// The angle knob's ring below its centre, and the lamps of "filt one" and "filt two".
constexpr int kRingX = 38, kRingY = 295;
constexpr int kLampX = 198, kLampOneY = 249, kLampTwoY = 272;
constexpr int32_t kAngle = 0, kFilterNumber = 3;

// One format's host side and its window on the suite's server; `scale` puts the panel's
// units on the window's pixels.
class WindowTest : public XvfbSuite {
 protected:
  void start(const EditorFormat& format, int w, int h) {
    QUENDRAL_REQUIRE_PACKAGE(server != nullptr, "Xvfb (Debian: xvfb): " << serverError);
    QUENDRAL_REQUIRE_PACKAGE(xdotoolPresent(), "xdotool (Debian: xdotool)");
    host = format.make();
    std::string error;
    ASSERT_TRUE(host->load(error)) << error;
    ASSERT_TRUE(window.open(w, h, error)) << error;
  }
  void TearDown() override {
    if (host) host->close();
    host.reset();
    window.close();
  }
  int at(double units) const { return static_cast<int>(std::lround(units * scale)); }
  std::string to(double x, double y) const {
    return " mousemove " + std::to_string(at(x)) + " " + std::to_string(at(y));
  }
  void xdotool(const std::string& commands) {
    ASSERT_NO_FATAL_FAILURE(playXdotool(commands, [&] { host->idle(5); }));
  }
  // Runs the host's loop until `done` holds, for up to five seconds; whether it held.
  bool idleUntil(const std::function<bool()>& done) {
    return quendral_test::idleUntil(*host, [&] { return XSync(window.display(), False), done(); });
  }
  VSTGUI::CColor pixel(double x, double y) { return windowPixel(window, at(x), at(y)); }
  // At a scale the unit's centre, at 100% its pixel.
  bool ringDrawn() {
    const double centre = scale == 1.0 ? 0.0 : 0.5;
    return near(pixel(kRingX + centre, kRingY + centre), kRing, 20);
  }
  void openAndWaitForThePanel() {
    std::string error;
    ASSERT_TRUE(host->open(window.parentHandle(), error)) << error;
    ASSERT_TRUE(idleUntil([&] { return ringDrawn(); })) << "the angle knob's ring is not drawn";
    host->clear();
  }
  // A click on "filt two" with the filter at one: the plug-in's filter is two.
  void clickFilterTwo() {
    host->setParameter(kFilterNumber, 0.0f);
    ASSERT_NO_FATAL_FAILURE(xdotool(to(150, 272) + " click 1"));
    EXPECT_TRUE(idleUntil([&] { return host->parameter(kFilterNumber) == 1.0f; }));
  }
  // 17 units up on the 66-unit angle knob from the middle, `pause` seconds a step, until the
  // host hears the gesture end.
  void dragAngleKnobUp(const std::string& pause) {
    host->setParameter(kAngle, 0.5f);
    host->idle(20);
    host->clear();
    const std::string sleep = " sleep " + pause;
    ASSERT_NO_FATAL_FAILURE(xdotool(to(38, 267) + " mousedown 1" + sleep + to(38, 260) + sleep +
                                    to(38, 250) + sleep + " mouseup 1"));
    EXPECT_TRUE(idleUntil([&] { return host->heardOf(kAngle).find('e') != std::string::npos; }));
  }

  std::unique_ptr<EditorHost> host;
  x11host::HostWindow window;
  double scale = 1.0;
};

const EditorFormat kFormats[] = {
    {"vst2", make<Vst2EditorHost>}, {"vst3", make<Vst3EditorHost>},
    {"lv2", make<Lv2EditorHost>},   {"lv2_ports", make<Lv2EditorHost, false>},
    {"clap", make<ClapEditorHost>},
};

class EditorWindow : public WindowTest, public ::testing::WithParamInterface<EditorFormat> {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(start(GetParam(), 435, 330));
    ASSERT_TRUE(host->editorSize(width, height));
    ASSERT_NO_FATAL_FAILURE(openAndWaitForThePanel());
  }
  bool lit(int lampY) { return near(pixel(kLampX, lampY), kLit, 40); }
  bool unlit(int lampY) { return near(pixel(kLampX, lampY), kUnlit, 40); }

  int width = 0, height = 0;
};

TEST_P(EditorWindow, OpensAtThePanelsSizeAsAChildOfTheHostsWindowAndRedrawsWhenExposed) {
  EXPECT_EQ(width, 435);
  EXPECT_EQ(height, 330);
  const auto children = childWindows(window.display(), window.window());
  ASSERT_EQ(children.size(), 1u);
  EXPECT_EQ(children[0].width, 435);
  EXPECT_EQ(children[0].height, 330);

  // Another client paints over the panel and reports it exposed: the panel draws itself again.
  Display* display = window.display();
  // The panel's own window, the innermost (LV2's container lies between it and the host's).
  Window panel = window.window();
  for (auto inside = childWindows(display, panel); !inside.empty();
       inside = childWindows(display, panel))
    panel = inside[0].id;
  GC gc = XCreateGC(display, panel, 0, nullptr);
  XSetForeground(display, gc, BlackPixel(display, 0));
  XFillRectangle(display, panel, gc, 0, 0, 435, 330);
  XFreeGC(display, gc);
  XSync(display, False);
  EXPECT_EQ(pixel(kRingX, kRingY), VSTGUI::kBlackCColor);
  XClearArea(display, panel, 0, 0, 0, 0, True);
  EXPECT_TRUE(idleUntil([&] { return ringDrawn(); }));
}

TEST_P(EditorWindow, AClickReachesTheHostAsAnEditAndTheIdleShowsHostChanges) {
  ASSERT_NO_FATAL_FAILURE(clickFilterTwo());
  EXPECT_TRUE(idleUntil([&] { return lit(kLampTwoY) && unlit(kLampOneY); }));
  float value = -1.0f;
  EXPECT_NE(host->heardOf(kFilterNumber, &value).find('p'), std::string::npos);
  EXPECT_EQ(value, 1.0f);
  // The host sets it back: the panel follows at its idle.
  host->setParameter(kFilterNumber, 0.0f);
  EXPECT_TRUE(idleUntil([&] { return lit(kLampOneY) && unlit(kLampTwoY); }));
}

TEST_P(EditorWindow, AKnobDragIsOneGestureAndCtrlClickResets) {
  ASSERT_NO_FATAL_FAILURE(dragAngleKnobUp("0.05"));
  float value = 0.0f;
  expectOneGesture(host->heardOf(kAngle, &value), host->ordered());
  EXPECT_NEAR(value, 0.5f + 17.0f / 66.0f, 0.002f) << "dragging up raises the value";
  EXPECT_FLOAT_EQ(host->parameter(kAngle), value);

  ASSERT_NO_FATAL_FAILURE(xdotool("keydown ctrl" + to(38, 267) + " click 1 keyup ctrl"));
  EXPECT_TRUE(idleUntil([&] { return std::abs(host->parameter(kAngle) - 0.5f) < 1e-5f; }))
      << host->parameter(kAngle);
}

int gHostErrors = 0;
int hostHandler(Display*, XErrorEvent*) { return ++gHostErrors, 0; }

// Closing twice, idling closed, ten reopenings, a host window gone early or never there: no
// window, connection or X error is left; the host's X error handler keeps its own errors and is
// given back (nothing may point into an unloaded plug-in); reopened, the panel takes a click.
TEST_P(EditorWindow, ClosesAndReopensLeavingNothingBehindAndTheHostsErrorHandler) {
  VSTGUI::X11Window::resetErrors();  // counted in this process for the LV2 UI
  host->close();
  host->close();
  host->idle(20);
  Display* display = window.display();
  XSync(display, False);
  EXPECT_TRUE(childWindows(display, window.window()).empty());
  const int descriptors = openDescriptors();
  std::string error;
  for (int i = 0; i < 10; ++i) {
    ASSERT_TRUE(host->open(window.parentHandle(), error)) << error;
    host->idle(20);
    host->close();
  }
  XSync(display, False);
  EXPECT_TRUE(childWindows(display, window.window()).empty());
  EXPECT_EQ(openDescriptors(), descriptors) << "a display connection was left open";

  XErrorHandler before = XSetErrorHandler(hostHandler);
  gHostErrors = 0;
  const Window parent = XCreateSimpleWindow(display, window.window(), 0, 0, 435, 330, 0, 0, 0);
  XMapWindow(display, parent);
  XSync(display, False);
  ASSERT_TRUE(host->open(reinterpret_cast<void*>(static_cast<uintptr_t>(parent)), error)) << error;
  host->idle(50);
  XWindowAttributes attributes;  // an error on the host's own connection
  XGetWindowAttributes(display, static_cast<Window>(0x7ffffff), &attributes);
  XSync(display, False);
  EXPECT_EQ(gHostErrors, 1);
  XDestroyWindow(display, parent);
  XSync(display, False);
  host->idle(100);
  host->close();
  EXPECT_EQ(VSTGUI::X11Window::errorCount(), 0);
  if (host->open(reinterpret_cast<void*>(uintptr_t{0x7ffffff}), error)) host->idle(20);
  host->close();
  EXPECT_EQ(XSetErrorHandler(before), &hostHandler);

  ASSERT_NO_FATAL_FAILURE(openAndWaitForThePanel());
  ASSERT_NO_FATAL_FAILURE(clickFilterTwo());
}

INSTANTIATE_TEST_SUITE_P(Formats, EditorWindow, ::testing::ValuesIn(kFormats), formatName);

// What only VST3's view interface has: a fixed size, one view at a time, and the run loop's
// timer and descriptor registered while attached.
class Vst3View : public WindowTest {};

TEST_F(Vst3View, FixedSizeOneAtATimeAndRegisteredOnlyWhileAttached) {
  ASSERT_NO_FATAL_FAILURE(start({"vst3", make<Vst3EditorHost>}, 435, 330));
  ASSERT_NO_FATAL_FAILURE(openAndWaitForThePanel());
  Vst3EditorHost& vst3 = static_cast<Vst3EditorHost&>(*host);
  vst3::IPlugView* view = vst3.plugin->view();
  EXPECT_NE(view->canResize(), vst3::kResultOk);
  vst3::ViewRect bigger{0, 0, 600, 400};
  EXPECT_NE(view->onSize(&bigger), vst3::kResultOk);
  ASSERT_EQ(view->checkSizeConstraint(&bigger), vst3::kResultOk);
  EXPECT_EQ(bigger.right, 435);
  EXPECT_EQ(bigger.bottom, 330);
  vst3host::EditorFrame& frame = vst3.plugin->frame();
  EXPECT_EQ(frame.runLoop().timerCount(), 1u);
  EXPECT_EQ(frame.runLoop().handlerCount(), 1u);

  vst3::IPlugView* second = vst3.plugin->controller()->createView(vst3::kViewTypeEditor);
  EXPECT_NE(second->attached(window.parentHandle(), vst3::kPlatformTypeX11EmbedWindowID),
            vst3::kResultOk);
  second->release();

  host->close();
  EXPECT_EQ(frame.runLoop().timerCount(), 0u) << "removed() unregisters";
  EXPECT_EQ(frame.runLoop().handlerCount(), 0u);
}

// Audio and MIDI, automation, programs, bypass, suspend and state each on a thread of their
// own while the editor opens and closes again and again: clean under ThreadSanitizer, the
// audio finite.
class EverythingAtOnce : public WindowTest {};

TEST_F(EverythingAtOnce, AudioMidiAutomationProgramsChunksAndTheEditorOnTheirOwnThreads) {
  ASSERT_NO_FATAL_FAILURE(start({"vst2", make<Vst2EditorHost>}, 435, 330));
  vsthost::PluginHost& plugin = *static_cast<Vst2EditorHost&>(*host).host;
  plugin.setParameter(1, 1.0f);  // tempo sync: the audio thread asks the host for its time
  plugin.setParameter(4, 0.8f);  // the LFO runs
  std::atomic<bool> stop{false}, finite{true};
  std::atomic<int> blocks{0}, restored{0};
  const auto random = [](uint32_t& state, uint32_t below) {
    return ((state = state * 1664525u + 1013904223u) >> 8) % below;
  };
  std::thread audio([&] {
    uint32_t rng = 1;
    std::vector<float> input(2048), out0(2048), out1(2048);
    float* inputs[] = {input.data()};
    float* outputs[] = {out0.data(), out1.data()};
    while (!stop) {
      const auto frames = static_cast<int32_t>(1 + random(rng, 2048));
      for (int32_t i = 0; i < frames; ++i) input[i] = random(rng, 1000) / 1000.0f - 0.5f;
      if (random(rng, 3) == 0)
        plugin.sendMidi({{0xB0, static_cast<unsigned char>(random(rng, 2) ? 10 : 7),
                          static_cast<unsigned char>(random(rng, 128)), 0}});
      plugin.processReplacing(inputs, outputs, frames);
      for (int32_t i = 0; i < frames; ++i)
        if (!std::isfinite(out0[i]) || !std::isfinite(out1[i])) finite = false;
      ++blocks;
    }
  });
  std::thread automation([&] {
    for (uint32_t rng = 2; !stop; usleep(200))
      plugin.setParameter(static_cast<int32_t>(random(rng, 25)), random(rng, 1000) / 1000.0f);
  });
  std::thread worker([&] {
    for (uint32_t rng = 3; !stop; usleep(2000)) {
      plugin.setProgram(static_cast<int32_t>(random(rng, 8)));
      plugin.dispatch(effSetBypass, 0, random(rng, 2));
      if (random(rng, 4) == 0) plugin.suspend();  // processing carries on, as some hosts do
      for (bool preset : {false, true}) {
        const std::vector<uint8_t> saved = plugin.getChunk(preset);
        if (!saved.empty() && plugin.setChunk(saved, preset) == 1) ++restored;
      }
    }
  });
  char text[64];
  for (int round = 0; round < 25; ++round) {
    ASSERT_TRUE(plugin.openEditor(window.parentHandle()));
    for (int idle = 0; idle < 6; ++idle) {
      plugin.idleEditor();
      XSync(window.display(), False);
      plugin.dispatch(effGetParamDisplay, idle % 25, 0, text);
      plugin.dispatch(effGetVu);
      usleep(10000);
    }
    plugin.closeEditor();
  }
  stop = true;
  audio.join();
  automation.join();
  worker.join();
  EXPECT_TRUE(finite);
  EXPECT_GT(blocks.load(), 25);
  EXPECT_GT(restored.load(), 0);
}

// A desktop at 200% (Xft.dpi 192), and a host that says 150% where its format can: the
// panel opens at the host's scale, else the system's, and the mouse works at it.
struct ScaledRow {
  EditorFormat format;
  double hostScale;  // 0: the host says nothing
  int width, height;
  bool sizeQuery;  // LV2 has none: its host learns the size from the window
};

const ScaledRow kScaledRows[] = {
    {{"vst2", make<Vst2EditorHost>}, 0.0, 870, 660, true},
    {{"vst3_system", make<Vst3EditorHost>}, 0.0, 870, 660, true},
    // 435 x 1.5 = 652.5: an edge falls on the pixel whose centre lies past it.
    {{"vst3", make<Vst3EditorHost>}, 1.5, 653, 495, true},
    {{"clap", make<ClapEditorHost>}, 1.5, 653, 495, true},
    {{"lv2", make<Lv2EditorHost>}, 1.5, 653, 495, false},
};

class ScaledEditorWindow : public WindowTest, public ::testing::WithParamInterface<ScaledRow> {
 protected:
  void SetUp() override {
    QUENDRAL_REQUIRE_PACKAGE(server != nullptr, "Xvfb (Debian: xvfb): " << serverError);
    ASSERT_TRUE(server->setXftDpi(192));
    ASSERT_NO_FATAL_FAILURE(start(GetParam().format, GetParam().width, GetParam().height));
    scale = GetParam().hostScale > 0.0 ? GetParam().hostScale : 2.0;
    if (GetParam().hostScale > 0.0) {
      ASSERT_TRUE(host->setScale(scale));
    }
  }
  void TearDown() override {
    WindowTest::TearDown();
    if (server) server->setXftDpi(0);
  }
  bool panelIs(int w, int h) {
    const auto children = childWindows(window.display(), window.window());
    return children.size() == 1 && children[0].width == w && children[0].height == h;
  }
};

TEST_P(ScaledEditorWindow, OpensAtItsScaleAndTakesAClickAndADragThere) {
  const ScaledRow& row = GetParam();
  int width = 0, height = 0;
  if (row.sizeQuery) {
    ASSERT_TRUE(host->editorSize(width, height));
    EXPECT_EQ(width, row.width);
    EXPECT_EQ(height, row.height);
  }
  ASSERT_NO_FATAL_FAILURE(openAndWaitForThePanel());
  EXPECT_TRUE(panelIs(row.width, row.height));
  ASSERT_NO_FATAL_FAILURE(clickFilterTwo());
  EXPECT_TRUE(idleUntil([&] { return near(pixel(kLampX + 0.5, kLampTwoY + 0.5), kLit, 40); }));
  // Slow steps: four times the pixels take longer to redraw (far longer under sanitizers).
  ASSERT_NO_FATAL_FAILURE(dragAngleKnobUp("0.2"));
  EXPECT_NEAR(host->parameter(kAngle), 0.5f + 17.0f / 66.0f, 0.002f);

  // 200% while open, from the host (VST3, CLAP) or the panel's size menu (LV2): the panel
  // reopens at it (in the widget LV2's host keeps) and takes a click there.
  if (row.hostScale == 0.0) return;
  if (row.sizeQuery) {
    ASSERT_TRUE(host->setScale(2.0));
  } else {
    const VSTGUI::CRect item = panner::VGSizeMenuOpener::rowOf(200);
    ASSERT_NO_FATAL_FAILURE(xdotool(to(100, 15) + " click 3 sleep 0.3" +
                                    to(item.left + 10, (item.top + item.bottom) / 2) + " click 1"));
  }
  const Window widget = childWindows(window.display(), window.window()).at(0).id;
  scale = 2.0;
  EXPECT_TRUE(idleUntil([&] { return panelIs(870, 660); })) << "the panel did not reopen at 200%";
  if (row.sizeQuery) {
    ASSERT_TRUE(host->editorSize(width, height));
    EXPECT_EQ(width, 870);
    EXPECT_EQ(height, 660);
  } else {
    EXPECT_EQ(childWindows(window.display(), window.window()).at(0).id, widget);
    EXPECT_EQ(static_cast<Lv2EditorHost&>(*host).resizeAsked, std::make_pair(870, 660));
  }
  window.resize(870, 660);  // the host's window follows
  ASSERT_TRUE(idleUntil([&] { return ringDrawn(); }));
  ASSERT_NO_FATAL_FAILURE(clickFilterTwo());
}

INSTANTIATE_TEST_SUITE_P(Formats, ScaledEditorWindow, ::testing::ValuesIn(kScaledRows),
                         [](const ::testing::TestParamInfo<ScaledRow>& row) {
                           return std::string(row.param.format.name);
                         });

}  // namespace
}  // namespace quendral_test
