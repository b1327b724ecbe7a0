// VGElevationSlider: the panel's vertical slider for "elevation". A groove in colour 1 with
// a line at its middle (the horizontal plane), a bar in the pointer colour where the
// parameter puts the source (overhead at the top), and a small mark on the left edge at the
// elevation the filters use now, which follows the bar as the engine glides. It drags
// and resets as the knobs do (VGKnobBase): up or right raises it, Shift slows it down,
// Ctrl+left click returns it to the horizontal plane.
#pragma once

#include "editor/vg_knob_base.h"

namespace panner {

class VGElevationSlider : public VGKnobBase {
 public:
  VGElevationSlider(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
                    const ColourSet& colours);
  ~VGElevationSlider() override;

  void draw(VSTGUI::CDrawContext* context) override;

  // The elevation in use, normalised as the parameter (0.5 level); redrawn when it moves.
  void setInUse(float value);
  float getInUse() const { return inUse; }

 private:
  // The vertical centre of the bar or mark for a normalised value (1 at the top).
  int32_t centreFor(float value) const;

  float inUse = 0.5f;
};

}  // namespace panner
