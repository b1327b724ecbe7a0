// VGSpect: the response display. Two half-height panes, channel 1 above and channel 2
// mirrored below, each with 0 dB at its outer edge and -96 dB at the centre line and a
// linear frequency axis from 0 Hz to half the sample rate. Each pane shows the input
// spectrum and that channel's output spectrum as filled polygons and the filter's response
// as a line; while the pointer rests over the display a readout gives the frequency and
// level under it. Clicks are ignored.
#pragma once

#include <cstdint>
#include <vector>

#include "editor/spectrum_display_data.h"
#include "editor/spectrum_levels.h"
#include "editor/vg_control.h"

namespace panner {

class VGSpect : public VGControl {
 public:
  // display must outlive the view; its binCount fixes the point arrays' size.
  VGSpect(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
          const ColourSet& colours, const SpectrumDisplayData& display);
  ~VGSpect() override;

  void draw(VSTGUI::CDrawContext* context) override;
  void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons = -1) override;

  // The level table of a pane (0 or 1) as last built.
  const SpectrumLevelTable& levels(int32_t pane) const { return levelTables[pane]; }
  // The readout texts for a pointer at (mx, my) relative to the display's top-left corner.
  void readoutTexts(int32_t mx, int32_t my, char* channel1, char* channel2, int32_t capacity) const;

 private:
  int32_t panes() const;
  void rebuildTables();
  void paneRects(VSTGUI::CRect& pane1, VSTGUI::CRect& pane2) const;
  int32_t column(int32_t bin) const;
  // Builds a spectrum polygon of n + 1 points closed along the pane's inner edge.
  void buildPolygon(std::vector<VSTGUI::CPoint>& points, const std::atomic<float>* spectrum,
                    const VSTGUI::CRect& pane, bool mirrored,
                    const SpectrumLevelTable& table) const;
  void drawPane(ARSDrawContext* dc, int32_t pane, const VSTGUI::CRect& rect, bool mirrored);
  void drawResponse(ARSDrawContext* dc, const std::atomic<float>* filter, const float* scale,
                    const VSTGUI::CRect& pane, bool mirrored, const SpectrumLevelTable& table);

  const SpectrumDisplayData& data;
  int32_t binCount;
  int32_t panesInUse = 0;
  SpectrumLevelTable levelTables[SpectrumDisplayData::kMaxPanes];
  std::vector<VSTGUI::CPoint> inputPolygon;
  std::vector<VSTGUI::CPoint> outputPolygon;
  float pixelsPerBin;
};

}  // namespace panner
