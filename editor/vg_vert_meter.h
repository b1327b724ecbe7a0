// VGVertMeter: a vertical level meter of twelve circular segments, top segment first.
// A segment is lit when the value (a linear peak level) is above its upper mark; lit
// segments turn to the clip colour above 1.0. A left press switches the dB marks on or
// off and tells the listener.
#pragma once

#include "editor/vg_control.h"

namespace panner {

class VGVertMeter : public VGControl {
 public:
  VGVertMeter(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
              const ColourSet& colours);
  ~VGVertMeter() override;

  void draw(VSTGUI::CDrawContext* context) override;
  void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons = -1) override;

  static constexpr int kSegments = 12;
  // Upper edge of each segment in dB, top segment first.
  static constexpr float kSegmentMarks[kSegments] = {6,   0,   -3,  -6,  -9,  -12,
                                                     -15, -18, -24, -36, -48, -60};

  bool getShowScale() const { return showScale; }
  float getSegmentLevel(int index) const { return segmentLevels[index]; }
  // Segment i's outer disc (a square as wide as the meter) in local coordinates: the
  // discs are spread over the inner rectangle in steps of a twelfth of its height.
  VSTGUI::CRect getSegmentRect(int index) const;
  // The colour lit segments take above 1.0, made from colour 2.
  static VSTGUI::CColor clipColour(const VSTGUI::CColor& lit);

 private:
  float segmentLevels[kSegments];  // the marks as linear levels
  bool showScale = false;
};

}  // namespace panner
