// AEffGUIEditor: the VST 2.4 editor interface (AEffEditor) over a format-neutral panel.
// Answers the editor opcodes (rectangle, open, close, idle, keys, wheel, knob mode) by
// passing them to the PanelEditor it shows; the panel itself belongs to the core.
#pragma once

#include <cstdint>

#include "aeff_editor.h"
#include "editor/panel_editor.h"

namespace panner {

class AEffGUIEditor : public AEffEditor {
 public:
  AEffGUIEditor(AudioEffect* owner, PanelEditor& shownPanel);
  // Closes the panel if the host left it open.
  ~AEffGUIEditor() override;

  // The panel's window at its scale (the system's, or the size the user chose), asked
  // before the editor opens as well.
  bool getRect(ERect** out) override;
  bool open(void* parent) override;
  void close() override;
  bool isOpen() override { return panel.isOpen(); }
  void idle() override { panel.idle(); }
  bool onKeyDown(VstKeyCode& key) override;
  bool onKeyUp(VstKeyCode& key) override;
  bool onWheel(float distance) override { return panel.onWheel(distance); }
  bool setKnobMode(int32_t mode) override;

  VSTGUI::CFrame* getFrame() const { return panel.getFrame(); }
  PanelEditor& getPanel() const { return panel; }
  static uint32_t tickCount() { return PanelEditor::tickCount(); }
  static bool tickBefore(uint32_t a, uint32_t b) { return PanelEditor::tickBefore(a, b); }

 protected:
  PanelEditor& panel;
  ERect rect{0, 0, 0, 0};
};

}  // namespace panner
