#include "aeff_gui_editor.h"

#include "audio_effect.h"

namespace panner {

AEffGUIEditor::AEffGUIEditor(AudioEffect* owner, PanelEditor& shownPanel)
    : AEffEditor(owner), panel(shownPanel) {
  rect = ERect{0, 0, static_cast<int16_t>(panel.height()), static_cast<int16_t>(panel.width())};
}

AEffGUIEditor::~AEffGUIEditor() { panel.close(); }

bool AEffGUIEditor::getRect(ERect** out) {
  if (out != nullptr) *out = &rect;
  return true;
}

bool AEffGUIEditor::open(void* parent) {
  systemWindow = parent;
  return panel.open(parent);
}

void AEffGUIEditor::close() {
  panel.close();
  systemWindow = nullptr;
}

bool AEffGUIEditor::onKeyDown(VstKeyCode& key) {
  return panel.onKeyDown(key.character, key.virt, key.modifier);
}

bool AEffGUIEditor::onKeyUp(VstKeyCode& key) {
  return panel.onKeyUp(key.character, key.virt, key.modifier);
}

bool AEffGUIEditor::setKnobMode(int32_t mode) {
  PanelEditor::setKnobMode(mode);
  return true;
}

}  // namespace panner
