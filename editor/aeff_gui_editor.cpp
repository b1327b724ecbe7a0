#include "aeff_gui_editor.h"

#include <chrono>
#include <thread>

#include "audio_effect.h"

namespace panner {

AEffGUIEditor::AEffGUIEditor(AudioEffect* owner) : AEffEditor(owner), lastPumpTime(tickCount()) {
  if (effect != nullptr) effect->setEditor(this);
}

AEffGUIEditor::~AEffGUIEditor() {
  if (frame != nullptr) frame->forget();
  frame = nullptr;
}

bool AEffGUIEditor::getRect(ERect** out) {
  if (out != nullptr) *out = &rect;
  return true;
}

bool AEffGUIEditor::open(void* parent) {
  systemWindow = parent;
  return true;
}

void AEffGUIEditor::close() {
  if (frame != nullptr) frame->forget();
  frame = nullptr;
  systemWindow = nullptr;
}

void AEffGUIEditor::idle() {
  if (!inPump && frame != nullptr) frame->idle();
}

bool AEffGUIEditor::onKeyDown(VstKeyCode& key) {
  if (frame == nullptr) return false;
  return frame->onKeyDown(key.character, key.virt, key.modifier) == 1;
}

bool AEffGUIEditor::onKeyUp(VstKeyCode& key) {
  if (frame == nullptr) return false;
  return frame->onKeyUp(key.character, key.virt, key.modifier) == 1;
}

bool AEffGUIEditor::onWheel(float distance) {
  if (frame == nullptr) return false;
  return frame->onWheel(distance);
}

bool AEffGUIEditor::setKnobMode(int32_t mode) {
  VSTGUI::CFrame::setKnobMode(mode);
  return true;
}

void AEffGUIEditor::beginEdit(int index) {
  if (effect != nullptr) effect->beginEdit(index);
}

void AEffGUIEditor::endEdit(int index) {
  if (effect != nullptr) effect->endEdit(index);
}

void AEffGUIEditor::doIdleStuff() {
  uint32_t now = tickCount();
  if (tickBefore(now, lastPumpTime)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(4));
    now += 4;
    // The last pump time lies 100 ms after the previous full pass: within about 46 ms of
    // that pass a call only sleeps.
    if (tickBefore(now, lastPumpTime - 50)) return;
  }
  idle();
  lastPumpTime = now + 100;
  if (effect != nullptr) {
    inPump = true;
    effect->masterIdle();
    inPump = false;
  }
}

uint32_t AEffGUIEditor::tickCount() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

VSTGUI::CFrame* AEffGUIEditor::makeFrame(void* parent,
                                         std::unique_ptr<VSTGUI::PlatformWindow> window) {
  const VSTGUI::CRect size(0, 0, rect.right - rect.left, rect.bottom - rect.top);
  if (window) return new VSTGUI::CFrame(size, std::move(window), this);
  return new VSTGUI::CFrame(size, parent, this);
}

}  // namespace panner
