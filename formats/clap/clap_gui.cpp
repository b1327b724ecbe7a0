#include "clap_gui.h"

#include <cstring>

#include "clap_identity.h"
#include "editor/panel_editor.h"
#include "quendral_clap.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace panner {

namespace {

#if defined(_WIN32)
constexpr const char* kWindowApi = clapabi::kWindowApiWin32;
constexpr const char* kGuiProperty = "quendral.clap.gui";
constexpr UINT_PTR kIdleTimerId = 0x5157;

void CALLBACK idleTimer(HWND window, UINT, UINT_PTR, DWORD) {
  if (auto* gui = static_cast<ClapGui*>(GetPropA(window, kGuiProperty))) gui->idle();
}
#else
constexpr const char* kWindowApi = clapabi::kWindowApiX11;
#endif

}  // namespace

ClapGui::ClapGui(QuendralClap& plugIn) : owner(plugIn), panel(plugIn.getCore().editor()) {
  timers = owner.hostExtension<clapabi::HostTimerSupport>(clapabi::kExtTimerSupport);
  descriptors = owner.hostExtension<clapabi::HostPosixFdSupport>(clapabi::kExtPosixFdSupport);
  if (timers && (!timers->registerTimer || !timers->unregisterTimer)) timers = nullptr;
  if (descriptors && (!descriptors->registerFd || !descriptors->unregisterFd))
    descriptors = nullptr;
  const auto* hostGui = owner.hostExtension<clapabi::HostGui>(clapabi::kExtGui);
  if (panel == nullptr) return;
  // At a new scale the panel reopens in a new window of its own; its idling moves with it.
  panel->setResizeRequest([this, hostGui](int32_t width, int32_t height) {
#if defined(_WIN32)
    stopIdling();  // the timer is on the window that goes
#endif
    return hostGui != nullptr && hostGui->requestResize != nullptr &&
           hostGui->requestResize(owner.host(), static_cast<uint32_t>(width),
                                  static_cast<uint32_t>(height));
  });
  panel->setReopened([this] {
    if (!shown) return;
#if defined(_WIN32)
    startIdling();
#else
    // The timer stays; the new window's connection has a descriptor of its own.
    if (watchedFd >= 0) descriptors->unregisterFd(owner.host(), watchedFd);
    watchedFd = -1;
    const int fd = panel->eventFileDescriptor();
    if (descriptors && fd >= 0 && descriptors->registerFd(owner.host(), fd, clapabi::kFdRead))
      watchedFd = fd;
#endif
  });
}

ClapGui::~ClapGui() {
  destroy();
  if (panel != nullptr) {
    panel->setResizeRequest(nullptr);
    panel->setReopened(nullptr);
  }
}

bool ClapGui::offered() const {
#if defined(_WIN32)
  return panel != nullptr;
#else
  return panel != nullptr && timers != nullptr;
#endif
}

bool ClapGui::isApiSupported(const char* api, bool isFloating) const {
  return panel && !isFloating && api && std::strcmp(api, kWindowApi) == 0;
}

bool ClapGui::preferredApi(const char** api, bool* isFloating) const {
  if (!panel) return false;
  if (api) *api = kWindowApi;
  if (isFloating) *isFloating = false;
  return true;
}

bool ClapGui::create(const char* api, bool isFloating) {
  if (created || !offered() || !isApiSupported(api, isFloating)) return false;
  created = true;
  return true;
}

void ClapGui::destroy() {
  if (!created) return;
  stopIdling();
  if (shown) panel->close();
  shown = false;
  created = false;
}

bool ClapGui::size(uint32_t* width, uint32_t* height) const {
  if (!panel || !width || !height) return false;
  *width = static_cast<uint32_t>(panel->windowWidth());
  *height = static_cast<uint32_t>(panel->windowHeight());
  return true;
}

bool ClapGui::setScale(double scale) {
  if (!panel || !(scale > 0.0)) return false;
  panel->setHostScale(scale);
  return true;
}

// The panel has one size at each scale: any other is answered with it.
bool ClapGui::adjustSize(uint32_t* width, uint32_t* height) const { return size(width, height); }

bool ClapGui::setSize(uint32_t width, uint32_t height) const {
  uint32_t w = 0, h = 0;
  return size(&w, &h) && w == width && h == height;
}

bool ClapGui::setParent(const clapabi::Window* window) {
  if (!created || shown || !window || !window->api || std::strcmp(window->api, kWindowApi) != 0)
    return false;
  // The core has one panel: a second editor cannot show it while the first does.
  if (panel->isOpen()) return false;
#if defined(_WIN32)
  void* parent = window->win32;
#else
  void* parent = reinterpret_cast<void*>(static_cast<uintptr_t>(window->x11));
#endif
  if (!parent || !panel->open(parent)) {
    panel->close();
    return false;
  }
  shown = true;
  startIdling();
  return true;
}

void ClapGui::startIdling() {
#if defined(_WIN32)
  VSTGUI::CFrame* frame = panel->getFrame();
  VSTGUI::PlatformWindow* platform = frame ? frame->getPlatformWindow() : nullptr;
  HWND hwnd = platform ? reinterpret_cast<HWND>(platform->nativeHandle()) : nullptr;
  if (hwnd) {
    SetPropA(hwnd, kGuiProperty, this);
    SetTimer(hwnd, kIdleTimerId, clapid::kIdleMilliseconds, idleTimer);
    timerWindow = hwnd;
  }
#else
  if (!timers->registerTimer(owner.host(), clapid::kIdleMilliseconds, &timer))
    timer = clapabi::kInvalidId;
  const int fd = panel->eventFileDescriptor();
  if (descriptors && fd >= 0 && descriptors->registerFd(owner.host(), fd, clapabi::kFdRead))
    watchedFd = fd;
#endif
}

void ClapGui::stopIdling() {
#if defined(_WIN32)
  if (timerWindow) {
    KillTimer(static_cast<HWND>(timerWindow), kIdleTimerId);
    RemovePropA(static_cast<HWND>(timerWindow), kGuiProperty);
    timerWindow = nullptr;
  }
#else
  if (timer != clapabi::kInvalidId) timers->unregisterTimer(owner.host(), timer);
  if (watchedFd >= 0) descriptors->unregisterFd(owner.host(), watchedFd);
  timer = clapabi::kInvalidId;
  watchedFd = -1;
#endif
}

void ClapGui::idle() {
  if (shown) panel->idle();
}

}  // namespace panner
