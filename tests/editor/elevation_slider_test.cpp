// The panel's elevation slider, headless: a drag is an edit gesture the host hears, Ctrl+left
// click levels it, host changes move it, and its mark follows the elevation in use.
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
  if (opcode == audioMasterBeginEdit) gGestures.push_back(index);
  if (opcode == audioMasterEndEdit) gGestures.push_back(-index);
  return opcode == audioMasterVersion ? 2400 : 0;
}

TEST(ElevationSlider, DragsLevelsFollowsTheHostAndMarksTheElevationInUse) {
  quendral plugin(recordingHost);
  auto* editor = dynamic_cast<quendraleditor*>(plugin.getEditor());
  ASSERT_TRUE(editor != nullptr && editor->openHeadless());
  auto* slider = dynamic_cast<VGElevationSlider*>(editor->getView(panel::kElevationSlider));
  ASSERT_NE(slider, nullptr);
  const VSTGUI::CRect& box = panel::kViews[panel::kElevationSlider].box;
  const VSTGUI::CPoint centre(box.left + 8, box.top + box.height() / 2);
  const auto drag = [&](int32_t buttons, int32_t up) {
    auto& mouse = *static_cast<VSTGUI::ImageWindow*>(editor->getFrame()->getPlatformWindow());
    const VSTGUI::CPoint release(centre.x, centre.y - up);
    mouse.setMouse(buttons, centre);
    mouse.queueMouse(buttons, centre);
    mouse.queueMouse(buttons, release);
    mouse.queueMouse(0, release);
    editor->getFrame()->dispatchPress(centre, buttons);
  };
  drag(VSTGUI::kLButton, box.height() / 4);  // a quarter of the height: 45 degrees
  EXPECT_NEAR(plugin.getParameter(kParamElevation), 0.75f, 1e-6f);
  EXPECT_EQ(gGestures, (std::vector<int32_t>{kParamElevation, -kParamElevation}));
  drag(VSTGUI::kLButton | VSTGUI::kControl, 0);
  EXPECT_EQ(plugin.getParameter(kParamElevation), 0.5f);

  plugin.setParameter(kParamElevation, 1.0f);  // overhead, as automation sets it
  std::vector<float> in(128, 0.0f), out0(128), out1(128);
  float* inputs[] = {in.data()};
  float* outputs[] = {out0.data(), out1.data()};
  for (int frame = 0; frame < 30; ++frame) plugin.processReplacing(inputs, outputs, 128);
  editor->idle();
  EXPECT_EQ(slider->getValue(), 1.0f);
  EXPECT_NEAR(slider->getInUse(), 30.0f / 180.0f + 0.5f, 1e-6f);  // one degree per frame
  editor->close();
}

}  // namespace
}  // namespace panner
