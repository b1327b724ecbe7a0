// The editor panel of a real plug-in drawn headless, presses scripted on it: the rules a real
// window (editor_window_test.cpp) cannot pin down exactly.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "about_picture.h"
#include "colour_compare.h"
#include "editor/panel_layout.h"
#include "editor/vg_bottom_label.h"
#include "editor/vg_elevation_slider.h"
#include "editor/vg_grommet_knob.h"
#include "editor/vg_size_menu.h"
#include "editor/vg_spect.h"
#include "editor/vg_vert_meter.h"
#include "gui/c_frame.h"
#include "gui/image/image_window.h"
#include "own_response_set.h"
#include "parameters.h"
#include "quendral.h"
#include "quendral_editor.h"
#include "required_package.h"
#include "state_chunk.h"

namespace panner {

using quendral_test::near;
using VSTGUI::CColor;
using VSTGUI::CPoint;
using VSTGUI::CRect;

namespace {

struct HostLog {
  std::vector<std::pair<int32_t, float>> automate;
  std::vector<int32_t> begins, ends;
} gLog;

intptr_t recordingHost(AEffect*, int32_t opcode, int32_t index, intptr_t, void*, float opt) {
  if (opcode == audioMasterVersion) return 2400;
  if (opcode == audioMasterAutomate) gLog.automate.emplace_back(index, opt);
  if (opcode == audioMasterBeginEdit) gLog.begins.push_back(index);
  if (opcode == audioMasterEndEdit) gLog.ends.push_back(index);
  return 0;
}

class Panel : public ::testing::Test {
 protected:
  void SetUp() override {
    gLog = {};
    plugin = std::make_unique<quendral>(recordingHost);
    editor = dynamic_cast<quendraleditor*>(plugin->getEditor());
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(editor->openHeadless());
    editor->idle();
  }
  void TearDown() override {
    if (editor != nullptr) editor->close();
  }

  VSTGUI::CFrame* frame() { return editor->getFrame(); }
  CColor pixel(int32_t x, int32_t y) {
    CColor c;
    EXPECT_TRUE(frame()->getPixel(x, y, c));
    return c;
  }
  // A press that is released at `release` after moving there while held.
  void drag(CPoint at, int32_t buttons, CPoint release) {
    auto& mouse = *static_cast<VSTGUI::ImageWindow*>(frame()->getPlatformWindow());
    mouse.setMouse(buttons, at);
    mouse.queueMouse(buttons, at);
    mouse.queueMouse(buttons, release);
    mouse.queueMouse(0, release);
    frame()->dispatchPress(at, buttons);
  }
  void click(CPoint at, int32_t buttons = VSTGUI::kLButton) { drag(at, buttons, at); }

  std::unique_ptr<quendral> plugin;
  quendraleditor* editor = nullptr;
};

// The angle knob (66 pixels) under each way of pressing it: a 66th of the range per pixel,
// a 330th with Shift, clamped at the ends; Ctrl alone resets without a gesture.
TEST_F(Panel, KnobDragsClampFineDragsAndResets) {
  using namespace VSTGUI;
  const struct {
    int32_t buttons;
    float from;
    int toY;
    float expected;
    bool gesture;
  } cases[] = {
      {kLButton, 0.5f, 257, 0.5f + 10.0f / 66.0f, true},
      {kLButton, 0.5f, 100, 1.0f, true},
      {kLButton | kShift, 1.0f, 277, 1.0f - 10.0f / 330.0f, true},
      {kLButton | kShift, 1.0f, 257, 1.0f, true},
      {kLButton | kControl | kShift, 1.0f, 277, 1.0f - 10.0f / 330.0f, true},
      {kLButton | kControl, 0.8f, 267, 0.5f, false},
      {kRButton, 0.3f, 257, 0.3f, false},
  };
  for (const auto& c : cases) {
    plugin->setParameter(kParamAngle, c.from);
    editor->idle();
    gLog = {};
    drag({38, 267}, c.buttons, {38, c.toY});
    SCOPED_TRACE(testing::Message() << "buttons " << c.buttons << " to y " << c.toY);
    EXPECT_NEAR(plugin->getParameter(kParamAngle), c.expected, 1e-4f);
    EXPECT_EQ(gLog.begins, c.gesture ? std::vector<int32_t>{0} : std::vector<int32_t>{});
    EXPECT_EQ(gLog.ends, gLog.begins);
  }
}

// The lamps of "filt one" (lit) and "filt two", and the level meter's segments: a segment
// lights when the output lies above its mark, and above 0 dB the lit ones take the clip
// colour. The meter follows the engine's level at each idle.
TEST_F(Panel, LampsAndMeterSegmentsShowTheirState) {
  const ColourSet colours = ColourSet::defaults();
  const CColor pale = lighten(colours[0]), lit = colours[2], clip{255, 0, 5, 255};
  EXPECT_TRUE(near(pixel(198, 249), lit, 2));
  EXPECT_TRUE(near(pixel(194, 249), darken(lit), 40)) << "the lit lamp's outline";
  EXPECT_TRUE(near(pixel(198, 272), pale, 2));
  auto* meter = dynamic_cast<VGVertMeter*>(editor->getView(panel::kMeter));
  const struct {
    float level;
    const char* expected;  // segments 0 (top) to 11: p pale, l lit, c clip
  } cases[] = {
      {0.5f, "ppppllllllll"},                       // about -6 dB: -9 dB and below
      {meter->getSegmentLevel(5), "ppppppllllll"},  // exactly on a mark: unlit
      {2.5f, "cccccccccccc"},
      {1.5f, "pccccccccccc"},
      {std::nanf(""), "pppppppppppp"},
  };
  for (const auto& c : cases) {
    meter->setValue(c.level);
    frame()->idle();
    for (int i = 0; i < VGVertMeter::kSegments; ++i) {
      const CRect r = meter->getSegmentRect(i);
      const CColor shown = pixel(415 + (r.left + r.right) / 2, 35 + (r.top + r.bottom) / 2);
      const CColor expected = c.expected[i] == 'p' ? pale : c.expected[i] == 'l' ? lit : clip;
      EXPECT_TRUE(near(shown, expected, 2)) << c.level << " segment " << i;
    }
  }
}

TEST_F(Panel, EnvelopeClickEditsOnePointWithoutTellingTheHost) {
  float before[kNumDefinedParams];
  for (int32_t i = 0; i < kNumDefinedParams; ++i) before[i] = plugin->getParameter(i);
  click({310, 80});
  int changed = 0;
  for (int32_t i = 0; i < kNumDefinedParams; ++i) {
    if (plugin->getParameter(i) == before[i]) continue;
    EXPECT_TRUE(i >= kParamPointValue1 && i <= kParamPointTime8) << i;
    ++changed;
  }
  EXPECT_GE(changed, 1);
  EXPECT_LE(changed, 2);  // one point: its value and perhaps its time
  EXPECT_TRUE(gLog.automate.empty());
  EXPECT_TRUE(gLog.begins.empty());
  for (int32_t i = 0; i < kNumDefinedParams; ++i) before[i] = plugin->getParameter(i);
  click({215, 80});  // the margin
  for (int32_t i = 0; i < kNumDefinedParams; ++i) EXPECT_EQ(plugin->getParameter(i), before[i]);
}

TEST_F(Panel, TitleStripShowsTheAboutPictureUntilTheNextClick) {
  const auto about = [](int x, int y) {
    const unsigned char* rgb =
        resources::kAboutPicturePixels + (y * resources::kAboutPictureWidth + x) * 3;
    return CColor{rgb[0], rgb[1], rgb[2], 255};
  };
  click({100, 15});
  plugin->setParameter(kParamAngle, 0.1f);  // controls that change must not paint over it
  editor->idle();
  editor->idle();
  for (CPoint p : {CPoint(20, 20), CPoint(300, 200), CPoint(430, 325)})
    EXPECT_TRUE(near(pixel(p.x, p.y), about(p.x, p.y), 2)) << p.x << "," << p.y;
  click({300, 200});
  editor->idle();
  EXPECT_FALSE(near(pixel(300, 200), about(300, 200), 2));
  click({100, 15});  // the panel then closes with the picture shown: nothing may leak
}

// The colour button recolours every control at its next draw (the lit "filt one" lamp
// here); it, the labels and the logo tell the host nothing.
TEST_F(Panel, ColourButtonRecoloursAndRestoresWithoutTellingTheHost) {
  const ColourSet defaults = ColourSet::defaults();
  const CColor lamp = pixel(198, 249);
  click({423, 308});
  editor->idle();
  EXPECT_FALSE(near(pixel(198, 249), lamp, 8)) << "the lamp was not redrawn in the new colours";
  bool differs = false;
  for (int i = 0; i < 3; ++i) differs = differs || !(editor->getColours()[i] == defaults[i]);
  EXPECT_TRUE(differs);
  EXPECT_EQ(editor->getColours()[3], defaults[3]);  // text stays black
  click({10, 305});                                 // the angle's label
  click({300, 29});                                 // the logo below the about picture's strip
  EXPECT_TRUE(gLog.automate.empty());
  EXPECT_TRUE(gLog.begins.empty());
  click({423, 308});
  for (int i = 0; i < 4; ++i) EXPECT_EQ(editor->getColours()[i], defaults[i]);
  click({423, 308});
  editor->close();  // reopened in the default colours
  ASSERT_TRUE(editor->openHeadless());
  for (int i = 0; i < 4; ++i) EXPECT_EQ(editor->getColours()[i], defaults[i]);
}

// A knob's text is the plug-in's display and label (the divide knob's a whole step); the
// response display's readout names the channel, off the centre row with frequency and level.
TEST_F(Panel, KnobAndResponseDisplayTexts) {
  char text[256], one[256], two[256], display[64] = {}, label[64] = {};
  plugin->getParameterDisplay(kParamGain, display);
  plugin->getParameterLabel(kParamGain, label);
  dynamic_cast<VGGrommetKnob*>(editor->getView(panel::kGainKnob))->valueText(text, sizeof text);
  EXPECT_EQ(std::string(text), std::string(display) + " " + label);
  EXPECT_NE(std::string(label).find("dB"), std::string::npos);
  plugin->setParameter(kParamLfoDivide, 0.65f);
  editor->idle();
  dynamic_cast<VGGrommetKnob*>(editor->getView(panel::kDivideKnob))->valueText(text, sizeof text);
  EXPECT_STREQ(text, "7 ");
  auto* spect = dynamic_cast<VGSpect*>(editor->getView(panel::kSpect));
  spect->readoutTexts(0, 100, one, two, 256);  // the centre row: names only
  EXPECT_STREQ(one, "channel 1");
  EXPECT_STREQ(two, "channel 2");
  spect->readoutTexts(2, 190, one, two, 256);  // one bin is 172.27 Hz wide
  EXPECT_EQ(std::string(two).rfind("channel 2   172.27 Hz   -", 0), 0u) << two;
  spect->readoutTexts(200, 200, one, two, 256);  // the right and bottom edges
  EXPECT_EQ(std::string(two).rfind("channel 2   22050.00 Hz   0.00 dB", 0), 0u) << two;
}

// SOFA files dropped on the panel load in turn off the editor's thread; the status line says
// what plays or why a file was refused, and a click dismisses a refusal, then switches sets.
TEST_F(Panel, DroppedSetsLoadInTurnAndTheStatusLineSaysAndSwitches) {
  const char kKemar[] = "/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa";
  QUENDRAL_REQUIRE_PACKAGE(std::filesystem::exists(kKemar), kKemar << " (Debian: libmysofa-data)");
  auto* line = dynamic_cast<VGBottomLabel*>(editor->getView(panel::kBottomLabel));
  const auto status = [&]() -> std::string {
    editor->idle();
    return line->getCaption();
  };
  QuendralCore& core = plugin->getCore();
  EXPECT_NE(status().find("built-in set one plays - drop a .sofa file"), std::string::npos);
  click({100, 325});  // with nothing loaded a click switches nothing on
  EXPECT_EQ(core.getParameter(kParamOwnSet), 0.0f);

  const std::string notes = ::testing::TempDir() + "notes.sofa";
  std::ofstream(notes) << "these are not measurements\n";
  frame()->filesDropped({kKemar});
  EXPECT_TRUE(editor->getOwnSetLoader().busy()) << "the drop returns before the set is built";
  EXPECT_EQ(status(), "loading MIT_KEMAR_normal_pinna.sofa ...");
  frame()->filesDropped({notes});  // dropped while the first loads: tried after it
  for (int i = 0; i < 4000 && (editor->getOwnSetLoader().busy() || !line->getAlert()); ++i) {
    editor->idle();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_NE(core.ownSet(), nullptr);
  EXPECT_EQ(core.getParameter(kParamOwnSet), 1.0f);
  EXPECT_EQ(status().rfind("not loaded, the set stays: notes.sofa: not a SOFA file", 0), 0u);
  EXPECT_TRUE(near(pixel(2, 322), VGBottomLabel::kAlertBackground, 8));

  gLog = {};
  click({100, 325});  // dismisses the refusal only
  EXPECT_EQ(core.getParameter(kParamOwnSet), 1.0f);
  EXPECT_FALSE(line->getAlert());
  EXPECT_TRUE(gLog.begins.empty());
  EXPECT_EQ(status().rfind("own set: " + core.ownSet()->name, 0), 0u) << status();
  EXPECT_NE(status().find("directions"), std::string::npos);
  click({100, 325});
  EXPECT_EQ(core.getParameter(kParamOwnSet), 0.0f);
  EXPECT_NE(status().find("own set " + core.ownSet()->name + " is off"), std::string::npos);
  click({100, 325});
  EXPECT_EQ(core.getParameter(kParamOwnSet), 1.0f);
}

// The elevation slider: a drag is an edit gesture of "elevation" the host hears, and the
// slider's mark follows the elevation in use as the engine glides.
TEST_F(Panel, ElevationSliderDragsAsAGestureAndMarksTheElevationInUse) {
  const CRect& box = panel::kViews[panel::kElevationSlider].box;
  const CPoint at(box.left + 8, box.top + 22), up(at.x, at.y - box.height() / 4);
  drag(at, VSTGUI::kLButton, up);
  EXPECT_NEAR(plugin->getParameter(kParamElevation), 0.75f, 1e-6f);  // a quarter up: 45 degrees
  EXPECT_EQ(gLog.begins, std::vector<int32_t>{kParamElevation});
  EXPECT_EQ(gLog.ends, std::vector<int32_t>{kParamElevation});
  std::vector<float> in(128, 0.0f), out0(128), out1(128);
  float* inputs[] = {in.data()};
  float* outputs[] = {out0.data(), out1.data()};
  for (int frame = 0; frame < 30; ++frame) plugin->processReplacing(inputs, outputs, 128);
  editor->idle();
  auto* slider = dynamic_cast<VGElevationSlider*>(editor->getView(panel::kElevationSlider));
  ASSERT_NE(slider, nullptr);
  EXPECT_NEAR(slider->getInUse(), 30.0f / 180.0f + 0.5f, 1e-6f);  // one degree per frame
}

// The head button turns this instance's head tracking on and off, the status line telling
// where it listens meanwhile. A right press opens its settings: each row sets what it says,
// the port steps by 1 (100 with Shift) and keeps the menu open. None of it is a parameter.
TEST_F(Panel, HeadButtonSwitchesTrackingAndItsMenuSetsHowTheHeadIsFollowed) {
  auto* line = dynamic_cast<VGBottomLabel*>(editor->getView(panel::kBottomLabel));
  const std::string setLine = line->getCaption();
  const CRect& button = panel::kViews[panel::kTrackingButton].box;
  for (bool on : {true, false}) {
    click({button.left + 10, button.top + 8});
    editor->idle();
    EXPECT_EQ(plugin->getCore().headTrackingSettings().on, on);
    const std::string shown = line->getCaption();
    EXPECT_EQ(shown.rfind("head tracking: ", 0) == 0, on) << shown;
    if (!on) {
      EXPECT_EQ(shown, setLine);
    }
  }
  const auto row = [&](int index, double along = 0.3) {
    const int32_t top =
        panel::kViews[panel::kLogo].box.bottom + 2 + index * VGMenuOpener::kRowHeight;
    return CPoint(button.left + static_cast<int32_t>(along * 120), top + 7);
  };
  const auto choose = [&](int index, double along = 0.3, int32_t modifiers = 0) {
    if (frame()->getModalView() == nullptr)
      click({button.left + 10, button.top + 8}, VSTGUI::kRButton);
    ASSERT_NE(frame()->getModalView(), nullptr) << "no menu on a right press on the head button";
    click(row(index, along), VSTGUI::kLButton | modifiers);
  };
  choose(1);       // the network too
  choose(2, 0.9);  // port +1: the menu stays
  EXPECT_NE(frame()->getModalView(), nullptr);
  choose(2, 0.7, VSTGUI::kShift);  // port -100
  choose(4);                       // invert pitch
  choose(7);                       // roll, pitch, yaw
  EXPECT_EQ(frame()->getModalView(), nullptr);
  HeadTrackingSettings expected;  // still off: a right press is not the button
  expected.listenAll = true;
  expected.port = kDefaultTrackingPort + 1 - 100;
  expected.invertPitch = true;
  expected.rollPitchYaw = true;
  EXPECT_EQ(plugin->getCore().headTrackingSettings(), expected);
  choose(0);  // this computer only
  EXPECT_FALSE(plugin->getCore().headTrackingSettings().listenAll);
  EXPECT_TRUE(gLog.automate.empty()) << "settings of the instance, not parameters";
}

struct Picture {
  std::vector<uint32_t> argb;
  int width = 0;
  int height = 0;
  int channel(int x, int y, int shift) const {
    return static_cast<int>((argb[static_cast<size_t>(y) * width + x] >> shift) & 0xFFu);
  }
};

Picture panelPicture(quendral& plugin, double hostScale) {
  auto* editor = dynamic_cast<quendraleditor*>(plugin.getEditor());
  editor->getPanel().setHostScale(hostScale);
  EXPECT_TRUE(editor->openHeadless());
  editor->idle();
  Picture picture;
  editor->getFrame()->getPlatformWindow()->readPixels(picture.argb, picture.width, picture.height);
  editor->close();
  return picture;
}

// At 200% the panel is drawn anew: averaged over 2 x 2 pixels it is the 100% picture, yet it
// has steps of over 60% within one 100% pixel, which no enlarged picture has.
TEST(PanelAtScale, TwiceTheSizeIsTheSamePictureWithItsOwnDetail) {
  quendral plugin(recordingHost);
  const Picture one = panelPicture(plugin, 1.0);
  const Picture two = panelPicture(plugin, 2.0);
  ASSERT_EQ(one.width, 435);
  ASSERT_EQ(one.height, 330);
  ASSERT_EQ(two.width, 870);
  ASSERT_EQ(two.height, 660);
  double difference = 0.0;
  int sharpSteps = 0;
  for (int y = 0; y < one.height; ++y) {
    for (int x = 0; x < one.width; ++x) {
      for (int shift : {0, 8, 16}) {
        const int sum = two.channel(2 * x, 2 * y, shift) + two.channel(2 * x + 1, 2 * y, shift) +
                        two.channel(2 * x, 2 * y + 1, shift) +
                        two.channel(2 * x + 1, 2 * y + 1, shift);
        difference += std::abs(sum / 4.0 - one.channel(x, y, shift));
        if (std::abs(two.channel(2 * x, 2 * y, shift) - two.channel(2 * x + 1, 2 * y, shift)) > 153)
          ++sharpSteps;
      }
    }
  }
  const double mean = difference / (3.0 * one.width * one.height);
  EXPECT_LT(mean, 3.0);
  EXPECT_GT(sharpSteps, 1000);
}

std::pair<int, int> editorRect(quendral& plugin) {
  ERect* rect = nullptr;
  EXPECT_TRUE(plugin.getEditor()->getRect(&rect));
  return {rect->right - rect->left, rect->bottom - rect->top};
}

// A size chosen on the title strip's menu reopens the panel at it and is kept by the project
// (the bank, not a preset); a project from before sizes opens at the screen's size.
TEST_F(Panel, SizeChosenOnThePanelKeptByTheProjectNotByPresets) {
  const std::pair<int, int> screen = editorRect(*plugin);
  click({100, 15}, VSTGUI::kRButton);
  ASSERT_NE(frame()->getModalView(), nullptr) << "no menu on a right press";
  const CRect row = VGSizeMenuOpener::rowOf(200);
  click({row.left + 10, (row.top + row.bottom) / 2});
  editor->idle();
  std::vector<uint32_t> pixels;
  int width = 0, height = 0;
  frame()->getPlatformWindow()->readPixels(pixels, width, height);
  EXPECT_EQ(width, 870);
  EXPECT_EQ(height, 660);
  EXPECT_EQ(editorRect(*plugin), std::make_pair(870, 660));

  void* data = nullptr;
  const int32_t size = plugin->getChunk(&data, false);
  std::vector<uint8_t> bank(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
  const int32_t presetSize = plugin->getChunk(&data, true);
  std::vector<uint8_t> preset(static_cast<uint8_t*>(data),
                              static_cast<uint8_t*>(data) + presetSize);
  // The bank as the version before sizes wrote it: without the size at its end.
  std::vector<uint8_t> older(bank.begin(), bank.end() - chunk::kBankEditorSizeSize);
  const auto payload = static_cast<uint32_t>(older.size() - chunk::kHeaderSize);
  const uint32_t crc = chunk::crc32(older.data() + chunk::kHeaderSize, payload);
  older[6] = 4;
  std::memcpy(&older[12], &payload, 4);
  std::memcpy(&older[16], &crc, 4);

  quendral reloaded(recordingHost);
  ASSERT_EQ(reloaded.setChunk(preset.data(), presetSize, true), 1);
  EXPECT_EQ(editorRect(reloaded), screen) << "a preset carries no size";
  ASSERT_EQ(reloaded.setChunk(bank.data(), size, false), 1);
  EXPECT_EQ(editorRect(reloaded), std::make_pair(870, 660));
  ASSERT_EQ(reloaded.setChunk(older.data(), static_cast<int32_t>(older.size()), false), 1);
  EXPECT_EQ(editorRect(reloaded), screen);
}

}  // namespace
}  // namespace panner
