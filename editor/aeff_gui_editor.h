// AEffGUIEditor: the plug-in editor interface (AEffEditor) bound to the view framework.
// Owns the frame between open and close, redraws dirty views when the host idles, passes
// edit gestures to the plug-in, and runs the idle pump that keeps the panel and the host
// responsive while a control follows the mouse.
#pragma once

#include <cstdint>
#include <memory>

#include "aeff_editor.h"
#include "gui/c_frame.h"
#include "gui/frame_owner.h"
#include "gui/platform_window.h"
#include "gui/vector_graphics.h"

namespace panner {

class AEffGUIEditor : public AEffEditor, public VSTGUI::CFrameOwner {
 public:
  explicit AEffGUIEditor(AudioEffect* owner);
  ~AEffGUIEditor() override;

  bool getRect(ERect** out) override;
  // Records the host's window; a derived editor builds its frame and views in it.
  bool open(void* parent) override;
  // Destroys the frame and with it every view.
  void close() override;
  bool isOpen() override { return systemWindow != nullptr || frame != nullptr; }
  // Redraws the frame's dirty views, unless the idle pump is running the host's idle.
  void idle() override;
  bool onKeyDown(VstKeyCode& key) override;
  bool onKeyUp(VstKeyCode& key) override;
  bool onWheel(float distance) override;
  bool setKnobMode(int32_t mode) override;

  // CFrameOwner: a control's edit gesture goes to the plug-in and from there to the host.
  void beginEdit(int index) override;
  void endEdit(int index) override;
  // The idle pump: at most one full pass (editor idle and host idle) per 50 to 100 ms;
  // calls in between sleep 4 ms, so a mouse-tracking loop does not spin.
  void doIdleStuff() override;

  VSTGUI::CFrame* getFrame() const { return frame; }
  // Milliseconds of a monotonic clock, wrapping at 2^32.
  static uint32_t tickCount();
  // Whether tick a lies before tick b. Compared through their difference, so that the
  // pump keeps running full passes when the tick count wraps.
  static bool tickBefore(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b) < 0; }

 protected:
  // Makes the frame: on the host's window when `window` is null, otherwise on the given
  // backend (the windowless image backend for tests and snapshots).
  VSTGUI::CFrame* makeFrame(void* parent, std::unique_ptr<VSTGUI::PlatformWindow> window);

  // Started for the editor's whole life; destroyed after the destructor has closed the frame.
  VSTGUI::VectorGraphicsLibrary vectorGraphics;
  ERect rect{0, 0, 0, 0};
  uint32_t lastPumpTime = 0;
  bool inPump = false;
  VSTGUI::CFrame* frame = nullptr;
};

}  // namespace panner
