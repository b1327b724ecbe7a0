#include "vst3_view.h"

#include <cstring>

#include "editor/panel_editor.h"
#include "quendral_vst3.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace panner {

namespace {

#if defined(_WIN32)
constexpr const char* kPlatformType = vst3::kPlatformTypeHWND;
constexpr const char* kViewProperty = "quendral.vst3.view";
constexpr UINT_PTR kIdleTimerId = 0x5156;

void CALLBACK idleTimer(HWND window, UINT, UINT_PTR, DWORD) {
  if (auto* view = static_cast<Vst3View*>(GetPropA(window, kViewProperty))) view->idle();
}
#else
constexpr const char* kPlatformType = vst3::kPlatformTypeX11EmbedWindowID;
#endif

}  // namespace

// The view keeps the plug-in alive: the panel it shows belongs to the plug-in's core.
Vst3View::Vst3View(QuendralVst3& plugIn, PanelEditor& shown) : owner(plugIn), panel(shown) {
  owner.addRef();
}

Vst3View::~Vst3View() {
  if (attachedHere) removed();
  if (frame) frame->release();
  owner.release();
}

vst3::tresult Vst3View::queryInterface(const vst3::TUID interfaceId, void** obj) {
  if (!obj) return vst3::kInvalidArgument;
  if (vst3::sameUid(interfaceId, vst3::FUnknown::iid) ||
      vst3::sameUid(interfaceId, vst3::IPlugView::iid)) {
    *obj = static_cast<vst3::IPlugView*>(this);
  } else if (vst3::sameUid(interfaceId, vst3::IPlugViewContentScaleSupport::iid)) {
    *obj = static_cast<vst3::IPlugViewContentScaleSupport*>(this);
#if !defined(_WIN32)
  } else if (vst3::sameUid(interfaceId, vst3::ITimerHandler::iid)) {
    *obj = static_cast<vst3::ITimerHandler*>(this);
  } else if (vst3::sameUid(interfaceId, vst3::IEventHandler::iid)) {
    *obj = static_cast<vst3::IEventHandler*>(this);
#endif
  } else {
    *obj = nullptr;
    return vst3::kNoInterface;
  }
  addRef();
  return vst3::kResultOk;
}

vst3::uint32 Vst3View::addRef() { return ++references; }

vst3::uint32 Vst3View::release() {
  const vst3::uint32 left = --references;
  if (left == 0) delete this;
  return left;
}

vst3::tresult Vst3View::isPlatformTypeSupported(vst3::FIDString type) {
  return type && std::strcmp(type, kPlatformType) == 0 ? vst3::kResultOk : vst3::kResultFalse;
}

vst3::tresult Vst3View::attached(void* parent, vst3::FIDString type) {
  if (!parent || isPlatformTypeSupported(type) != vst3::kResultOk) return vst3::kResultFalse;
  // The core has one panel: a second view cannot show it while the first does.
  if (attachedHere || panel.isOpen()) return vst3::kResultFalse;
  if (!panel.open(parent)) {
    panel.close();
    return vst3::kResultFalse;
  }
  attachedHere = true;
  // The attached view follows the panel's scale. At a new scale the panel reopens in a new window
  // of its own: the idle timer of the Windows build (on that window) and the X connection's
  // descriptor move with it.
  panel.setResizeRequest([this](int32_t width, int32_t height) {
#if defined(_WIN32)
    stopIdling();
#endif
    vst3::ViewRect rect{0, 0, width, height};
    return frame != nullptr && frame->resizeView(this, &rect) == vst3::kResultOk;
  });
  panel.setReopened([this] {
    if (!attachedHere) return;
#if defined(_WIN32)
    startIdling();
#else
    if (!runLoop) return;
    if (fdRegistered) runLoop->unregisterEventHandler(this);
    const int fd = panel.eventFileDescriptor();
    fdRegistered = fd >= 0 && runLoop->registerEventHandler(this, fd) == vst3::kResultOk;
#endif
  });
  startIdling();
  return vst3::kResultOk;
}

void Vst3View::startIdling() {
#if defined(_WIN32)
  VSTGUI::CFrame* shown = panel.getFrame();
  VSTGUI::PlatformWindow* window = shown ? shown->getPlatformWindow() : nullptr;
  HWND hwnd = window ? reinterpret_cast<HWND>(window->nativeHandle()) : nullptr;
  if (hwnd) {
    SetPropA(hwnd, kViewProperty, this);
    SetTimer(hwnd, kIdleTimerId, kIdleMilliseconds, idleTimer);
    timerWindow = hwnd;
  }
#else
  void* loop = nullptr;
  if (frame && frame->queryInterface(vst3::IRunLoop::iid.bytes, &loop) == vst3::kResultOk && loop) {
    runLoop = static_cast<vst3::IRunLoop*>(loop);
    runLoop->registerTimer(this, kIdleMilliseconds);
    const int fd = panel.eventFileDescriptor();
    fdRegistered = fd >= 0 && runLoop->registerEventHandler(this, fd) == vst3::kResultOk;
  }
#endif
}

void Vst3View::stopIdling() {
#if defined(_WIN32)
  if (timerWindow) {
    KillTimer(static_cast<HWND>(timerWindow), kIdleTimerId);
    RemovePropA(static_cast<HWND>(timerWindow), kViewProperty);
    timerWindow = nullptr;
  }
#else
  if (runLoop) {
    if (fdRegistered) runLoop->unregisterEventHandler(this);
    runLoop->unregisterTimer(this);
    runLoop->release();
    runLoop = nullptr;
    fdRegistered = false;
  }
#endif
}

vst3::tresult Vst3View::removed() {
  if (!attachedHere) return vst3::kResultFalse;
  stopIdling();
  panel.setResizeRequest(nullptr);
  panel.setReopened(nullptr);
  panel.close();
  attachedHere = false;
  return vst3::kResultOk;
}

void Vst3View::idle() {
  if (attachedHere) panel.idle();
}

#if !defined(_WIN32)
void Vst3View::onTimer() { idle(); }
void Vst3View::onFDIsSet(vst3::FileDescriptor) { idle(); }
#endif

vst3::tresult Vst3View::onWheel(float distance) {
  return panel.onWheel(distance) ? vst3::kResultOk : vst3::kResultFalse;
}

vst3::tresult Vst3View::onKeyDown(vst3::TChar key, vst3::int16 keyCode, vst3::int16 modifiers) {
  return panel.onKeyDown(key, keyCode, modifiers) ? vst3::kResultOk : vst3::kResultFalse;
}

vst3::tresult Vst3View::onKeyUp(vst3::TChar key, vst3::int16 keyCode, vst3::int16 modifiers) {
  return panel.onKeyUp(key, keyCode, modifiers) ? vst3::kResultOk : vst3::kResultFalse;
}

vst3::tresult Vst3View::getSize(vst3::ViewRect* size) {
  if (!size) return vst3::kInvalidArgument;
  *size = vst3::ViewRect{0, 0, panel.windowWidth(), panel.windowHeight()};
  return vst3::kResultOk;
}

// The panel has one size at each scale: any other is refused.
vst3::tresult Vst3View::onSize(vst3::ViewRect* newSize) {
  if (!newSize) return vst3::kInvalidArgument;
  const bool fits = newSize->right - newSize->left == panel.windowWidth() &&
                    newSize->bottom - newSize->top == panel.windowHeight();
  return fits ? vst3::kResultOk : vst3::kResultFalse;
}

vst3::tresult Vst3View::checkSizeConstraint(vst3::ViewRect* rect) {
  if (!rect) return vst3::kInvalidArgument;
  rect->right = rect->left + panel.windowWidth();
  rect->bottom = rect->top + panel.windowHeight();
  return vst3::kResultOk;
}

vst3::tresult Vst3View::setContentScaleFactor(vst3::ScaleFactor factor) {
  if (!(factor > 0.0f)) return vst3::kInvalidArgument;
  panel.setHostScale(factor);
  return vst3::kResultTrue;
}

vst3::tresult Vst3View::setFrame(vst3::IPlugFrame* newFrame) {
  if (newFrame) newFrame->addRef();
  if (frame) frame->release();
  frame = newFrame;
  return vst3::kResultOk;
}

}  // namespace panner
