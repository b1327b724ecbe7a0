// The CLAP plug-in: the adapter between a CLAP host and the format-neutral core. One object
// per instance answers the plug-in record and its extensions (audio and note ports,
// parameters, state, latency, tail, render mode, the editor), owning one QuendralCore: host
// calls become the core's calls, and the core's requests (tempo and song position, edit
// gestures) are answered from the block's transport and through the edit queue. Every rule,
// mapping and text comes from the core.
//
// Every host extension is optional: without the host's params extension edits still apply
// but the host is not told; without timer support there is no editor (nothing would idle
// it); without thread-check nothing changes (it is not used).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "clap_abi.h"
#include "clap_edit_queue.h"
#include "core_host.h"
#include "quendral_core.h"

namespace panner {

class ClapGui;

class QuendralClap final : public CoreHost {
 public:
  static const clapabi::PluginDescriptor kDescriptor;

  explicit QuendralClap(const clapabi::Host* host);
  ~QuendralClap();
  QuendralClap(const QuendralClap&) = delete;
  QuendralClap& operator=(const QuendralClap&) = delete;

  const clapabi::Plugin* plugin() const { return &record; }
  QuendralCore& getCore() { return core; }
  const clapabi::Host* host() const { return clapHost; }
  // The host's extension with this id, or null (asked once, at init).
  template <typename Extension>
  const Extension* hostExtension(const char* id) const {
    return clapHost && clapHost->getExtension
               ? static_cast<const Extension*>(clapHost->getExtension(clapHost, id))
               : nullptr;
  }

  // ---- parameters (clap_params.cpp) ----
  uint32_t paramCount() const;
  bool paramInfo(uint32_t index, clapabi::ParamInfo& info) const;
  bool paramValue(clapabi::Id id, double& value) const;
  bool valueToText(clapabi::Id id, double value, char* text, uint32_t capacity) const;
  bool textToValue(clapabi::Id id, const char* text, double& value) const;
  // Applies the host's parameter events and MIDI, and hands the panel's edits to the host.
  void handleEvents(const clapabi::InputEvents* in, const clapabi::OutputEvents* out);

  // CoreHost: the block's transport, and the panel's edits (through the edit queue).
  bool hostTempo(double& beatsPerMinute) override;
  bool hostPosition(double& quarterNotes, bool& playing) override;
  void editBegan(int32_t index) override;
  void editPerformed(int32_t index, float value) override;
  void editEnded(int32_t index) override;

 private:
  friend struct ClapCallbacks;
  // A host's value for a parameter id: the core applies it.
  void applyHostValue(clapabi::Id id, double value);
  void queueEdit(const ClapEdit& edit);
  // Asks the host to read every value again (on the main thread, through on_main_thread
  // when the change happened elsewhere).
  void valuesChangedByThePlugin();

  clapabi::Plugin record{};
  const clapabi::Host* clapHost;
  const clapabi::HostParams* hostParams = nullptr;
  const clapabi::HostState* hostState = nullptr;
  QuendralCore core;
  std::unique_ptr<ClapGui> gui;
  ClapEditQueue edits;
  std::atomic<bool> active{false};
  std::atomic<bool> processing{false};
  std::atomic<bool> rescanWanted{false};
  const clapabi::EventTransport* blockTransport = nullptr;  // during process only
};

// The plug-in record of a new instance for this host, or null when it could not be made.
const clapabi::Plugin* createQuendralClap(const clapabi::Host* host);

}  // namespace panner
