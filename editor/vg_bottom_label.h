// VGBottomLabel: the strip along the panel's foot. With only a caption it shows it centred
// on light grey. With a label as well (the panel's version) it is the panel's status
// line: the caption left-aligned, cut with "..." where it would reach the label, and the
// label right-aligned; an alert (a refused file) tints the strip. A left press toggles
// its value and tells the listener.
#pragma once

#include "editor/vg_control.h"

namespace panner {

class VGBottomLabel : public VGControl {
 public:
  VGBottomLabel(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
                const ColourSet& colours);
  ~VGBottomLabel() override;

  void draw(VSTGUI::CDrawContext* context) override;
  void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons = -1) override;

  void setAlert(bool on) { alert = on; }
  // Whether a press is reported as an edit gesture (the default); the status line's
  // listener frames its own edits, since not every press there edits.
  void setReportsGestures(bool on) { reportsGestures = on; }
  bool getAlert() const { return alert; }
  // The caption as last drawn: cut to fit the strip (the status line's case).
  const char* getShownCaption() const { return shown; }

  static constexpr VSTGUI::CColor kBackground{239, 232, 229, 255};
  static constexpr VSTGUI::CColor kAlertBackground{255, 200, 190, 255};

 private:
  void drawStatusLine(VSTGUI::CDrawContext* target);

  bool alert = false;
  bool reportsGestures = true;
  char shown[kTextCapacity] = {};
};

}  // namespace panner
