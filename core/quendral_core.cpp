#include "quendral_core.h"

#include <new>

#include "editor/panel_editor.h"
#include "head_tracking_receiver.h"
#include "panel_factory.h"
#include "state_chunk.h"

namespace panner {

QuendralCore::QuendralCore(CoreHost* coreHost)
    : host(coreHost),
      blocks(engine),
      tracker(&HeadTrackingReceiver::shared().mailbox()),
      programs(new (std::nothrow) ProgramRecord[kNumPrograms]) {
  // Only an open editor reads the display spectra: it asks for them once per refresh.
  engine.publishDisplayOnRequest();
  if (programs) setProgram(0);
  engine.filterUpdate(host);
  setBypass(false);
  suspend();
  panel = createPanelEditor(*this);
}

// The panel goes first (member order): it reads the engine and the parameters until it is
// gone.
QuendralCore::~QuendralCore() { HeadTrackingReceiver::shared().release(this); }

bool QuendralCore::constructed() const { return programs != nullptr && engine.initialised(); }

bool QuendralCore::setSampleRate(double rate) { return engine.setSampleRate(rate); }

float QuendralCore::getSampleRate() const { return static_cast<float>(engine.sampleRate()); }

void QuendralCore::suspend() { blocks.suspend(); }

void QuendralCore::setBypass(bool on) { blocks.setBypass(on); }
bool QuendralCore::getBypass() const { return blocks.bypassed(); }

void QuendralCore::processReplacing(const float* input, float* output0, float* output1,
                                    int32_t frames) {
  engine.headOrientation.store(tracker.headForBlock(), std::memory_order_relaxed);
  blocks.processBlock(input, output0, output1, frames, BlockProcessor::Mode::kReplace, host);
}

void QuendralCore::processAccumulating(const float* input, float* output0, float* output1,
                                       int32_t frames) {
  engine.headOrientation.store(tracker.headForBlock(), std::memory_order_relaxed);
  blocks.processBlock(input, output0, output1, frames, BlockProcessor::Mode::kAccumulate, host);
}

void QuendralCore::setHeadTrackingSettings(const HeadTrackingSettings& settings) {
  HeadTrackingSettings s = settings;
  if (!HeadTrackingSettings::validPort(s.port)) s.port = tracker.settings().port;
  tracker.setSettings(s);
  if (s.on)
    HeadTrackingReceiver::shared().acquire(this, s.port, s.listenAll);
  else
    HeadTrackingReceiver::shared().release(this);
}

float QuendralCore::getVu() const { return blocks.vuLevel(); }
float QuendralCore::getMeter(int32_t index) const { return blocks.meter(index); }
int32_t QuendralCore::getSampleCount() const { return blocks.samplesSinceSuspend(); }

void QuendralCore::setParameterAutomated(int32_t index, float value) {
  setParameter(index, value);
  if (host) host->editPerformed(index, value);
}

void QuendralCore::beginEdit(int32_t index) {
  if (host) host->editBegan(index);
}

void QuendralCore::endEdit(int32_t index) {
  if (host) host->editEnded(index);
}

void QuendralCore::hostIdle() {
  if (host) host->idleRequested();
}

}  // namespace panner
