// VGKnobBase: the value behaviour of the editor's rotary knobs. A left drag turns the knob
// (right or up raises it), five times slower while Shift is held, without a jump when Shift
// changes mid-drag; Ctrl+left click resets it to its default value (0.5). The drag is an
// edit gesture: the host hears its begin and end.
#pragma once

#include <cstdint>

#include "editor/vg_control.h"

namespace panner {

class VGKnobBase : public VGControl {
 public:
  VGKnobBase(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
             const ColourSet& colours);
  ~VGKnobBase() override;

  void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons = -1) override;

  void setIntegerDisplay(bool on) { integerDisplay = on; }
  bool getIntegerDisplay() const { return integerDisplay; }
  float getFineFactor() const { return fineFactor; }

 protected:
  float fineFactor = 5.0f;
  bool integerDisplay = false;
  bool logDisplay = false;
};

}  // namespace panner
