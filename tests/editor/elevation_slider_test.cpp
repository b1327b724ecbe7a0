// The panel's elevation slider, headless: a drag moves "elevation" as an edit gesture the
// host hears, Ctrl+left click levels it, host changes move it, and its mark follows the
// elevation the engine glides through rather than the target.
#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "editor/panel_layout.h"
#include "editor/vg_elevation_slider.h"
#include "gui/c_frame.h"
#include "gui/image/image_window.h"
#include "parameters.h"
#include "quendral.h"
#include "quendral_editor.h"

namespace panner {
namespace {

using VSTGUI::CPoint;

struct HostLog {
  std::vector<int32_t> automated, begins, ends;
};
HostLog gLog;

intptr_t recordingHost(AEffect*, int32_t opcode, int32_t index, intptr_t, void*, float) {
  if (opcode == audioMasterVersion) return 2400;
  if (opcode == audioMasterAutomate) gLog.automated.push_back(index);
  if (opcode == audioMasterBeginEdit) gLog.begins.push_back(index);
  if (opcode == audioMasterEndEdit) gLog.ends.push_back(index);
  return 0;
}

class ElevationSlider : public ::testing::Test {
 protected:
  void SetUp() override {
    gLog = HostLog{};
    plugin = std::make_unique<quendral>(recordingHost);
    editor = dynamic_cast<quendraleditor*>(plugin->getEditor());
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(editor->openHeadless());
    editor->idle();
    slider = dynamic_cast<VGElevationSlider*>(editor->getView(panel::kElevationSlider));
    ASSERT_NE(slider, nullptr);
  }
  void TearDown() override { editor->close(); }

  void drag(CPoint at, int32_t buttons, CPoint release) {
    auto& mouse = *static_cast<VSTGUI::ImageWindow*>(editor->getFrame()->getPlatformWindow());
    mouse.setMouse(buttons, at);
    mouse.queueMouse(buttons, at);
    mouse.queueMouse(buttons, release);
    mouse.queueMouse(0, release);
    editor->getFrame()->dispatchPress(at, buttons);
  }
  // The row of the mark on the slider's left edge: the darkest pixel of that column.
  int32_t markRow() {
    const VSTGUI::CRect& box = panel::kViews[panel::kElevationSlider].box;
    int32_t row = -1, darkest = 3 * 256;
    for (int32_t y = box.top; y < box.bottom; ++y) {
      VSTGUI::CColor c;
      EXPECT_TRUE(editor->getFrame()->getPixel(box.left + 1, y, c));
      if (c.red + c.green + c.blue < darkest) {
        darkest = c.red + c.green + c.blue;
        row = y;
      }
    }
    return row;
  }
  // The panel pulls the core's state at one idle and draws it at the next.
  void refresh() {
    editor->idle();
    editor->idle();
  }
  void play(int32_t frames) {
    std::vector<float> in(128, 0.0f), out0(128), out1(128);
    float* inputs[] = {in.data()};
    float* outputs[] = {out0.data(), out1.data()};
    for (int32_t i = 0; i < frames; ++i) plugin->processReplacing(inputs, outputs, 128);
  }

  std::unique_ptr<quendral> plugin;
  quendraleditor* editor = nullptr;
  VGElevationSlider* slider = nullptr;
};

TEST_F(ElevationSlider, DragsAsAnEditGestureAndCtrlClickLevelsIt) {
  const VSTGUI::CRect& box = panel::kViews[panel::kElevationSlider].box;
  const CPoint centre(box.left + box.width() / 2, box.top + box.height() / 2);
  // A quarter of the slider's height upward: a quarter of the range, 45 degrees.
  drag(centre, VSTGUI::kLButton, CPoint(centre.x, centre.y - box.height() / 4));
  EXPECT_NEAR(plugin->getParameter(kParamElevation), 0.75f, 1e-6f);
  EXPECT_EQ(gLog.begins, std::vector<int32_t>{kParamElevation});
  EXPECT_EQ(gLog.ends, std::vector<int32_t>{kParamElevation});
  EXPECT_FALSE(gLog.automated.empty());
  for (int32_t index : gLog.automated) EXPECT_EQ(index, kParamElevation);

  drag(centre, VSTGUI::kLButton | VSTGUI::kControl, centre);
  EXPECT_EQ(plugin->getParameter(kParamElevation), 0.5f);
}

TEST_F(ElevationSlider, FollowsTheHostAndMarksTheElevationInUse) {
  const int32_t level = markRow();
  plugin->setParameter(kParamElevation, 1.0f);  // overhead, as automation sets it
  refresh();
  EXPECT_EQ(slider->getValue(), 1.0f);
  EXPECT_EQ(markRow(), level) << "the engine has not moved yet";
  play(30);  // one degree per frame
  refresh();
  EXPECT_NEAR(slider->getInUse(), 30.0f / 180.0f + 0.5f, 1e-6f);
  const int32_t rising = markRow();
  EXPECT_LT(rising, level);
  play(100);
  refresh();
  EXPECT_LT(markRow(), rising);
}

}  // namespace
}  // namespace panner
