// A minimal CLAP host: loads a .clap module through its exported clap_entry, creates a
// plug-in through the module's factory and drives it only through the binary interface, as
// a DAW does: activation and processing with the block's transport, parameter events at
// sample offsets, MIDI, the parameters with their texts, state through streams that may
// take or give a few bytes at a time, latency and tail, and the editor in a host window idled
// by the host's timers. The host's extensions (params, state, latency, gui, timer and
// posix-fd support, thread-check) can each be withheld, as a host lacking one would.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "clap_abi.h"
#include "shared_library.h"

namespace claphost {

struct ParamDescription {
  clapabi::Id id = 0;
  std::string name;
  uint32_t flags = 0;
  double minValue = 0.0, maxValue = 0.0, defaultValue = 0.0;
};

// An event the plug-in pushed to the host: a parameter value or a gesture's begin or end.
struct OutputEvent {
  uint16_t type = 0;
  clapabi::Id paramId = 0;
  double value = 0.0;
};

struct HostOptions {
  std::set<std::string> withheld;  // host extension ids the host does not offer
  std::string pluginId;            // empty: the factory's first plug-in
  uint32_t streamChunk = 0;        // state streams move at most this many bytes per call (0: all)
};

class ClapPlugin {
 public:
  // Loads the module at path and creates (and initialises) its plug-in. On failure returns
  // null and puts a sentence saying what went wrong into error.
  static std::unique_ptr<ClapPlugin> load(const std::string& path, std::string& error,
                                          const HostOptions& options = {});
  ~ClapPlugin();  // closes the editor, deactivates, destroys and unloads
  ClapPlugin(const ClapPlugin&) = delete;
  ClapPlugin& operator=(const ClapPlugin&) = delete;

  const clapabi::PluginDescriptor& descriptor() const { return *plugin_->descriptor; }
  std::vector<std::string> features() const;
  const clapabi::Plugin* plugin() const { return plugin_; }
  template <typename Extension>
  const Extension* extension(const char* id) const {
    return static_cast<const Extension*>(plugin_->getExtension(plugin_, id));
  }

  // Activates at the rate for blocks of up to maxFrames and starts processing.
  bool activate(double sampleRate, uint32_t maxFrames, std::string& error);
  void deactivate();
  bool isActive() const { return active_; }
  uint32_t mainChannels(bool input) const;  // of the main port, 0 without one
  uint32_t latency() const;
  uint32_t tail() const;

  const std::vector<ParamDescription>& params() const { return params_; }
  int32_t indexOf(clapabi::Id id) const;
  double value(clapabi::Id id) const;
  std::string text(clapabi::Id id, double value) const;
  bool valueFromText(clapabi::Id id, const std::string& text, double& value) const;
  // Queued for the next process (or flush), at this sample offset within the block.
  void setParam(clapabi::Id id, double value, uint32_t sampleOffset = 0);
  void midi(uint8_t status, uint8_t data1, uint8_t data2, uint32_t sampleOffset = 0);
  // Hands queued events to the plug-in outside processing (params' flush).
  void flush();
  // Events the plug-in pushed since the last call.
  std::vector<OutputEvent> takeOutputEvents();

  // The transport of the following blocks: `provide` false sends none (free-running);
  // without `tempoValid` it carries the position but no tempo.
  void setTransport(bool provide, double tempo, double beats, bool playing, bool tempoValid = true);
  // One block of planar audio; null channels are passed as the host has them.
  int32_t process(const float* const* inputs, float* const* outputs, uint32_t frames);

  std::vector<uint8_t> saveState();
  bool loadState(const std::vector<uint8_t>& bytes);

  // The editor, as a child of the host's window (X11 window id or HWND).
  bool openEditor(void* parentWindow, uint32_t& width, uint32_t& height, std::string& error);
  void closeEditor();
  // The host's scale for the editor (gui set_scale), now and for editors opened later;
  // whether the plug-in took it. The sizes the editor asked for since, by request_resize.
  bool setEditorScale(double scale);
  const std::vector<std::pair<uint32_t, uint32_t>>& resizeRequests() const {
    return resizeRequests_;
  }
  // Runs the host's side of the main thread for about this long: due timers, readable
  // descriptors, requested callbacks and flushes.
  void pumpMainThread(int milliseconds);
  // What the plug-in asked of the host so far.
  int rescans() const { return rescans_; }

 private:
  struct HostState;
  ClapPlugin() = default;

  std::unique_ptr<vsthost::SharedLibrary> library_;
  const clapabi::PluginEntry* entry_ = nullptr;
  const clapabi::Plugin* plugin_ = nullptr;
  std::unique_ptr<HostState> host_;
  std::vector<ParamDescription> params_;
  // Every audio port of each direction (0 inputs, 1 outputs): its channels, the main one
  // carrying the caller's buffers, the others silence in and scratch out.
  struct Port {
    uint32_t channels = 0;
    bool main = false;
    std::vector<std::vector<float>> scratch;
    std::vector<float*> pointers;
  };
  std::vector<Port> ports_[2];
  uint32_t maxFrames_ = 0;
  bool active_ = false;
  bool editorOpen_ = false;
  int rescans_ = 0;
  double editorScale_ = 0.0;
  std::vector<std::pair<uint32_t, uint32_t>> resizeRequests_;
};

}  // namespace claphost
