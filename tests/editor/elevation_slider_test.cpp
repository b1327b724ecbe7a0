// The panel's elevation slider, headless: a drag is an edit gesture of "elevation" the host
// hears, and the slider's mark follows the elevation in use as the engine glides.
#include <gtest/gtest.h>

#include <vector>

#include "editor/panel_layout.h"
#include "editor/vg_elevation_slider.h"
#include "gui/c_frame.h"
#include "gui/image/image_window.h"
#include "quendral.h"
#include "quendral_editor.h"

namespace panner {
namespace {

std::vector<int32_t> gGestures;  // +index at a begin, -index at an end

intptr_t recordingHost(AEffect*, int32_t opcode, int32_t index, intptr_t, void*, float) {
  if (opcode == audioMasterBeginEdit || opcode == audioMasterEndEdit)
    gGestures.push_back(opcode == audioMasterBeginEdit ? index : -index);
  return opcode == audioMasterVersion ? 2400 : 0;
}

TEST(ElevationSlider, DragsAsAGestureAndMarksTheElevationInUse) {
  quendral plugin(recordingHost);
  auto* editor = dynamic_cast<quendraleditor*>(plugin.getEditor());
  ASSERT_TRUE(editor != nullptr && editor->openHeadless());
  const VSTGUI::CRect& box = panel::kViews[panel::kElevationSlider].box;
  const VSTGUI::CPoint at(box.left + 8, box.top + 22), up(at.x, at.y - box.height() / 4);
  auto& mouse = *static_cast<VSTGUI::ImageWindow*>(editor->getFrame()->getPlatformWindow());
  mouse.setMouse(VSTGUI::kLButton, at);
  mouse.queueMouse(VSTGUI::kLButton, up);
  mouse.queueMouse(0, up);
  editor->getFrame()->dispatchPress(at, VSTGUI::kLButton);
  EXPECT_NEAR(plugin.getParameter(kParamElevation), 0.75f, 1e-6f);  // a quarter up: 45 degrees
  EXPECT_EQ(gGestures, (std::vector<int32_t>{kParamElevation, -kParamElevation}));

  std::vector<float> in(128, 0.0f), out0(128), out1(128);
  float* inputs[] = {in.data()};
  float* outputs[] = {out0.data(), out1.data()};
  for (int frame = 0; frame < 30; ++frame) plugin.processReplacing(inputs, outputs, 128);
  editor->idle();
  auto* slider = dynamic_cast<VGElevationSlider*>(editor->getView(panel::kElevationSlider));
  ASSERT_NE(slider, nullptr);
  EXPECT_NEAR(slider->getInUse(), 30.0f / 180.0f + 0.5f, 1e-6f);  // one degree per frame
  editor->close();
}

}  // namespace
}  // namespace panner
