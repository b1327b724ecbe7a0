// VGEnvelope: shows and edits the angle modulator's eight-point envelope. The points are
// read from the plug-in at every draw (the control keeps no copy), joined by lines on a
// circular value axis, with the modulator's position as a vertical line. A press moves one
// point: the nearer of the two around the press time, written straight into the plug-in
// with its own setter, so the host is not told (the envelope is not host automation).
#pragma once

#include <cstdint>

#include "editor/vg_control.h"

namespace panner {

class QuendralCore;

class VGEnvelope : public VGControl {
 public:
  // Point k's time is parameter timeTagBase + k - 1, its value valueTagBase + k - 1.
  VGEnvelope(const VSTGUI::CRect& size, QuendralCore* effect, VSTGUI::CControlListener* listener,
             int32_t tag, const ColourSet& colours, int32_t timeTagBase, int32_t valueTagBase);
  ~VGEnvelope() override;

  void draw(VSTGUI::CDrawContext* context) override;
  // One edit per press, any button: no drag.
  void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons = -1) override;
  // Edits the point nearest the current position to value v; the value is not stored.
  void setValue(float v) override;

  // The modulator's position 0..1, drawn as a vertical line; marks the control dirty.
  void setPosition(float p);
  float getPosition() const { return position; }

 private:
  void readPoints(float times[8], float values[8]) const;

  QuendralCore* effect;
  int32_t timeTagBase;
  int32_t valueTagBase;
  float position = 0.0f;
};

}  // namespace panner
