// VGGrommetKnob: the editor's knob look. A ring in colour 1 with a gap that turns with the
// value, a pointer dot in the middle of the gap (seven o'clock at 0, twelve at 0.5, five
// at 1), a light centre cap, and the value text across the cap: the plug-in's own display
// text of the parameter followed by the knob's unit label.
#pragma once

#include <cstdint>

#include "editor/vg_knob_base.h"

namespace panner {

class QuendralCore;

class VGGrommetKnob : public VGKnobBase {
 public:
  // effect supplies the value text; with a null effect the knob formats its own value over
  // the display range (displayMin..displayMax).
  VGGrommetKnob(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
                const ColourSet& colours, QuendralCore* effect);
  ~VGGrommetKnob() override;

  void draw(VSTGUI::CDrawContext* context) override;

  // The text drawn on the cap (at most 255 characters). Without an effect, integer and
  // logarithmic displays snap the knob's value to what they show (the listener is not
  // told).
  void valueText(char* text, int32_t capacity);

 private:
  QuendralCore* effect;
  int32_t ratioDisplay = 0;
};

}  // namespace panner
