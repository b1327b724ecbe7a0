// The editor panel drawn headless (no X server): a real plug-in object with a recording host
// callback, its editor opened on the in-memory image backend, presses scripted on it.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "about_picture.h"
#include "editor/panel_layout.h"
#include "editor/vg_bottom_label.h"
#include "editor/vg_envelope.h"
#include "editor/vg_grommet_knob.h"
#include "editor/vg_spect.h"
#include "editor/vg_text_button.h"
#include "gui/c_frame.h"
#include "gui/image/image_window.h"
#include "own_response_set.h"
#include "parameters.h"
#include "quendral.h"
#include "quendral_editor.h"
#include "required_package.h"

namespace panner {

using VSTGUI::CColor;
using VSTGUI::CPoint;
using VSTGUI::CRect;

namespace {

struct HostLog {
  std::vector<std::pair<int32_t, float>> automate;
  std::vector<int32_t> begins, ends;
  void clear() { *this = HostLog{}; }
};
HostLog gLog;

intptr_t recordingHost(AEffect*, int32_t opcode, int32_t index, intptr_t, void*, float opt) {
  switch (opcode) {
    case audioMasterVersion:
      return 2400;
    case audioMasterAutomate:
      gLog.automate.emplace_back(index, opt);
      break;
    case audioMasterBeginEdit:
      gLog.begins.push_back(index);
      break;
    case audioMasterEndEdit:
      gLog.ends.push_back(index);
      break;
    default:
      break;
  }
  return 0;
}

bool near(const CColor& a, const CColor& b, int tolerance = 8) {
  return std::abs(a.red - b.red) <= tolerance && std::abs(a.green - b.green) <= tolerance &&
         std::abs(a.blue - b.blue) <= tolerance;
}

class Panel : public ::testing::Test {
 protected:
  void SetUp() override {
    gLog.clear();
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
  VSTGUI::ImageWindow& mouse() {
    return *static_cast<VSTGUI::ImageWindow*>(frame()->getPlatformWindow());
  }
  template <class T>
  T* view(int32_t index) {
    return dynamic_cast<T*>(editor->getView(index));
  }
  CColor pixel(int32_t x, int32_t y) {
    CColor c;
    EXPECT_TRUE(frame()->getPixel(x, y, c));
    return c;
  }
  // A press that is released at `release` after moving there while held.
  void drag(CPoint at, int32_t buttons, CPoint release) {
    mouse().setMouse(buttons, at);
    mouse().queueMouse(buttons, at);
    mouse().queueMouse(buttons, release);
    mouse().queueMouse(0, release);
    frame()->dispatchPress(at, buttons);
  }
  void click(CPoint at, int32_t buttons = VSTGUI::kLButton) { drag(at, buttons, at); }
  bool automated(int32_t index) const {
    for (const auto& call : gLog.automate) {
      if (call.first == index) return true;
    }
    return false;
  }

  std::unique_ptr<quendral> plugin;
  quendraleditor* editor = nullptr;
};

// Opening an open panel again builds it afresh instead of stacking a second one.
TEST_F(Panel, ReopeningBuildsThePanelAfresh) {
  ASSERT_TRUE(editor->openHeadless());
  EXPECT_EQ(frame()->getNbViews(), quendraleditor::kNumViews);
  editor->close();
  EXPECT_FALSE(editor->isOpen());
  editor->close();  // closing a closed panel does nothing
}

TEST_F(Panel, KnobTextIsThePluginsDisplayAndLabel) {
  char display[64] = {}, label[64] = {}, text[256] = {};
  plugin->getParameterDisplay(kParamAngle, display);
  view<VGGrommetKnob>(4)->valueText(text, sizeof text);
  EXPECT_EQ(std::string(text), std::string(display) + " ");  // the angle knob has no unit
  plugin->getParameterDisplay(kParamGain, display);
  plugin->getParameterLabel(kParamGain, label);
  view<VGGrommetKnob>(6)->valueText(text, sizeof text);
  EXPECT_EQ(std::string(text), std::string(display) + " " + label);
  EXPECT_NE(std::string(label).find("dB"), std::string::npos);
}

TEST_F(Panel, KnobDragCtrlClickAndClamp) {
  plugin->setParameter(kParamAngle, 0.5f);
  editor->idle();
  gLog.clear();
  drag({38, 267}, VSTGUI::kLButton, {38, 257});  // 10 pixels up on a 66-pixel knob
  EXPECT_NEAR(plugin->getParameter(kParamAngle), 0.5f + 10.0f / 66.0f, 1e-4f);
  EXPECT_EQ(gLog.begins, std::vector<int32_t>{0});
  EXPECT_EQ(gLog.ends, std::vector<int32_t>{0});
  EXPECT_TRUE(automated(kParamAngle));

  gLog.clear();
  click({38, 267}, VSTGUI::kLButton | VSTGUI::kControl);
  EXPECT_NEAR(plugin->getParameter(kParamAngle), 0.5f, 1e-5f);
  EXPECT_TRUE(gLog.begins.empty());  // a reset is no gesture

  drag({38, 267}, VSTGUI::kLButton, {38, 100});  // far past the top
  EXPECT_FLOAT_EQ(plugin->getParameter(kParamAngle), 1.0f);
  drag({38, 267}, VSTGUI::kLButton | VSTGUI::kShift, {38, 257});  // fine: 10/330
  EXPECT_NEAR(plugin->getParameter(kParamAngle), 1.0f, 1e-5f);    // clamped at the top
  drag({38, 267}, VSTGUI::kLButton | VSTGUI::kShift, {38, 277});
  EXPECT_NEAR(plugin->getParameter(kParamAngle), 1.0f - 10.0f / 330.0f, 1e-4f);

  gLog.clear();
  click({38, 267}, VSTGUI::kRButton);
  EXPECT_TRUE(gLog.automate.empty());

  // Ctrl+Shift is no reset but a fine drag.
  drag({38, 267}, VSTGUI::kLButton | VSTGUI::kControl | VSTGUI::kShift, {38, 277});
  EXPECT_NEAR(plugin->getParameter(kParamAngle), 1.0f - 20.0f / 330.0f, 1e-4f);
  EXPECT_EQ(gLog.begins, std::vector<int32_t>{0});
}

TEST_F(Panel, FilterButtonsAreARadioPair) {
  auto* one = view<VGTextButton>(8);
  auto* two = view<VGTextButton>(9);
  click({150, 272});  // "filt two"
  EXPECT_FLOAT_EQ(two->getValue(), 1.0f);
  EXPECT_FLOAT_EQ(one->getValue(), 0.0f);
  ASSERT_FALSE(gLog.automate.empty());
  EXPECT_EQ(gLog.automate.back(), std::make_pair(int32_t{3}, 1.0f));
  gLog.clear();
  click({150, 272});  // again: stays on and is sent again
  EXPECT_FLOAT_EQ(two->getValue(), 1.0f);
  ASSERT_FALSE(gLog.automate.empty());
  EXPECT_EQ(gLog.automate.back(), std::make_pair(int32_t{3}, 1.0f));
  click({150, 249});  // "filt one"
  EXPECT_FLOAT_EQ(one->getValue(), 1.0f);
  EXPECT_FLOAT_EQ(two->getValue(), 0.0f);
  EXPECT_FLOAT_EQ(plugin->getParameter(kParamFilterNumber), 0.0f);

  // 0.5 selects the second set, and the panel opens with "filt two" lit.
  editor->close();
  plugin->setParameter(kParamFilterNumber, 0.5f);
  ASSERT_TRUE(editor->openHeadless());
  EXPECT_FLOAT_EQ(view<VGTextButton>(8)->getValue(), 0.0f);
  EXPECT_FLOAT_EQ(view<VGTextButton>(9)->getValue(), 1.0f);
}

TEST_F(Panel, EnvelopeClickEditsOnePointWithoutTellingTheHost) {
  float before[kNumDefinedParams];
  for (int32_t i = 0; i < kNumDefinedParams; ++i) before[i] = plugin->getParameter(i);
  gLog.clear();
  click({310, 80});  // t = 0.5, v = 0.22
  int changed = 0;
  for (int32_t i = kParamPointValue1; i <= kParamPointTime8; ++i) {
    if (plugin->getParameter(i) != before[i]) ++changed;
  }
  EXPECT_GE(changed, 1);
  EXPECT_LE(changed, 2);  // one point: its value and perhaps its time
  EXPECT_TRUE(gLog.automate.empty());
  EXPECT_TRUE(gLog.begins.empty());
  // Presses in the margin are ignored.
  for (int32_t i = 0; i < kNumDefinedParams; ++i) before[i] = plugin->getParameter(i);
  click({215, 80});
  for (int32_t i = kParamPointValue1; i <= kParamPointTime8; ++i)
    EXPECT_EQ(plugin->getParameter(i), before[i]);
}

TEST_F(Panel, TitleStripShowsTheAboutPictureUntilTheNextClick) {
  click({100, 15});
  ASSERT_NE(frame()->getModalView(), nullptr);
  plugin->setParameter(kParamAngle, 0.1f);  // controls that change must not paint over it
  editor->idle();
  editor->idle();
  for (CPoint p : {CPoint(20, 20), CPoint(300, 200), CPoint(430, 325)}) {
    const unsigned char* rgb =
        resources::kAboutPicturePixels + (p.y * resources::kAboutPictureWidth + p.x) * 3;
    EXPECT_TRUE(near(pixel(p.x, p.y), CColor{rgb[0], rgb[1], rgb[2], 255}, 2)) << p.x << "," << p.y;
  }
  click({300, 200});
  EXPECT_EQ(frame()->getModalView(), nullptr);
  editor->idle();
  EXPECT_FALSE(near(pixel(300, 200),
                    CColor{resources::kAboutPicturePixels[(200 * 435 + 300) * 3],
                           resources::kAboutPicturePixels[(200 * 435 + 300) * 3 + 1],
                           resources::kAboutPicturePixels[(200 * 435 + 300) * 3 + 2], 255},
                    2));
}

TEST_F(Panel, ColourButtonRecoloursAndRestores) {
  const ColourSet defaults = ColourSet::defaults();
  click({423, 308});
  bool differs = false;
  for (int i = 0; i < 3; ++i) differs = differs || !(editor->getColours()[i] == defaults[i]);
  EXPECT_TRUE(differs);
  EXPECT_EQ(editor->getColours()[3], defaults[3]);  // text stays black
  EXPECT_FALSE(automated(quendraleditor::kColourTag));
  click({423, 308});
  for (int i = 0; i < 4; ++i) EXPECT_EQ(editor->getColours()[i], defaults[i]);

  click({423, 308});
  editor->close();
  ASSERT_TRUE(editor->openHeadless());
  for (int i = 0; i < 4; ++i) EXPECT_EQ(editor->getColours()[i], defaults[i]);
  EXPECT_FLOAT_EQ(dynamic_cast<VSTGUI::CControl*>(editor->getView(18))->getValue(), 0.0f);
}

TEST_F(Panel, HostChangesReachTheControlsAtTheNextIdle) {
  plugin->setParameter(kParamGain, 0.9f);
  plugin->setParameter(kParamLfoDivide, 1.0f);
  plugin->setParameter(kParamMidiLfoTempo, 1.0f);
  plugin->setParameter(kParamFilterNumber, 1.0f);
  EXPECT_NE(view<VGGrommetKnob>(6)->getValue(), 0.9f);  // nothing moves before the idle
  editor->idle();
  EXPECT_NEAR(view<VGGrommetKnob>(6)->getValue(), 0.9f, 1e-6f);
  EXPECT_FLOAT_EQ(view<VGGrommetKnob>(15)->getValue(), 1.0f);
  EXPECT_FLOAT_EQ(view<VGTextButton>(10)->getValue(), 1.0f);
  EXPECT_FLOAT_EQ(view<VGTextButton>(9)->getValue(), 1.0f);
  EXPECT_FLOAT_EQ(view<VGTextButton>(8)->getValue(), 0.0f);
  // With the panel closed the hook is harmless, and idle does nothing.
  editor->close();
  plugin->setParameter(kParamGain, 0.1f);
  editor->idle();
  EXPECT_EQ(editor->getView(6), nullptr);
}

// The engine publishes the display spectra only for an open editor, once per idle.
TEST_F(Panel, SpectraFollowTheAudioOnlyWhileTheEditorIsOpen) {
  std::vector<float> noise(512), out0(512), out1(512);
  uint32_t seed = 1;
  float* inputs[] = {noise.data()};
  float* outputs[] = {out0.data(), out1.data()};
  const auto play = [&] {
    for (float& x : noise) {
      seed = seed * 1664525u + 1013904223u;
      x = static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
    }
    plugin->processReplacing(inputs, outputs, 512);
  };
  const auto inputDc = [&] { return plugin->getEngine().displayInSpectrum()[0].load(); };

  editor->close();
  play();  // serves what the editor asked for before it closed
  plugin->suspend();
  play();
  EXPECT_EQ(inputDc(), 0.0f) << "published with no editor open";

  ASSERT_TRUE(editor->openHeadless());
  play();
  const float first = inputDc();
  EXPECT_NE(first, 0.0f) << "the first picture after opening shows the audio";
  play();
  EXPECT_EQ(inputDc(), first) << "published again without a refresh";
  // A refresh gets a later frame, at most kDisplayFramesApart frames after the last one.
  editor->idle();
  for (int frames = 0; frames < SpatialEngine::kDisplayFramesApart; frames += 512 / 128) play();
  EXPECT_NE(inputDc(), first) << "a refresh got no new frame";
}

TEST(KnobOwnDisplay, IntegerDisplaySnapsToWholeNumbers) {
  ColourSet colours = ColourSet::defaults();
  VGGrommetKnob knob(CRect(0, 0, 66, 66), nullptr, 2, colours, nullptr);
  knob.setDisplayMin(1.0f);
  knob.setDisplayMax(11.0f);
  knob.setIntegerDisplay(true);
  knob.setLabel("x");
  char text[256];
  for (float v : {0.6f, 0.65f, 0.699f}) {
    knob.setValue(v);
    knob.valueText(text, sizeof text);
    EXPECT_STREQ(text, "7.00 x");
    EXPECT_NEAR(knob.getValue(), 0.6f, 1e-6f);
  }
  knob.setIntegerDisplay(false);
  knob.setDisplayMin(-180.0f);
  knob.setDisplayMax(180.0f);
  knob.setValue(0.75f);
  knob.valueText(text, sizeof text);
  EXPECT_STREQ(text, "90.0 x");  // a range above 15 uses one decimal
}

TEST(IdlePump, TickOrderSurvivesTheWrapOfTheTickCount) {
  EXPECT_TRUE(AEffGUIEditor::tickBefore(10u, 110u));
  EXPECT_FALSE(AEffGUIEditor::tickBefore(110u, 10u));
  EXPECT_FALSE(AEffGUIEditor::tickBefore(110u, 110u));
  // A full pass shortly before the count wraps sets the pump time 100 ms later. 40 ms after
  // the pass it still lies ahead; 200 ms after, the count has wrapped to a small number and
  // the pump time lies behind it, so the next call runs a full pass again.
  const uint32_t pass = 0xFFFFFF00u;
  const uint32_t pumpTime = pass + 100u;
  EXPECT_TRUE(AEffGUIEditor::tickBefore(pass + 40u, pumpTime));
  EXPECT_FALSE(AEffGUIEditor::tickBefore(pass + 200u, pumpTime));
}

// A response display on its own frame, fed from arrays the test controls.
class ResponseDisplay : public ::testing::Test {
 protected:
  void SetUp() override {
    for (auto& x : zero) x.store(0.0f);
    for (auto& x : filter) x.store(0.0f);
    for (int j = 0; j <= 128; ++j) filter[j].store(1.0f);  // flat response, power 1
    data.binCount = 128;
    for (int p = 0; p < 2; ++p) {
      data.inSpectrum[p] = zero;
      data.outSpectrum[p] = zero;
      data.filterSpectrum[p] = filter;
      data.curveScale[p] = &scale;
    }
    data.setGain = &gain;
    data.sampleRate = 44100.0f;
    frame = VSTGUI::CFrame::createHeadless(CRect(0, 0, 200, 200), nullptr);
    spect = new VGSpect(CRect(0, 0, 200, 200), nullptr, 24, colours, data);
    frame->addView(spect);
  }
  void TearDown() override { frame->forget(); }

  std::atomic<float> zero[256];
  std::atomic<float> filter[256];
  float gain = 1.0f;
  float scale = 0.5f;
  SpectrumDisplayData data;
  ColourSet colours = ColourSet::defaults();
  VSTGUI::CFrame* frame = nullptr;
  VGSpect* spect = nullptr;
};

TEST_F(ResponseDisplay, SilenceLiesOnTheCentreLineAndResponsesStillShow) {
  static_cast<VSTGUI::ImageWindow*>(frame->getPlatformWindow())->setMouse(0, CPoint(500, 500));
  frame->drawAll();
  CColor c;
  // Half the power (-3 dB) lies on row 4 of the top pane and row 196 of the mirrored one.
  ASSERT_TRUE(frame->getPixel(100, 4, c));
  EXPECT_GT(c.red, c.green + 60);
  ASSERT_TRUE(frame->getPixel(100, 196, c));
  EXPECT_GT(c.red, c.green + 60);
  // Everywhere else in the panes the grey background shows: no spectrum polygon rises.
  ASSERT_TRUE(frame->getPixel(100, 50, c));
  EXPECT_EQ(c, (CColor{240, 240, 240, 255}));
  ASSERT_TRUE(frame->getPixel(100, 150, c));
  EXPECT_EQ(c, (CColor{240, 240, 240, 255}));
}

TEST_F(ResponseDisplay, ReadoutsGiveFrequencyAndRowLevel) {
  char one[256], two[256];
  spect->readoutTexts(0, 100, one, two, 256);  // centre row: names only
  EXPECT_STREQ(one, "channel 1");
  EXPECT_STREQ(two, "channel 2");
  spect->readoutTexts(0, 10, one, two, 256);
  EXPECT_STREQ(one, "channel 1    0.00 Hz   -9.60 dB");
  EXPECT_STREQ(two, "channel 2");
  spect->readoutTexts(2, 190, one, two, 256);  // one bin is 172.27 Hz wide
  EXPECT_STREQ(two, "channel 2   172.27 Hz   -9.60 dB");
  spect->readoutTexts(200, 200, one, two, 256);  // right and bottom edges
  EXPECT_STREQ(two, "channel 2   22050.00 Hz   0.00 dB");

  // A display squeezed to no width still gives a defined readout.
  VGSpect flat(CRect(0, 0, 0, 200), nullptr, 24, colours, data);
  flat.readoutTexts(0, 10, one, two, 256);
  EXPECT_STREQ(one, "channel 1    0.00 Hz   -9.60 dB");
}

}  // namespace

// ---- the own response set: dropping a SOFA file, the status line ----

namespace {

const char kKemar[] = "/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa";

class OwnSetPanel : public Panel {
 protected:
  VSTGUI::CControl* statusLine() { return view<VSTGUI::CControl>(panel::kBottomLabel); }
  std::string status() {
    editor->idle();
    return dynamic_cast<VGControl*>(statusLine())->getCaption();
  }
  // Drops the files and idles until the panel's loader has finished with them.
  void drop(const std::vector<std::string>& paths) {
    frame()->filesDropped(paths);
    for (int i = 0; i < 2000 && editor->getOwnSetLoader().busy(); ++i) {
      editor->idle();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    editor->idle();  // takes the result (and a queued drop's)
    for (int i = 0; i < 2000 && editor->getOwnSetLoader().busy(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    editor->idle();
  }
  QuendralCore& core() { return plugin->getCore(); }
  std::string writeFile(const char* name, const std::string& bytes) {
    const std::string path = ::testing::TempDir() + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    return path;
  }
};

}  // namespace

TEST_F(OwnSetPanel, ADroppedFileLoadsOffTheEditorThreadAndSwitchesTheOwnSetOn) {
  QUENDRAL_REQUIRE_PACKAGE(std::filesystem::exists(kKemar), kKemar << " (Debian: libmysofa-data)");
  EXPECT_NE(status().find("built-in set one plays - drop a .sofa file"), std::string::npos);
  // The line is drawn: text at its left and the version at its right.
  auto inkIn = [&](int32_t left, int32_t right) {
    int32_t ink = 0;
    for (int32_t x = left; x < right; ++x) {
      for (int32_t y = 320; y < 330; ++y) ink += pixel(x, y).red < 128 ? 1 : 0;
    }
    return ink;
  };
  EXPECT_GT(inkIn(0, 100), 20);
  EXPECT_GT(inkIn(370, 435), 20);
  EXPECT_EQ(core().getParameter(kParamOwnSet), 0.0f);

  frame()->filesDropped({kKemar});
  EXPECT_TRUE(editor->getOwnSetLoader().busy()) << "the drop returns before the set is built";
  EXPECT_EQ(status(), "loading MIT_KEMAR_normal_pinna.sofa ...");
  drop({});
  ASSERT_NE(core().ownSet(), nullptr);
  EXPECT_EQ(core().getParameter(kParamOwnSet), 1.0f);
  // One user gesture: the host records the switch as automation of "own set".
  EXPECT_EQ(gLog.begins, std::vector<int32_t>{kParamOwnSet});
  EXPECT_EQ(gLog.ends, std::vector<int32_t>{kParamOwnSet});
  EXPECT_TRUE(automated(kParamOwnSet));
  const std::string own = status();
  EXPECT_EQ(own.rfind("own set: ", 0), 0u) << own;
  EXPECT_NE(own.find(core().ownSet()->name), std::string::npos);
  EXPECT_NE(own.find("directions"), std::string::npos);

  // A click on the line goes back to the built-in set, another to the own set.
  click({100, 325});
  EXPECT_EQ(core().getParameter(kParamOwnSet), 0.0f);
  EXPECT_NE(status().find("own set " + core().ownSet()->name + " is off"), std::string::npos);
  click({100, 325});
  EXPECT_EQ(core().getParameter(kParamOwnSet), 1.0f);
}

TEST_F(OwnSetPanel, ARefusedDropKeepsTheSetAndSaysWhyUntilClickedAway) {
  QUENDRAL_REQUIRE_PACKAGE(std::filesystem::exists(kKemar), kKemar << " (Debian: libmysofa-data)");
  drop({kKemar});
  const auto loaded = core().ownSet();
  ASSERT_NE(loaded, nullptr);
  gLog.clear();

  const std::string path = writeFile("notes.sofa", "these are not measurements\n");
  drop({path, kKemar});
  EXPECT_EQ(core().ownSet(), loaded) << "a refused file changes nothing";
  EXPECT_EQ(core().getParameter(kParamOwnSet), 1.0f);
  EXPECT_FALSE(automated(kParamOwnSet));
  const std::string refused = status();
  EXPECT_EQ(refused.rfind("not loaded, the set stays: notes.sofa: not a SOFA file", 0), 0u)
      << refused;
  EXPECT_TRUE(dynamic_cast<VGBottomLabel*>(statusLine())->getAlert());
  EXPECT_TRUE(near(pixel(2, 322), VGBottomLabel::kAlertBackground));

  // The first click only dismisses the refusal, with no edit for the host; the own set
  // stays on.
  gLog.clear();
  click({100, 325});
  EXPECT_EQ(core().getParameter(kParamOwnSet), 1.0f);
  EXPECT_EQ(status().rfind("own set: ", 0), 0u);
  EXPECT_FALSE(dynamic_cast<VGBottomLabel*>(statusLine())->getAlert());
  EXPECT_TRUE(gLog.begins.empty());
  EXPECT_TRUE(gLog.ends.empty());

  // The same file refused again is a new refusal: shown again, though its text is the same.
  drop({path});
  EXPECT_EQ(status(), refused);
  EXPECT_TRUE(dynamic_cast<VGBottomLabel*>(statusLine())->getAlert());
}

TEST_F(OwnSetPanel, AFileDroppedDuringALoadFollowsIt) {
  QUENDRAL_REQUIRE_PACKAGE(std::filesystem::exists(kKemar), kKemar << " (Debian: libmysofa-data)");
  frame()->filesDropped({kKemar});
  frame()->filesDropped({writeFile("second.sofa", "")});
  drop({});
  EXPECT_NE(core().ownSet(), nullptr) << "the first loaded";
  EXPECT_NE(status().find("second.sofa"), std::string::npos) << "the second was tried after it";
}

TEST_F(OwnSetPanel, WithNothingLoadedAClickDoesNotSwitchTheOwnSetOn) {
  click({100, 325});
  EXPECT_EQ(core().getParameter(kParamOwnSet), 0.0f);
  EXPECT_FALSE(automated(kParamOwnSet));
  // The colour button's tag is no parameter: its click reaches the host as nothing.
  gLog.clear();
  click({423, 308});
  EXPECT_TRUE(gLog.begins.empty());
  EXPECT_TRUE(gLog.automate.empty());
}

}  // namespace panner
