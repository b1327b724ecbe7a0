// The editor's lamp button and level meter drawn headless at the panel's positions: what a
// user sees at known pixels, and what a click does; which buttons and modifiers the
// controls answer. The whole panel is in editor_panel_test.cpp and, in a real window through
// every format, in editor_window_test.cpp.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "editor/vg_bottom_label.h"
#include "editor/vg_logo.h"
#include "editor/vg_simple_label.h"
#include "editor/vg_target_button.h"
#include "editor/vg_text_button.h"
#include "editor/vg_vert_meter.h"
#include "gui/c_frame.h"
#include "gui/image/image_window.h"
#include "recording_listener.h"

namespace panner {

using namespace VSTGUI;

namespace {

const ColourSet kDefaults = ColourSet::defaults();
const CColor kPale = lighten(kDefaults[0]);  // unlit lamps and segments
const CColor kLit = kDefaults[2];
const CColor kClip{255, 0, 5, 255};

::testing::AssertionResult near(const CColor& actual, const CColor& expected, int tolerance = 2) {
  if (std::abs(actual.red - expected.red) <= tolerance &&
      std::abs(actual.green - expected.green) <= tolerance &&
      std::abs(actual.blue - expected.blue) <= tolerance)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "got " << int(actual.red) << "," << int(actual.green) << "," << int(actual.blue);
}

struct Panel : ::testing::Test {
  ColourSet colours = ColourSet::defaults();
  RecordingListener listener;
  RecordingOwner owner;
  CFrame* frame = CFrame::createHeadless(CRect(0, 0, 435, 330), &owner);

  Panel() { owner.frame = frame; }
  ~Panel() override { frame->forget(); }

  template <typename T>
  T* add(const CRect& rect, int tag = 24) {
    auto* control = new T(rect, &listener, tag, colours);
    frame->addView(control);
    return control;
  }
  CColor pixel(int x, int y) {
    CColor c;
    EXPECT_TRUE(frame->getPixel(x, y, c));
    return c;
  }
  void click(const CPoint& where, int32_t buttons) { frame->dispatchPress(where, buttons); }
  // Pixels darker than the text threshold inside a frame rectangle.
  int darkPixels(const CRect& r) {
    int count = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) count += pixel(x, y).red < 110 ? 1 : 0;
    return count;
  }
};

}  // namespace

TEST_F(Panel, TextButtonGeometryLampAndCaption) {
  auto* button = add<VGTextButton>(CRect(142, 240, 207, 258), 3);
  button->setCaption("filt one");
  button->setOnText("on text");
  button->setValue(0.5f);  // exactly 0.5 is drawn off
  frame->idle();
  const CPoint lamp(142 + 56, 240 + 9);
  EXPECT_TRUE(near(pixel(lamp.x, lamp.y), kPale));
  EXPECT_TRUE(near(pixel(142 + 1, 240 + 9), kDefaults[1])) << "pill body";
  EXPECT_TRUE(near(pixel(142 + 30, 240 + 1), kDefaults[1])) << "pill top edge";
  EXPECT_EQ(pixel(142 + 30, 240 + 4), kWhiteCColor) << "pill inside, above the text";
  // The caption lies in the text box and nowhere near the lamp.
  EXPECT_GT(darkPixels(CRect(150, 242, 189, 256)), 20);
  EXPECT_EQ(darkPixels(CRect(190, 240, 207, 258)), 0);

  click(CPoint(150, 250), kLButton);
  EXPECT_EQ(button->getValue(), 1.0f);
  EXPECT_TRUE(near(pixel(lamp.x, lamp.y), kLit)) << "redrawn by the click's idle";
  EXPECT_TRUE(near(pixel(142 + 52, 240 + 9), darken(kLit), 40)) << "lamp outline";
  click(CPoint(150, 250), kLButton);
  EXPECT_EQ(button->getValue(), 0.0f);
  EXPECT_TRUE(near(pixel(lamp.x, lamp.y), kPale));

  ASSERT_EQ(listener.changes.size(), 2u);
  EXPECT_EQ(listener.changes[0].value, 1.0f);
  EXPECT_EQ(listener.changes[1].value, 0.0f);
  EXPECT_EQ(owner.begun, (std::vector<int>{3, 3}));
  EXPECT_EQ(owner.ended, (std::vector<int>{3, 3}));
}

TEST_F(Panel, OnlyTheLeftButtonActsAndModifiersAskTheListener) {
  auto* text = add<VGTextButton>(CRect(142, 240, 207, 258), 3);
  auto* target = add<VGTargetButton>(CRect(415, 300, 432, 317), 23);
  auto* bottom = add<VGBottomLabel>(CRect(0, 320, 435, 330));
  auto* label = add<VGSimpleLabel>(CRect(5, 300, 65, 315));
  auto* logo = add<VGLogo>(CRect(5, 5, 430, 31));
  auto* meter = add<VGVertMeter>(CRect(415, 35, 432, 253));
  frame->idle();
  for (CPoint p : {CPoint(150, 250), CPoint(420, 305), CPoint(100, 325), CPoint(10, 305),
                   CPoint(100, 15), CPoint(420, 100)}) {
    click(p, kRButton);
    click(p, kMButton);
  }
  EXPECT_EQ(text->getValue(), 1.0f);
  EXPECT_EQ(target->getValue(), 0.0f);
  EXPECT_EQ(bottom->getValue(), 1.0f);
  EXPECT_EQ(label->getValue(), 1.0f);
  EXPECT_EQ(logo->getValue(), 1.0f);
  EXPECT_FALSE(meter->getShowScale());
  EXPECT_TRUE(listener.changes.empty());

  listener.modifierAnswer = 1;  // the listener takes Shift-clicks for itself
  click(CPoint(150, 250), kLButton | kShift);
  EXPECT_EQ(text->getValue(), 1.0f);
  EXPECT_EQ(listener.modifierMasks, std::vector<int32_t>{kLButton | kShift});
  listener.modifierAnswer = 0;
  click(CPoint(150, 250), kLButton | kControl);
  EXPECT_EQ(text->getValue(), 0.0f);
  ASSERT_EQ(listener.changes.size(), 1u);
}

struct Meter : Panel {
  VGVertMeter* meter = add<VGVertMeter>(CRect(415, 35, 432, 253));
  // The inner disc's centre of segment i, in frame coordinates.
  CColor segment(int i) {
    CRect r = meter->getSegmentRect(i);
    return pixel(415 + (r.left + r.right) / 2, 35 + (r.top + r.bottom) / 2);
  }
  void show(float level) {
    meter->setValue(level);
    frame->idle();
  }
};

// Segment i lights when the level lies above its mark; above 0 dB the lit ones turn to
// the clip colour.
TEST_F(Meter, LevelsLightSegmentsAboveTheirMarks) {
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
    show(c.level);
    for (int i = 0; i < VGVertMeter::kSegments; ++i) {
      const char k = c.expected[i];
      EXPECT_TRUE(near(segment(i), k == 'p'   ? kPale
                                   : k == 'l' ? kLit
                                              : kClip))
          << c.level << " segment " << i;
    }
  }
}

TEST_F(Meter, ClickSwitchesTheMarksAndTellsTheListener) {
  show(0.0f);
  const CRect inner = meter->getSegmentRect(3);
  const CRect disc(415 + inner.left + 2, 35 + inner.top + 2, 415 + inner.right - 2,
                   35 + inner.bottom - 2);
  EXPECT_EQ(darkPixels(disc), 0);
  click(CPoint(420, 100), kLButton);
  EXPECT_TRUE(meter->getShowScale());
  EXPECT_GT(darkPixels(disc), 3) << "dB mark drawn in the disc";
  ASSERT_EQ(listener.changes.size(), 1u);
  EXPECT_EQ(listener.changes[0].value, 0.0f) << "the value is unchanged";
  click(CPoint(420, 100), kLButton);
  EXPECT_FALSE(meter->getShowScale());
  EXPECT_EQ(darkPixels(disc), 0);
  EXPECT_EQ(listener.changes.size(), 2u);
}

}  // namespace panner
