// A minimal VST 2.4 host: loads a plug-in's shared library, creates the plug-in through its
// exported entry point and drives it only through the binary interface, as a DAW does.
// Answers the host requests a real host answers and records what the plug-in reports
// (automation, edit gestures, idle requests) so callers can inspect it.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "shared_library.h"
#include "vst_abi.h"

namespace vsthost {

// One MIDI message of up to three bytes, delivered at a position inside the next block.
struct MidiMessage {
  unsigned char status = 0;
  unsigned char data1 = 0;
  unsigned char data2 = 0;
  int32_t deltaFrames = 0;
};

struct AutomateCall {
  int32_t index;
  float value;
};

// What the plug-in told the host. Guarded by a mutex: the plug-in may call back from the
// audio thread and a user-interface thread at once.
class HostRecorder {
 public:
  void recordAutomate(int32_t index, float value);
  void recordBeginEdit(int32_t index);
  void recordEndEdit(int32_t index);
  void recordIdle();
  void recordTimeRequest(intptr_t filter);
  void clear();

  std::vector<AutomateCall> automateCalls() const;
  std::vector<int32_t> beginEdits() const;
  std::vector<int32_t> endEdits() const;
  int idleCalls() const;
  int timeRequests() const;
  intptr_t lastTimeFilter() const;

 private:
  mutable std::mutex mutex_;
  std::vector<AutomateCall> automate_;
  std::vector<int32_t> beginEdits_;
  std::vector<int32_t> endEdits_;
  int idleCalls_ = 0;
  int timeRequests_ = 0;
  intptr_t lastTimeFilter_ = 0;
};

class PluginHost {
 public:
  // Loads the library at path and creates the plug-in. On failure returns null and puts a
  // sentence saying what went wrong into error.
  static std::unique_ptr<PluginHost> load(const std::string& path, std::string& error);

  // The host's answer to audioMasterVersion while the next load runs (0 makes a well-behaved
  // plug-in refuse to load). Defaults to 2400.
  static void setVersionAnswer(intptr_t version);

  ~PluginHost();  // closes the plug-in (effClose) if still open and unloads the library
  PluginHost(const PluginHost&) = delete;
  PluginHost& operator=(const PluginHost&) = delete;

  AEffect* effect() const { return effect_; }
  const std::string& path() const { return path_; }

  intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                    float opt = 0.0f);

  // Start-up as hosts do it: effOpen, sample rate, block size, then effMainsChanged 1.
  void open(double sampleRate = 44100.0, int32_t blockSize = 512);
  // effClose; the plug-in object is gone afterwards (effect() becomes null). Returns the
  // plug-in's answer (0 when it was already closed).
  intptr_t close();
  void suspend() { dispatch(effMainsChanged, 0, 0); }
  void resume() { dispatch(effMainsChanged, 0, 1); }
  void setSampleRate(double rate);
  void setBlockSize(int32_t size);

  void setParameter(int32_t index, float value);
  float getParameter(int32_t index);
  std::string parameterName(int32_t index);
  std::string parameterLabel(int32_t index);
  std::string parameterDisplay(int32_t index);
  std::string programName();
  void setProgramName(const std::string& name);
  void setProgram(int32_t program) { dispatch(effSetProgram, 0, program); }
  int32_t program() { return static_cast<int32_t>(dispatch(effGetProgram)); }
  // The plug-in's chunk (the bank, or with preset the current program) copied out of the
  // plug-in's memory; empty when it offers none.
  std::vector<uint8_t> getChunk(bool preset = false);
  // Hands the bytes to effSetChunk and returns the plug-in's answer (1 applied, 0 refused).
  intptr_t setChunk(const std::vector<uint8_t>& bytes, bool preset = false);
  std::string effectName();
  std::string vendorString();
  std::string productString();
  intptr_t canDo(const std::string& capability);

  // One block with separate channel buffers (raw host form: arrays of channel pointers).
  // Advances the host's sample position by frames.
  void processReplacing(float** inputs, float** outputs, int32_t frames);
  void process(float** inputs, float** outputs, int32_t frames);
  // Convenience: runs input through processReplacing in blocks of blockSize samples and
  // returns numOutputs channels of the same length.
  std::vector<std::vector<float>> render(const std::vector<float>& input, int32_t blockSize);

  // Sends control changes and other short messages through effProcessEvents.
  intptr_t sendMidi(const std::vector<MidiMessage>& messages);
  intptr_t sendEvents(VstEvents* events) { return dispatch(effProcessEvents, 0, 0, events); }

  // Editor: its rectangle (false when it reports none), open on a parent window, idle, close.
  bool editorRect(ERect& rect);
  bool openEditor(void* parentWindow);
  void idleEditor() { dispatch(effEditIdle); }
  void closeEditor() { dispatch(effEditClose); }

  // Host time reported to audioMasterGetTime. Without a time record the host answers the
  // request with null, as hosts with no transport do; without a position it leaves the
  // musical position out of the record.
  void setTempo(double beatsPerMinute) { tempo_.store(beatsPerMinute); }
  void setTempoValid(bool valid) { tempoValid_.store(valid); }
  void setTransportPlaying(bool playing) { playing_.store(playing); }
  void setTimeRecordGiven(bool given) { timeGiven_.store(given); }
  void setPositionValid(bool valid) { positionValid_.store(valid); }
  double samplePosition() const { return samplePos_.load(); }
  void setSamplePosition(double position) { samplePos_.store(position); }

  HostRecorder& recorder() { return recorder_; }

  // The host callback; public so the entry call can reach an instance.
  intptr_t answer(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

 private:
  PluginHost() = default;
  VstTimeInfo* fillTimeInfo();
  // Sends a request that answers with text in ptr and returns that text.
  std::string textAnswer(int32_t opcode, int32_t index = 0);

  std::unique_ptr<SharedLibrary> library_;
  AEffect* effect_ = nullptr;
  std::string path_;
  std::atomic<double> sampleRate_{44100.0};
  std::atomic<int32_t> blockSize_{512};
  std::atomic<double> samplePos_{0.0};
  std::atomic<double> tempo_{120.0};
  std::atomic<bool> tempoValid_{true};
  std::atomic<bool> playing_{true};
  std::atomic<bool> timeGiven_{true};
  std::atomic<bool> positionValid_{true};
  VstTimeInfo timeInfo_{};
  HostRecorder recorder_;
};

}  // namespace vsthost
