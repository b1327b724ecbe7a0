// VGTextButton: an on/off pill with a caption on the left and a lamp on the right.
// A left press toggles it and tells the listener.
#pragma once

#include "editor/vg_control.h"

namespace panner {

class VGTextButton : public VGControl {
 public:
  VGTextButton(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
               const ColourSet& colours);
  ~VGTextButton() override;

  void draw(VSTGUI::CDrawContext* context) override;
  void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons = -1) override;

  // Caption drawn while the button is on (value > 0.5).
  void setOnText(const char* text);
  const char* getOnText() const { return onText; }
  const VSTGUI::CRect& getLedRect() const { return ledRect; }

 private:
  char onText[kTextCapacity];
  VSTGUI::CRect ledRect;
};

}  // namespace panner
