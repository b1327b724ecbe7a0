// The editor as a VST3 view: the core's panel in the host's window, at the host's content
// scale (IPlugViewContentScaleSupport) or else the system's, sized by it (435 x 330 at 1;
// the host cannot drag it to other sizes). VST3 has no idle call, so the view idles itself: on
// Linux through the host's run loop (a timer, and the X connection's descriptor, so presses are
// handled as they come), on Windows with a timer on the panel's own window. Edit gestures go from
// the panel to the core and from there to the host's component handler.
#pragma once

#include <atomic>

#include "vst3_abi.h"

namespace panner {

class PanelEditor;
class QuendralVst3;

class Vst3View final : public vst3::IPlugView,
                       public vst3::IPlugViewContentScaleSupport
#if !defined(_WIN32)
    ,
                       public vst3::ITimerHandler,
                       public vst3::IEventHandler
#endif
{
 public:
  // Idles the panel this often while it is open.
  static constexpr int kIdleMilliseconds = 16;

  Vst3View(QuendralVst3& owner, PanelEditor& panel);
  Vst3View(const Vst3View&) = delete;
  Vst3View& operator=(const Vst3View&) = delete;

  vst3::tresult VST3_CALL queryInterface(const vst3::TUID interfaceId, void** obj) override;
  vst3::uint32 VST3_CALL addRef() override;
  vst3::uint32 VST3_CALL release() override;

  vst3::tresult VST3_CALL isPlatformTypeSupported(vst3::FIDString type) override;
  vst3::tresult VST3_CALL attached(void* parent, vst3::FIDString type) override;
  vst3::tresult VST3_CALL removed() override;
  vst3::tresult VST3_CALL onWheel(float distance) override;
  vst3::tresult VST3_CALL onKeyDown(vst3::TChar key, vst3::int16 keyCode,
                                    vst3::int16 modifiers) override;
  vst3::tresult VST3_CALL onKeyUp(vst3::TChar key, vst3::int16 keyCode,
                                  vst3::int16 modifiers) override;
  vst3::tresult VST3_CALL getSize(vst3::ViewRect* size) override;
  vst3::tresult VST3_CALL onSize(vst3::ViewRect* newSize) override;
  vst3::tresult VST3_CALL onFocus(vst3::TBool) override { return vst3::kResultOk; }
  vst3::tresult VST3_CALL setFrame(vst3::IPlugFrame* frame) override;
  vst3::tresult VST3_CALL canResize() override { return vst3::kResultFalse; }
  vst3::tresult VST3_CALL checkSizeConstraint(vst3::ViewRect* rect) override;
  // The host's scale: the panel takes it, and once open asks the frame for its new size
  // and reopens at it.
  vst3::tresult VST3_CALL setContentScaleFactor(vst3::ScaleFactor factor) override;

#if !defined(_WIN32)
  void VST3_CALL onTimer() override;
  void VST3_CALL onFDIsSet(vst3::FileDescriptor fd) override;
#endif
  // The panel's idle: window events, redraws of what changed.
  void idle();

 private:
  ~Vst3View();
  void startIdling();
  void stopIdling();

  QuendralVst3& owner;
  PanelEditor& panel;
  std::atomic<vst3::uint32> references{1};
  vst3::IPlugFrame* frame = nullptr;
  bool attachedHere = false;
#if defined(_WIN32)
  void* timerWindow = nullptr;  // the HWND carrying the idle timer
#else
  vst3::IRunLoop* runLoop = nullptr;
  bool fdRegistered = false;
#endif
};

}  // namespace panner
