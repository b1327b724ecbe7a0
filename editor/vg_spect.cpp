#include "editor/vg_spect.h"

#include <cmath>
#include <cstdio>

#include "editor/ars_draw_context.h"

namespace panner {

using VSTGUI::CPoint;
using VSTGUI::CRect;

namespace {
constexpr VSTGUI::CColor kPaneGrey{240, 240, 240, 255};
}

VGSpect::VGSpect(const CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
                 const ColourSet& colourSet, const SpectrumDisplayData& display)
    : VGControl(size, listener, tag, colourSet),
      data(display),
      binCount(data.binCount > 0 ? data.binCount : 1),
      inputPolygon(static_cast<size_t>(binCount) + 1),
      outputPolygon(static_cast<size_t>(binCount) + 1),
      pixelsPerBin(static_cast<float>(width) / static_cast<float>(binCount)) {
  rebuildTables();
}

VGSpect::~VGSpect() = default;

int32_t VGSpect::panes() const {
  if (data.paneCount < 1) return 1;
  return data.paneCount > SpectrumDisplayData::kMaxPanes ? SpectrumDisplayData::kMaxPanes
                                                         : data.paneCount;
}

void VGSpect::rebuildTables() {
  panesInUse = panes();
  for (int32_t p = 0; p < SpectrumDisplayData::kMaxPanes; ++p) {
    levelTables[p].build(height / panesInUse, data.paneTopDb[p], data.paneBottomDb[p]);
  }
}

void VGSpect::paneRects(CRect& pane1, CRect& pane2) const {
  const int32_t split = height / panesInUse;
  pane1 = CRect(0, 0, width, split);
  pane2 = CRect(0, split, width, height);
}

int32_t VGSpect::column(int32_t bin) const {
  return static_cast<int32_t>(static_cast<float>(bin) * pixelsPerBin);
}

void VGSpect::buildPolygon(std::vector<CPoint>& points, const std::atomic<float>* spectrum,
                           const CRect& pane, bool mirrored,
                           const SpectrumLevelTable& table) const {
  const int32_t n = binCount;
  const int32_t inner = mirrored ? pane.top : pane.bottom;
  points[0] = CPoint(pane.left, inner);
  for (int32_t k = 1; k <= n; ++k) {
    const float power = spectrum != nullptr ? halfComplexBinPower(spectrum, n, k - 1) : 0.0f;
    const int32_t row = table.rowOf(power);
    points[static_cast<size_t>(k)] = CPoint(column(k - 1), mirrored ? pane.bottom - row : row);
  }
  // The last bin is not drawn: the polygon closes along the centre line.
  points[static_cast<size_t>(n)] = CPoint(pane.right, inner);
}

void VGSpect::drawPane(ARSDrawContext* dc, int32_t pane, const CRect& rect, bool mirrored) {
  const ColourSet& c = *colours;
  const SpectrumLevelTable& table = levelTables[pane];
  const auto count = static_cast<int32_t>(inputPolygon.size());
  buildPolygon(inputPolygon, data.inSpectrum[pane], rect, mirrored, table);
  buildPolygon(outputPolygon, data.outSpectrum[pane], rect, mirrored, table);
  dc->setFillColor(lighten(c[1]));
  dc->fillPolygon(inputPolygon.data(), count);
  dc->setFillColor(lighten(c[0]));
  dc->fillPolygon(outputPolygon.data(), count);
  dc->setFrameColor(c[1]);
  dc->drawPolygon(inputPolygon.data(), count);
  dc->setFrameColor(c[0]);
  dc->drawPolygon(outputPolygon.data(), count);
}

void VGSpect::drawResponse(ARSDrawContext* dc, const std::atomic<float>* filter, const float* scale,
                           const CRect& pane, bool mirrored, const SpectrumLevelTable& table) {
  if (filter == nullptr) return;
  const float gain =
      (data.setGain != nullptr ? *data.setGain : 1.0f) * (scale != nullptr ? *scale : 1.0f);
  for (int32_t j = 0; j < binCount; ++j) {
    const int32_t row = table.rowOf(gain * halfComplexBinPower(filter, binCount, j));
    const CPoint p(column(j), mirrored ? pane.bottom - row : row);
    if (j == 0) {
      dc->moveTo(p);
    } else {
      dc->lineTo(p);
    }
  }
}

void VGSpect::readoutTexts(int32_t mx, int32_t my, char* channel1, char* channel2,
                           int32_t capacity) const {
  const auto cap = static_cast<size_t>(capacity);
  const int32_t half = height / 2;
  // A display without width has no bins to point at: its readout names bin 0.
  const int32_t bin =
      pixelsPerBin > 0.0f ? static_cast<int32_t>(static_cast<float>(mx) / pixelsPerBin) : 0;
  const double frequency = bin * static_cast<double>(data.sampleRate) / (binCount * 2.0);
  // The level of the pixel row under the pointer, counted from the pane's outer edge.
  auto levelAt = [](const SpectrumLevelTable& table, int32_t row) {
    if (table.rows() == 0) return -110.0;
    if (row < 0) row = 0;
    if (row >= table.rows()) row = table.rows() - 1;
    return 10.0 * std::log10(1e-11 + static_cast<double>(table.threshold(row)));
  };
  if (my < half) {
    std::snprintf(channel1, cap, "channel 1   %5.2f Hz   %4.2f dB", frequency,
                  levelAt(levelTables[0], my));
  } else {
    std::snprintf(channel1, cap, "channel 1");
  }
  if (my > half) {
    std::snprintf(channel2, cap, "channel 2   %5.2f Hz   %4.2f dB", frequency,
                  levelAt(levelTables[panesInUse - 1], height - my));
  } else {
    std::snprintf(channel2, cap, "channel 2");
  }
}

void VGSpect::draw(VSTGUI::CDrawContext* context) {
  if (context == nullptr) return;
  const ColourSet& c = *colours;
  if (panes() != panesInUse) rebuildTables();
  ARSDrawContext* dc = beginPaint(context, kPaneGrey, VSTGUI::kBlackCColor);

  CRect pane1, pane2;
  paneRects(pane1, pane2);
  drawPane(dc, 0, pane1, false);
  if (panesInUse > 1) drawPane(dc, 1, pane2, true);

  dc->setFrameColor(VSTGUI::CColor{255, c[2].green, c[2].blue, 192});
  drawResponse(dc, data.filterSpectrum[0], data.curveScale[0], pane1, false, levelTables[0]);
  if (panesInUse > 1)
    drawResponse(dc, data.filterSpectrum[1], data.curveScale[1], pane2, true, levelTables[1]);

  // Readouts only while the pointer is over the display (edges included).
  CPoint where;
  context->getMouseLocation(where);
  if (where.x >= frameRect.left && where.x <= frameRect.right && where.y >= frameRect.top &&
      where.y <= frameRect.bottom) {
    char text1[kTextCapacity], text2[kTextCapacity];
    readoutTexts(where.x - frameRect.left, where.y - frameRect.top, text1, text2, kTextCapacity);
    const CRect boxes[2] = {
        CRect(pane1.left, pane1.top, pane1.right, pane1.top + (pane1.height() >> 3)),
        CRect(pane2.left, pane2.bottom - (pane2.height() >> 3), pane2.right, pane2.bottom)};
    const char* texts[2] = {text1, text2};
    for (int i = 0; i < 2; ++i) {
      CRect box = boxes[i];
      fitFontSize(dc, texts[i], box.width(), box.height());
      dc->setFont(fontId, fontSize, fontStyle);
      dc->setFontColor(lighten(c[2]));
      box.bottom += 2;
      dc->drawString(texts[i], box, false, VSTGUI::kCenterText);
    }
  }
  finishPaint(dc, context);
}

void VGSpect::mouse(VSTGUI::CDrawContext*, CPoint&, int32_t) {}

}  // namespace panner
