// Time to draw each simple control into a headless frame, at the panel's sizes.
//   quendral_gui_bench [Google Benchmark options]
// The baseline is the bare paint pattern of a 65 x 18 control (make the anti-aliased
// surface, fill it, copy it to the frame, drop it); after the usual table each control's
// time is printed as a ratio to it, taking the fastest repetition of each.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include "editor/ars_draw_context.h"
#include "editor/vg_bottom_label.h"
#include "editor/vg_logo.h"
#include "editor/vg_simple_label.h"
#include "editor/vg_target_button.h"
#include "editor/vg_text_button.h"
#include "editor/vg_vert_meter.h"
#include "fastest_run_reporter.h"
#include "gui/c_frame.h"

namespace panner {

using namespace VSTGUI;

namespace {

const ColourSet kColours = ColourSet::defaults();

// Draws one control into a window context of a headless panel, as the frame's idle does.
template <typename Control>
void drawControl(benchmark::State& state, const CRect& rect, void (*setUp)(Control&)) {
  CFrame* frame = CFrame::createHeadless(CRect(0, 0, 435, 330), nullptr);
  auto* control = new Control(rect, nullptr, 24, kColours);
  setUp(*control);
  frame->addView(control);
  CDrawContext* context = frame->createDrawContext();
  for (auto _ : state) {
    control->draw(context);
    benchmark::ClobberMemory();
  }
  context->forget();
  frame->forget();
}

void BM_BaselineSurface(benchmark::State& state) {
  CFrame* frame = CFrame::createHeadless(CRect(0, 0, 435, 330), nullptr);
  CDrawContext* context = frame->createDrawContext();
  for (auto _ : state) {
    auto* surface = new ARSDrawContext(frame, 65, 18);
    surface->setFillColor(kWhiteCColor);
    surface->fillRect(CRect(0, 0, 65, 18));
    surface->copyFrom(context, CRect(142, 240, 207, 258));
    surface->forget();
    benchmark::ClobberMemory();
  }
  context->forget();
  frame->forget();
}
BENCHMARK(BM_BaselineSurface);

void BM_TextButton(benchmark::State& state) {
  drawControl<VGTextButton>(state, CRect(142, 240, 207, 258), [](VGTextButton& b) {
    b.setCaption("filt one");
    b.setOnText("filt one");
  });
}
BENCHMARK(BM_TextButton);

void BM_TargetButton(benchmark::State& state) {
  drawControl<VGTargetButton>(state, CRect(415, 300, 432, 317), [](VGTargetButton&) {});
}
BENCHMARK(BM_TargetButton);

void BM_SimpleLabel(benchmark::State& state) {
  drawControl<VGSimpleLabel>(state, CRect(5, 300, 65, 315),
                             [](VGSimpleLabel& l) { l.setCaption("angle"); });
}
BENCHMARK(BM_SimpleLabel);

void BM_BottomLabel(benchmark::State& state) {
  drawControl<VGBottomLabel>(state, CRect(0, 320, 435, 330), [](VGBottomLabel& l) {
    l.setCaption("quendral 1.0.0 binaural panner");
  });
}
BENCHMARK(BM_BottomLabel);

void BM_Logo(benchmark::State& state) {
  drawControl<VGLogo>(state, CRect(5, 5, 430, 31),
                      [](VGLogo& l) { l.setCaption("+ q u e n d r a l"); });
}
BENCHMARK(BM_Logo);

void BM_MeterLevels(benchmark::State& state) {
  drawControl<VGVertMeter>(state, CRect(415, 35, 432, 253),
                           [](VGVertMeter& m) { m.setValue(1.5f); });
}
BENCHMARK(BM_MeterLevels);

void BM_MeterWithMarks(benchmark::State& state) {
  drawControl<VGVertMeter>(state, CRect(415, 35, 432, 253), [](VGVertMeter& m) {
    m.setValue(0.5f);
    CPoint where(420, 100);
    m.mouse(nullptr, where, kLButton);  // switches the dB marks on
  });
}
BENCHMARK(BM_MeterWithMarks);

class RatioReporter : public FastestRunReporter {
 public:
  void Finalize() override {
    ConsoleReporter::Finalize();
    auto base = cpuNs().find("BM_BaselineSurface");
    if (base == cpuNs().end()) return;
    std::printf("\ndraw time per control (ratio to the bare 65 x 18 paint, %.1f us):\n",
                base->second / 1000.0);
    for (const auto& [name, ns] : cpuNs()) {
      if (name != base->first)
        std::printf("  %-20s %8.1f us  x%.1f\n", name.c_str(), ns / 1000.0, ns / base->second);
    }
  }
};

}  // namespace

}  // namespace panner

int main(int argc, char** argv) {
  panner::RatioReporter reporter;
  return runBenchmarks(argc, argv, reporter);
}
