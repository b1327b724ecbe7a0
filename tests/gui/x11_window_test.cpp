// The X11 backend's own cases in a real window under a private Xvfb server (the editor's
// child window, clicks and gestures are in tests/editor/editor_window_test.cpp, through
// every format): the pointer and modifiers polled, exposure, a host that destroys its window
// first or gives a bad one, and the host's X error handler left alone.
// GoogleTest first: Xlib's macros (None, Bool) would break its templates.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <chrono>
#include <string>
#include <thread>

#include "editor/vg_target_button.h"
#include "gui/c_frame.h"
#include "gui/x11/x11_window.h"
#include "xvfb_suite.h"

namespace panner {

using namespace VSTGUI;

namespace {

const CRect kPanel(0, 0, 435, 330);
const CColor kPale = lighten(ColourSet::defaults()[0]);

class RealWindow : public quendral_test::XvfbSuite {
 protected:
  void SetUp() override {
    ASSERT_NE(server, nullptr) << serverError;
    display = XOpenDisplay(server->display().c_str());
    ASSERT_NE(display, nullptr);
    host = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 435, 330, 0,
                               BlackPixel(display, 0), BlackPixel(display, 0));
    XMapWindow(display, host);
    XSync(display, False);
    X11Window::resetErrors();
  }

  void TearDown() override {
    if (!display) return;
    if (host) XDestroyWindow(display, host);
    XCloseDisplay(display);
  }

  void* parent() const { return reinterpret_cast<void*>(static_cast<uintptr_t>(host)); }

  // Plays the user with nobody idling: what it does waits for the frame's next idle.
  void xdotool(const std::string& arguments) {
    ASSERT_NO_FATAL_FAILURE(quendral_test::playXdotool(arguments, [] {}));
  }

  // Idles the frame as a host does until `done` holds or the time is up.
  template <typename Done>
  bool pumpUntil(CFrame* frame, Done done, int milliseconds = 3000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
      frame->idle();
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  CColor pixel(CFrame* frame, const CPoint& p) {
    CColor c;
    EXPECT_TRUE(frame->getPixel(p.x, p.y, c));
    return c;
  }

  Display* display = nullptr;
  Window host = 0;
};

}  // namespace

TEST_F(RealWindow, PointerAndModifiersArePolled) {
  CFrame* frame = new CFrame(kPanel, parent(), nullptr);
  ASSERT_TRUE(frame->hasWindow());
  xdotool("mousemove --window " + std::to_string(host) + " 20 30");
  ASSERT_TRUE(pumpUntil(frame, [&] { return frame->getMouseLocation() == CPoint(20, 30); }));
  xdotool("keydown shift mousedown 1");
  EXPECT_EQ(frame->getMouseButtons(), kLButton | kShift);
  xdotool("mouseup 1 keyup shift keydown ctrl mousedown 3");
  EXPECT_EQ(frame->getMouseButtons(), kRButton | kControl);
  xdotool("mouseup 3 keyup ctrl");
  EXPECT_EQ(frame->getMouseButtons(), 0);
  // The presses made while nobody idled are handled at the next idle: left with Shift
  // reaches no view here, and nothing breaks.
  frame->idle();
  frame->forget();
  EXPECT_EQ(X11Window::errorCount(), 0);
}

TEST_F(RealWindow, ExposureRedrawsTheFrame) {
  ColourSet colours = ColourSet::defaults();
  CFrame* frame = new CFrame(kPanel, parent(), nullptr);
  ASSERT_TRUE(frame->hasWindow());
  frame->addView(new VGTargetButton(CRect(415, 300, 432, 317), nullptr, 23, colours));
  frame->idle();
  ASSERT_EQ(pixel(frame, CPoint(423, 308)), kPale);

  // Another client paints over the window and then reports it exposed.
  auto child = static_cast<Window>(frame->getPlatformWindow()->nativeHandle());
  GC gc = XCreateGC(display, child, 0, nullptr);
  XSetForeground(display, gc, BlackPixel(display, 0));
  XFillRectangle(display, child, gc, 0, 0, 435, 330);
  XFreeGC(display, gc);
  XClearArea(display, child, 0, 0, 0, 0, True);
  XSync(display, False);
  EXPECT_EQ(pixel(frame, CPoint(423, 308)), kBlackCColor);
  ASSERT_TRUE(pumpUntil(frame, [&] { return pixel(frame, CPoint(423, 308)) == kPale; }));
  EXPECT_EQ(pixel(frame, CPoint(10, 10)), kWhiteCColor) << "background redrawn too";
  frame->forget();
}

TEST_F(RealWindow, HostDestroyingItsWindowFirstIsHandled) {
  CFrame* frame = new CFrame(kPanel, parent(), nullptr);
  ASSERT_TRUE(frame->hasWindow());
  XDestroyWindow(display, host);
  XSync(display, False);
  host = 0;
  ASSERT_TRUE(pumpUntil(
      frame, [&] { return !frame->hasWindow(); }, 1000));
  frame->idle();
  frame->forget();
  EXPECT_EQ(X11Window::errorCount(), 0);
}

TEST_F(RealWindow, BadParentGivesAFrameWithoutWindow) {
  CFrame* frame = new CFrame(kPanel, reinterpret_cast<void*>(uintptr_t{0x7ffffff}), nullptr);
  EXPECT_FALSE(frame->hasWindow());
  EXPECT_GT(X11Window::errorCount(), 0) << "the error was recorded, the process lives on";
  frame->idle();
  frame->dispatchPress(CPoint(1, 1), kLButton);
  CColor c;
  EXPECT_FALSE(frame->getPixel(1, 1, c));
  frame->forget();
}

namespace {
int gHostErrors = 0;
int hostHandler(Display*, XErrorEvent*) {
  ++gHostErrors;
  return 0;
}
}  // namespace

TEST_F(RealWindow, HostsErrorHandlerKeepsItsErrorsAndIsGivenBack) {
  XErrorHandler before = XSetErrorHandler(hostHandler);
  gHostErrors = 0;
  CFrame* frame = new CFrame(kPanel, parent(), nullptr);
  ASSERT_TRUE(frame->hasWindow());
  // An error on the host's own connection still reaches the host's handler.
  XWindowAttributes attributes;
  XGetWindowAttributes(display, static_cast<Window>(0x7ffffff), &attributes);
  XSync(display, False);
  EXPECT_EQ(gHostErrors, 1);
  EXPECT_EQ(X11Window::errorCount(), 0);
  frame->forget();
  // Once no frame is open the host's handler is installed again, so nothing points into
  // the plug-in's code after it is unloaded.
  XErrorHandler current = XSetErrorHandler(before);
  EXPECT_EQ(current, &hostHandler);
}

}  // namespace panner
