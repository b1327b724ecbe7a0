// The editor interface of a VST 2.4 plug-in: what the dispatcher's editor opcodes reach.
// Every operation has a default body, so an editor overrides only what it does.
#pragma once

#include <cstdint>

#include "vst_abi.h"

namespace panner {

class AudioEffect;

class AEffEditor {
 public:
  explicit AEffEditor(AudioEffect* owner) : effect(owner) {}
  virtual ~AEffEditor() = default;
  AEffEditor(const AEffEditor&) = delete;
  AEffEditor& operator=(const AEffEditor&) = delete;

  virtual AudioEffect* getEffect() { return effect; }
  // effEditGetRect: points *rect at the editor's size; false when it has none.
  virtual bool getRect(ERect** rect) {
    if (rect) *rect = nullptr;
    return false;
  }
  // effEditOpen: parent is the host's window (an X11 Window id cast to a pointer on Linux).
  virtual bool open(void* parent) {
    systemWindow = parent;
    return false;
  }
  virtual void close() { systemWindow = nullptr; }
  virtual bool isOpen() { return systemWindow != nullptr; }
  virtual void idle() {}
  virtual bool onKeyDown(VstKeyCode& /*key*/) { return false; }
  virtual bool onKeyUp(VstKeyCode& /*key*/) { return false; }
  virtual bool onWheel(float /*distance*/) { return false; }
  virtual bool setKnobMode(int32_t /*mode*/) { return false; }
  // Every parameter change, from the host, MIDI, a program change or the editor itself.
  // May be called on the audio thread: an override must not block or allocate.
  virtual void setParameter(int32_t /*index*/, float /*value*/) {}

 protected:
  AudioEffect* effect = nullptr;
  void* systemWindow = nullptr;
};

}  // namespace panner
