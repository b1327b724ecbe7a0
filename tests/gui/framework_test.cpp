// The view framework without a window system: value rules, press dispatch, idle redraw,
// the splash screen and the editor link.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "gui/c_bitmap.h"
#include "gui/c_control.h"
#include "gui/c_draw_context.h"
#include "gui/c_frame.h"
#include "gui/c_splash_screen.h"
#include "gui/image/image_window.h"
#include "recording_listener.h"

using namespace VSTGUI;

namespace {

// A control that fills its rectangle with one colour and counts draws and presses.
class ProbeControl : public CControl {
 public:
  ProbeControl(const CRect& size, CColor colour, CControlListener* listener = nullptr,
               int32_t tag = 0)
      : CControl(size, listener, tag), colour_(colour) {}
  void draw(CDrawContext* context) override {
    ++draws;
    context->setFillColor(colour_);
    context->fillRect(size_);
    setDirty(false);
  }
  void mouse(CDrawContext*, CPoint& where, int32_t buttons) override {
    presses.push_back({where, buttons});
  }
  struct Press {
    CPoint where;
    int32_t buttons;
  };
  int draws = 0;
  std::vector<Press> presses;

 private:
  CColor colour_;
};

constexpr CColor kRed{255, 0, 0, 255};
constexpr CColor kBlue{0, 0, 255, 255};
constexpr CColor kGreen{0, 255, 0, 255};

struct HeadlessFrame : ::testing::Test {
  RecordingOwner owner;
  CFrame* frame = CFrame::createHeadless(CRect(0, 0, 100, 80), &owner);
  ~HeadlessFrame() override { frame->forget(); }

  CColor pixel(int x, int y) {
    CColor c;
    EXPECT_TRUE(frame->getPixel(x, y, c));
    return c;
  }
};

}  // namespace

TEST(ControlValue, ClampKeepsValueInRangeIncludingNotANumber) {
  const float cases[][2] = {{1.5f, 1.0f}, {-0.5f, 0.0f}, {std::nanf(""), 0.0f}, {0.3f, 0.3f}};
  CControl control(CRect(0, 0, 10, 10));
  for (const auto& [value, clamped] : cases) {
    control.setValue(value);
    control.clampValue();
    EXPECT_FLOAT_EQ(control.getValue(), clamped) << value;
  }
}

TEST_F(HeadlessFrame, DefaultValueCheckActsOnlyOnLeftWithControl) {
  RecordingListener listener;
  auto* control = new CControl(CRect(0, 0, 10, 10), &listener, 6);
  frame->addView(control);
  control->setValue(0.9f);
  EXPECT_FALSE(control->checkDefaultValue(nullptr, kLButton));
  EXPECT_FALSE(control->checkDefaultValue(nullptr, kLButton | kControl | kShift));
  EXPECT_FLOAT_EQ(control->getValue(), 0.9f);

  EXPECT_TRUE(control->checkDefaultValue(nullptr, kLButton | kControl));
  EXPECT_FLOAT_EQ(control->getValue(), 0.5f);
  ASSERT_EQ(listener.changes.size(), 1u);
  EXPECT_EQ(owner.begun, std::vector<int>{6});
  EXPECT_EQ(owner.ended, std::vector<int>{6});
  EXPECT_EQ(frame->getFocusView(), control);
}

TEST_F(HeadlessFrame, PressGoesToLastAddedEnabledViewUnderThePointer) {
  auto* below = new ProbeControl(CRect(0, 0, 60, 60), kRed);
  auto* above = new ProbeControl(CRect(20, 20, 80, 80), kBlue);
  frame->addView(below);
  frame->addView(above);

  frame->dispatchPress(CPoint(30, 30), kLButton);  // overlap: the later view
  frame->dispatchPress(CPoint(10, 10), kRButton);  // only the earlier one
  frame->dispatchPress(CPoint(90, 5), kLButton);   // nobody
  ASSERT_EQ(above->presses.size(), 1u);
  EXPECT_EQ(above->presses[0].where, CPoint(30, 30));
  ASSERT_EQ(below->presses.size(), 1u);
  EXPECT_EQ(below->presses[0].buttons, kRButton);

  above->setMouseEnabled(false);
  frame->dispatchPress(CPoint(30, 30), kLButton);
  EXPECT_EQ(below->presses.size(), 2u) << "a disabled view lets the press through";
  EXPECT_EQ(above->presses.size(), 1u);

  // Mouse area edges: left/top inside, right/bottom outside.
  frame->dispatchPress(CPoint(60, 10), kLButton);
  EXPECT_EQ(below->presses.size(), 2u);
}

TEST_F(HeadlessFrame, ModalViewTakesEveryPressItsHitTestAccepts) {
  auto* child = new ProbeControl(CRect(0, 0, 100, 80), kRed);
  frame->addView(child);
  auto* modal = new ProbeControl(CRect(10, 10, 50, 50), kBlue);
  frame->setModalView(modal);
  frame->dispatchPress(CPoint(20, 20), kLButton);
  frame->dispatchPress(CPoint(70, 70), kLButton);  // outside the modal view: nobody
  EXPECT_EQ(modal->presses.size(), 1u);
  EXPECT_TRUE(child->presses.empty());
  frame->setModalView(nullptr);
  modal->forget();
  frame->dispatchPress(CPoint(70, 70), kLButton);
  EXPECT_EQ(child->presses.size(), 1u);
}

TEST_F(HeadlessFrame, IdleDrawsEverythingOnceThenOnlyDirtyViews) {
  auto* a = new ProbeControl(CRect(0, 0, 50, 80), kRed);
  auto* b = new ProbeControl(CRect(50, 0, 100, 80), kBlue);
  frame->addView(a);
  frame->addView(b);
  frame->idle();
  EXPECT_EQ(a->draws, 1);
  EXPECT_EQ(b->draws, 1);
  EXPECT_EQ(pixel(10, 10), kRed);
  EXPECT_EQ(pixel(60, 10), kBlue);

  frame->idle();
  EXPECT_EQ(a->draws, 1) << "clean views are not redrawn";
  b->setValue(0.7f);
  frame->idle();
  EXPECT_EQ(a->draws, 1);
  EXPECT_EQ(b->draws, 2);

  frame->invalidate(CRect(0, 0, 10, 10));
  frame->idle();
  EXPECT_EQ(a->draws, 2);
  EXPECT_EQ(b->draws, 2);
}

TEST_F(HeadlessFrame, SplashScreenShowsPictureUntilTheNextLeftPress) {
  std::vector<uint8_t> rgb(100 * 80 * 3, 0);
  for (size_t i = 0; i < rgb.size(); i += 3) rgb[i + 1] = 255;  // all green
  auto* picture = new CBitmap(rgb.data(), 100, 80);
  RecordingListener listener;
  auto* under = new ProbeControl(CRect(0, 0, 100, 80), kRed);
  frame->addView(under);
  auto* splash = new CSplashScreen(CRect(0, 0, 100, 10), &listener, 24, picture,
                                   CRect(0, 0, 100, 80), CPoint(0, 0));
  frame->addView(splash);
  picture->forget();  // the splash screen keeps its own reference
  frame->idle();
  EXPECT_EQ(pixel(50, 5), kRed) << "invisible while its value is 0";

  frame->dispatchPress(CPoint(50, 5), kRButton);
  EXPECT_FALSE(splash->isShown()) << "only the left button opens it";
  frame->dispatchPress(CPoint(50, 5), kLButton);
  ASSERT_TRUE(splash->isShown());
  ASSERT_EQ(listener.changes.size(), 1u);
  EXPECT_EQ(listener.changes[0].value, 1.0f);
  frame->idle();
  EXPECT_EQ(pixel(50, 60), kGreen);

  // The next left press anywhere on the picture closes it; the panel is redrawn whole.
  frame->dispatchPress(CPoint(50, 60), kLButton);
  EXPECT_FALSE(splash->isShown());
  EXPECT_EQ(frame->getModalView(), nullptr);
  EXPECT_TRUE(under->presses.empty()) << "the closing press does not reach the views";
  ASSERT_EQ(listener.changes.size(), 2u);
  EXPECT_EQ(listener.changes[1].value, 0.0f);
  frame->idle();
  EXPECT_EQ(pixel(50, 60), kRed);
}

TEST(FrameLifetime, ClosingWithSplashShownReleasesEverything) {
  std::vector<uint8_t> rgb(20 * 20 * 3, 128);
  auto* picture = new CBitmap(rgb.data(), 20, 20);
  CFrame* frame = CFrame::createHeadless(CRect(0, 0, 20, 20), nullptr);
  auto* splash =
      new CSplashScreen(CRect(0, 0, 20, 20), nullptr, 24, picture, CRect(0, 0, 20, 20), CPoint());
  frame->addView(splash);
  frame->dispatchPress(CPoint(1, 1), kLButton);
  EXPECT_TRUE(splash->isShown());
  EXPECT_EQ(picture->getNbReference(), 3);  // ours, the splash screen's, the view's
  frame->forget();                          // leak checkers see the rest
  EXPECT_EQ(picture->getNbReference(), 1);
  picture->forget();
}
