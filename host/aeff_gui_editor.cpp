#include "aeff_gui_editor.h"

#include "audio_effect.h"

namespace panner {

AEffGUIEditor::AEffGUIEditor(AudioEffect* owner, PanelEditor& shownPanel)
    : AEffEditor(owner), panel(shownPanel) {
  rect = ERect{0, 0, static_cast<int16_t>(panel.height()), static_cast<int16_t>(panel.width())};
  // VST 2.4 has no word for a scale: at a new one the host is asked to size its window,
  // and the panel reopens in it at the new size.
  panel.setResizeRequest([owner](int32_t width, int32_t height) {
    return owner != nullptr && owner->sizeWindow(width, height);
  });
}

AEffGUIEditor::~AEffGUIEditor() { panel.close(); }

bool AEffGUIEditor::getRect(ERect** out) {
  rect = ERect{0, 0, static_cast<int16_t>(panel.windowHeight()),
               static_cast<int16_t>(panel.windowWidth())};
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
