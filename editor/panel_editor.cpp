#include "editor/panel_editor.h"

#include <chrono>
#include <thread>

#include "gui/pixel_grid.h"
#include "parameters.h"
#include "quendral_core.h"

namespace panner {

PanelEditor::PanelEditor(QuendralCore& owner, int32_t w, int32_t h)
    : core(owner), panelWidth(w), panelHeight(h), lastPumpTime(tickCount()) {}

PanelEditor::~PanelEditor() {
  if (frame != nullptr) frame->forget();
  frame = nullptr;
}

bool PanelEditor::open(void* parentWindow) {
  hostWindow = parentWindow;
  return true;
}

double PanelEditor::scale() const {
  const int32_t chosen = core.getEditorSizePercent();
  if (chosen > 0) return VSTGUI::clampScale(chosen / 100.0);
  if (hostScale > 0.0) return VSTGUI::clampScale(hostScale);
  if (systemScaleValue <= 0.0) systemScaleValue = VSTGUI::systemScale(hostWindow);
  return systemScaleValue;
}

int32_t PanelEditor::windowWidth() const { return VSTGUI::scaledLength(panelWidth, scale()); }

int32_t PanelEditor::windowHeight() const { return VSTGUI::scaledLength(panelHeight, scale()); }

void PanelEditor::setHostScale(double value) { hostScale = value > 0.0 ? value : 0.0; }

void PanelEditor::chooseSize(int32_t percent) { core.setEditorSizePercent(percent); }

void PanelEditor::setResizeRequest(std::function<bool(int32_t, int32_t)> request) {
  resizeRequest = std::move(request);
}

void PanelEditor::setReopened(std::function<void()> reopened) {
  reopenedCallback = std::move(reopened);
}

void PanelEditor::systemScaleChanged() { systemScaleValue = VSTGUI::systemScale(hostWindow); }

void PanelEditor::followScale() {
  if (frame == nullptr || frame->isHandlingPress() || frame->getScale() == scale()) return;
  if (resizeRequest) resizeRequest(windowWidth(), windowHeight());
  if (hostWindow != nullptr) {
    open(hostWindow);
  } else {
    openHeadless();
  }
  if (reopenedCallback) reopenedCallback();
}

void PanelEditor::close() {
  // A load the user started still switches the set on, though the panel goes.
  loader.wait();
  finishOwnSetLoad();
  loader.wait();  // a queued drop, started just now
  finishOwnSetLoad();
  if (frame != nullptr) frame->forget();
  frame = nullptr;
  hostWindow = nullptr;
}

int PanelEditor::eventFileDescriptor() const {
  VSTGUI::PlatformWindow* window = frame != nullptr ? frame->getPlatformWindow() : nullptr;
  return window != nullptr ? window->eventFileDescriptor() : -1;
}

void PanelEditor::idle() {
  finishOwnSetLoad();
  if (inPump || frame == nullptr) return;
  frame->idle();
  followScale();
}

void PanelEditor::filesDropped(const std::vector<std::string>& paths) {
  if (paths.empty()) return;
  const std::string& path = paths.front();
  if (core.passOwnSetFileToAdapter(path.c_str())) return;
  // A file dropped while another loads follows it (the latest such drop wins).
  if (!loader.start(path)) queuedPath = path;
}

void PanelEditor::finishOwnSetLoad() {
  bool loaded = false;
  if (!loader.takeResult(loaded)) return;
  if (loaded) {
    core.beginEdit(kParamOwnSet);
    core.setParameterAutomated(kParamOwnSet, 1.0f);
    core.endEdit(kParamOwnSet);
  }
  if (!queuedPath.empty()) {
    loader.start(queuedPath);
    queuedPath.clear();
  }
}

bool PanelEditor::onKeyDown(int32_t character, int32_t virtualKey, int32_t modifiers) {
  if (frame == nullptr) return false;
  return frame->onKeyDown(character, virtualKey, modifiers) == 1;
}

bool PanelEditor::onKeyUp(int32_t character, int32_t virtualKey, int32_t modifiers) {
  if (frame == nullptr) return false;
  return frame->onKeyUp(character, virtualKey, modifiers) == 1;
}

bool PanelEditor::onWheel(float distance) {
  if (frame == nullptr) return false;
  return frame->onWheel(distance);
}

// Controls report their tag; only parameters' gestures go to the host.
void PanelEditor::beginEdit(int index) {
  if (index >= 0 && index < kNumParams) core.beginEdit(index);
}

void PanelEditor::endEdit(int index) {
  if (index >= 0 && index < kNumParams) core.endEdit(index);
}

void PanelEditor::doIdleStuff() {
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
  inPump = true;
  core.hostIdle();
  inPump = false;
}

uint32_t PanelEditor::tickCount() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

VSTGUI::CFrame* PanelEditor::makeFrame(void* parent, bool headless) {
  const VSTGUI::CRect size(0, 0, panelWidth, panelHeight);
  // The system's scale is asked again at each opening: the desktop may have changed.
  // Headless pictures (tests, tools) are made at the host's or the user's scale, else at 1.
  systemScaleValue = headless ? 1.0 : VSTGUI::systemScale(parent);
  if (headless) return VSTGUI::CFrame::createHeadless(size, this, scale());
  return new VSTGUI::CFrame(size, parent, this, scale());
}

}  // namespace panner
