// A minimal VST3 host: loads a plug-in module (a .vst3 bundle or the binary inside one),
// creates its first audio effect through the module's factory and drives it only through
// the binary interface, as a DAW does: component and processor, the edit controller
// (the same object or a second one the factory makes), parameters with their texts,
// program lists, state, the editor view in a host frame, and the transport context.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "editor_frame.h"
#include "host_objects.h"
#include "shared_library.h"
#include "vst3_abi.h"

namespace vst3host {

struct ClassDescription {
  std::string name;
  std::string category;
  std::string subCategories;  // "Fx|Spatial", from the second factory's class info
  std::string vendor;
  std::string version;
  std::string sdkVersion;
  vst3::Uid cid{};
};

struct ParameterDescription {
  vst3::ParamID id = 0;
  std::string title;
  std::string shortTitle;
  std::string units;
  int32_t stepCount = 0;
  double defaultValue = 0.0;
  int32_t unitId = 0;
  int32_t flags = 0;
};

struct BusDescription {
  std::string name;
  int32_t channelCount = 0;
  int32_t busType = 0;
  uint32_t flags = 0;
};

class Vst3Plugin {
 public:
  // Loads the module at path and creates its first audio effect. On failure returns null
  // and puts a sentence saying what went wrong into error.
  static std::unique_ptr<Vst3Plugin> load(const std::string& path, std::string& error);
  // The binary a bundle path stands for: <bundle>/Contents/<arch>/<name>.so on Linux,
  // .../x86_64-win/<name>.vst3 on Windows; any other path is the binary itself.
  static std::string binaryFor(const std::string& path);

  ~Vst3Plugin();  // closes the editor, deactivates, terminates and unloads
  Vst3Plugin(const Vst3Plugin&) = delete;
  Vst3Plugin& operator=(const Vst3Plugin&) = delete;

  const std::string& path() const { return path_; }
  const ClassDescription& classDescription() const { return class_; }
  const std::string& factoryVendor() const { return factoryVendor_; }
  vst3::IComponent* component() const { return component_; }
  vst3::IAudioProcessor* processor() const { return processor_; }
  vst3::IEditController* controller() const { return controller_; }
  // True when the component answers as its own edit controller.
  bool singleObject() const { return !separateController_; }

  std::vector<BusDescription> buses(vst3::MediaType type, vst3::BusDirection direction) const;
  // Channels of the first audio input and output bus: what a render feeds and takes.
  int32_t numInputs() const { return mainChannels_[0]; }
  int32_t numOutputs() const { return mainChannels_[1]; }

  // Start-up as hosts do it: bus activation, setupProcessing with the rate and the largest
  // block, setActive, setProcessing. False (with the plug-in's refusal in error) when the
  // plug-in refuses the setup.
  bool open(double sampleRate, int32_t maxBlockSize, std::string& error,
            int32_t processMode = vst3::kRealtime);
  // setProcessing(false) and setActive(false), as a host does when playback stops.
  void close();
  bool isOpen() const { return active_; }

  uint32_t latencySamples() { return processor_->getLatencySamples(); }
  uint32_t tailSamples() { return processor_->getTailSamples(); }

  // Parameters in the controller's order (index), each with its id.
  const std::vector<ParameterDescription>& parameters() const { return parameters_; }
  int32_t parameterCount() const { return static_cast<int32_t>(parameters_.size()); }
  int32_t indexOf(vst3::ParamID id) const;
  // The first parameter carrying a flag (kIsBypass, kIsProgramChange), or -1.
  int32_t parameterWithFlag(int32_t flag) const;
  double getParameter(int32_t index);
  // As a host applies a user's change: tells the controller and queues the value for the
  // processor at the start of the next block.
  void setParameter(int32_t index, double value);
  // Only the processor hears of it (automation the host plays back).
  void queueParameterChange(vst3::ParamID id, double value, int32_t sampleOffset = 0);
  std::string parameterDisplay(int32_t index);
  std::string displayFor(int32_t index, double value);
  // The controller's parse of a typed value; false when it refuses the text.
  bool valueFromText(int32_t index, const std::string& text, double& value);

  // The program list of the root unit (empty when there is none) and its names.
  std::vector<std::string> programNames();

  // One block with separate channel buffers for the main buses; blocks longer than the
  // largest announced one are split. Advances the host's sample position.
  void process(float** inputs, float** outputs, int32_t frames);
  std::vector<std::vector<float>> render(const std::vector<float>& input, int32_t blockSize);
  // The parameter changes the processor reported in the last block, as (id, last value).
  std::vector<std::pair<vst3::ParamID, double>> outputChanges();

  // The component's state; a controller in a second object has its own (controllerState).
  std::vector<uint8_t> getState();
  std::vector<uint8_t> controllerState();
  // Hands bytes to the component's setState and then to the controller's
  // setComponentState, as hosts restore a project. Returns the component's answer.
  vst3::tresult setState(const std::vector<uint8_t>& bytes);

  // The controller's MIDI mapping; false when it maps nothing there.
  bool midiControllerParameter(int16_t channel, int16_t controller, vst3::ParamID& id);

  // Editor: creates the view, checks the platform type and attaches it to parentWindow
  // (an X11 window id on Linux, an HWND on Windows) inside this host's frame.
  bool openEditor(void* parentWindow, std::string& error);
  void closeEditor();
  vst3::IPlugView* view() const { return view_; }
  bool editorSize(vst3::ViewRect& rect);
  // The host's content scale for the editor (IPlugViewContentScaleSupport), given to the
  // open view now and to every view made later; whether the open view took it.
  bool setContentScale(float factor);
  EditorFrame& frame() { return frame_; }
  // Runs the host's run loop (the editor's timers and X events) for `milliseconds`.
  void pumpEditor(int milliseconds) { frame_.runLoop().pump(milliseconds); }

  // The transport reported in each block's process context.
  void setTempo(double beatsPerMinute) { tempo_.store(beatsPerMinute); }
  void setTempoValid(bool valid) { tempoValid_.store(valid); }
  void setTransportPlaying(bool playing) { playing_.store(playing); }
  double samplePosition() const { return samplePos_.load(); }
  void setSamplePosition(double position) { samplePos_.store(position); }
  // Leave the process context out (a host that offers none).
  void setProvideContext(bool provide) { provideContext_.store(provide); }

  ComponentHandler& handler() { return handler_; }

 private:
  bool applyContentScale(vst3::IPlugView* view);
  Vst3Plugin() = default;
  bool create(std::string& error);
  void describeParameters();
  void processBlock(float** inputs, float** outputs, int32_t frames);
  void fillContext(int32_t frames);

  std::string path_;
  std::unique_ptr<vsthost::SharedLibrary> library_;
  bool moduleEntered_ = false;
  vst3::IPluginFactory* factory_ = nullptr;
  ClassDescription class_;
  std::string factoryVendor_;
  vst3::IComponent* component_ = nullptr;
  vst3::IAudioProcessor* processor_ = nullptr;
  vst3::IEditController* controller_ = nullptr;
  bool separateController_ = false;
  vst3::IConnectionPoint* componentConnection_ = nullptr;
  vst3::IConnectionPoint* controllerConnection_ = nullptr;
  vst3::IPlugView* view_ = nullptr;
  float contentScale_ = 0.0f;

  HostApplication application_;
  ComponentHandler handler_;
  EditorFrame frame_;
  std::vector<ParameterDescription> parameters_;

  // Processing: bus buffers made at open(), for the largest block.
  bool active_ = false;
  int32_t maxBlock_ = 0;
  double sampleRate_ = 44100.0;
  int32_t processMode_ = vst3::kRealtime;
  int32_t mainChannels_[2] = {0, 0};
  std::vector<vst3::AudioBusBuffers> inputBuses_, outputBuses_;
  std::vector<std::vector<float*>> inputPointers_, outputPointers_;
  std::vector<float> silence_;
  std::vector<std::vector<float>> scratch_;
  vst3::ProcessContext context_{};
  ParameterChangeList inputChanges_, outputChanges_;
  std::mutex pendingMutex_;
  std::vector<std::pair<vst3::ParamID, double>> pending_;
  std::atomic<bool> hasPending_{false};  // the audio thread locks only when there is news

  std::atomic<double> samplePos_{0.0};
  std::atomic<double> tempo_{120.0};
  std::atomic<bool> tempoValid_{true};
  std::atomic<bool> playing_{true};
  std::atomic<bool> provideContext_{true};
};

}  // namespace vst3host
