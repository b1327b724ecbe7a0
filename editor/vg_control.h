// VGControl: the base of every custom control of the editor. It adds to the framework's
// control the size in pixels, where the control paints in the window, the editor's
// colour set, two texts, the font settings and the rule that fits a text into a box.
//
// Paint pattern of every control: make an ARSDrawContext of width x height (black
// background), draw in local coordinates, copyFrom onto the target at frameRect, forget
// the context, setDirty(false).
//
// The prefix VG marks the editor's own controls, as the documentation names them; the
// glossary is docs/code-map.md.
#pragma once

#include <cstdint>

#include "editor/colour_set.h"
#include "gui/c_control.h"
#include "gui/c_draw_context.h"

namespace panner {

class ARSDrawContext;

class VGControl : public VSTGUI::CControl {
 public:
  static constexpr int kTextCapacity = 256;  // texts hold up to 255 characters

  // The value starts at 1.0. The colour set is not copied: it is read at every draw.
  VGControl(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
            const ColourSet& colours);
  ~VGControl() override;

  // Default look (a value-coloured disc); no control of the editor uses it.
  void draw(VSTGUI::CDrawContext* context) override;
  // Vertical drag following the pointer; no control of the editor uses it.
  void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons = -1) override;

  // Copy a zero-terminated text (longer texts are cut at 255 characters; null clears).
  void setCaption(const char* text);
  void setLabel(const char* text);
  const char* getCaption() const { return caption; }
  const char* getLabel() const { return label; }
  void setDisplayMax(float value) { displayMax = value; }
  void setDisplayMin(float value) { displayMin = value; }
  float getDisplayMax() const { return displayMax; }
  float getDisplayMin() const { return displayMin; }

  // Sets the framework font to the size at which `text` fits a bw x bh box: the smaller
  // of trunc(bw / w * 128) (w = width at 128 px) and trunc(bh / 140 * 128). Stores it in
  // fontSize. An empty text (width 0) fits by height alone.
  void fitFontSize(VSTGUI::CDrawContext* context, const char* text, int32_t bw, int32_t bh);

  const ColourSet& getColours() const { return *colours; }
  const VSTGUI::CRect& getTextRect() const { return textRect; }
  int32_t getFontSize() const { return fontSize; }

 protected:
  // Copies a zero-terminated text into a field of kTextCapacity characters, cut at 255;
  // null clears the field.
  static void copyText(char* field, const char* text);
  // Reads the button mask when it is -1; asks the listener's modifierClick when any of
  // the bits 8, 16, 32, 64 is set. Answers true when the press is consumed.
  bool modifierConsumes(VSTGUI::CDrawContext* context, int32_t buttons);
  // The toggle rule: 1.0 when the value truncated toward zero is 0, otherwise 0.0.
  static float toggled(float value);
  // Toggle-and-notify press handling shared by buttons and the bottom label. With
  // `gesture` the notification is framed as an edit (beginEdit, endEdit); without, the
  // listener decides whether the press edits anything.
  void toggleAndNotify(VSTGUI::CDrawContext* context, int32_t buttons, bool gesture = true);
  // Toggle without notification (labels, logo).
  void toggleSilently(VSTGUI::CDrawContext* context, int32_t buttons);
  // Steps 1 and 2 of the paint pattern: a width x height anti-aliased surface for the
  // target's frame (black beneath), line width 1, plain copy mode, and the whole control
  // filled with `background` and outlined in `outline` (the same colour when not given).
  ARSDrawContext* beginPaint(VSTGUI::CDrawContext* target, const VSTGUI::CColor& background);
  ARSDrawContext* beginPaint(VSTGUI::CDrawContext* target, const VSTGUI::CColor& background,
                             const VSTGUI::CColor& outline);
  // Steps 3 and 4 of the paint pattern.
  void finishPaint(ARSDrawContext* surface, VSTGUI::CDrawContext* target);
  // The whole paint of a label: the caption centred on `background` in colour 3, at the
  // size that fits the control plus `sizeOffset` (kept in fontSize).
  void paintCaption(VSTGUI::CDrawContext* target, const VSTGUI::CColor& background,
                    int32_t sizeOffset);

  int32_t width;
  int32_t height;
  VSTGUI::CRect textRect;
  const ColourSet* colours;
  char label[kTextCapacity];
  char caption[kTextCapacity];
  VSTGUI::CRect frameRect;
  float displayMax = 1.0f;
  float displayMin = 0.0f;
  int32_t fontId = 3;
  int32_t fontStyle = 0;
  int32_t fontSize = 12;
};

}  // namespace panner
