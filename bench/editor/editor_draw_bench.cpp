// Drawing cost of the editor, headless: the whole panel (what a full redraw costs, e.g. after
// the colour button), and the response display alone (redrawn at every host idle). The
// baseline paints one panel-sized offscreen surface and copies it to the window, so the
// ratios say how much the controls cost above the bare surface work. The host's idle with
// its redraws, at 100% and 200%, says what a HiDPI screen costs (4x the pixels).
#include <benchmark/benchmark.h>

#include <memory>

#include "editor/vg_spect.h"
#include "gui/c_frame.h"
#include "gui/c_offscreen_context.h"
#include "quendral.h"
#include "quendral_editor.h"

namespace panner {

namespace {

intptr_t quietHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

// A plug-in that has processed a little noise, so the spectra are not empty.
struct OpenPanel {
  explicit OpenPanel(double scale = 1.0) : plugin(quietHost) {
    float in[512], left[512], right[512];
    uint32_t seed = 7u;
    for (float& x : in) {
      seed = seed * 1664525u + 1013904223u;
      x = static_cast<float>(seed >> 9) / 4194304.0f - 1.0f;
    }
    float* inputs[1] = {in};
    float* outputs[2] = {left, right};
    plugin.resume();
    for (int i = 0; i < 8; ++i) plugin.processReplacing(inputs, outputs, 512);
    editor = static_cast<quendraleditor*>(plugin.getEditor());
    editor->getPanel().setHostScale(scale);
    editor->openHeadless();
    editor->idle();
  }
  ~OpenPanel() { editor->close(); }
  quendral plugin;
  quendraleditor* editor;
};

void BM_BaselinePanelSurface(benchmark::State& state) {
  OpenPanel panel;
  VSTGUI::CFrame* frame = panel.editor->getFrame();
  VSTGUI::CDrawContext* target = frame->createDrawContext();
  for (auto _ : state) {
    auto* surface = new VSTGUI::COffscreenContext(frame, 435, 330, VSTGUI::kWhiteCColor);
    surface->copyFrom(target, VSTGUI::CRect(0, 0, 435, 330));
    surface->forget();
  }
  target->forget();
}
BENCHMARK(BM_BaselinePanelSurface)->Unit(benchmark::kMicrosecond);

void BM_FullPanelDraw(benchmark::State& state) {
  OpenPanel panel;
  VSTGUI::CFrame* frame = panel.editor->getFrame();
  for (auto _ : state) frame->drawAll();
}
BENCHMARK(BM_FullPanelDraw)->Unit(benchmark::kMicrosecond);

void BM_ResponseDisplayDraw(benchmark::State& state) {
  OpenPanel panel;
  VSTGUI::CFrame* frame = panel.editor->getFrame();
  VSTGUI::CView* display = panel.editor->getView(2);
  VSTGUI::CDrawContext* target = frame->createDrawContext();
  for (auto _ : state) display->draw(target);
  target->forget();
}
BENCHMARK(BM_ResponseDisplayDraw)->Unit(benchmark::kMicrosecond);

// One host idle of the open panel at a scale in percent: the response display, the meter
// and whatever the idle pulls from the plug-in redrawn.
void BM_PanelIdleAtScale(benchmark::State& state) {
  OpenPanel panel(static_cast<double>(state.range(0)) / 100.0);
  for (auto _ : state) panel.editor->idle();
}
BENCHMARK(BM_PanelIdleAtScale)->Arg(100)->Arg(200)->Unit(benchmark::kMicrosecond);

// The whole panel at a scale in percent.
void BM_FullPanelDrawAtScale(benchmark::State& state) {
  OpenPanel panel(static_cast<double>(state.range(0)) / 100.0);
  VSTGUI::CFrame* frame = panel.editor->getFrame();
  for (auto _ : state) frame->drawAll();
}
BENCHMARK(BM_FullPanelDrawAtScale)->Arg(100)->Arg(200)->Unit(benchmark::kMicrosecond);

}  // namespace

}  // namespace panner

BENCHMARK_MAIN();
