// QuendralCore: the plug-in itself, knowing no plug-in format. Owns the spatial engine,
// the block processor, the eight programs and the panel; decides what every parameter
// change does, what each parameter is called and how it reads, what the state chunk holds
// and which MIDI controller moves which parameter. Each format adapter (host/ for VST 2.4,
// formats/ for the others) owns one core and translates its host's calls into these, and
// answers the core's requests through CoreHost.
//
// The names are the plug-in's established ones (setParameter, getParameterDisplay, ...), so
// a reader can go from the VST2 class to the core and back.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "block_processor.h"
#include "core_host.h"
#include "engine_constants.h"
#include "head_tracker.h"
#include "parameters.h"
#include "spatial_engine.h"

namespace panner {

class PanelEditor;
struct OwnResponseSet;
namespace chunk {
struct OwnSetState;
}

class QuendralCore {
 public:
  // Texts the core writes (names, labels, displays, program names) fit this many bytes
  // with the terminator; every buffer handed in must hold at least that many.
  static constexpr int32_t kTextSize = 24;
  // Bins of each spectrum the panel draws (half the transform length).
  static constexpr int32_t kDisplayBins = engine::kFftHalf;

  // host may be null (no tempo, no automation); it must outlive the core.
  explicit QuendralCore(CoreHost* host);
  ~QuendralCore();
  QuendralCore(const QuendralCore&) = delete;
  QuendralCore& operator=(const QuendralCore&) = delete;

  // False when the program array, the chunk buffer or the engine's buffers could not be
  // allocated; an adapter then hands its host nothing.
  bool constructed() const;

  // ---- processing (audio thread, except where said) ----
  // Prepares the engine for the host's rate; a rate the engine cannot use (not finite, not
  // positive, outside 8 kHz..384 kHz) keeps the last good one and returns false. Allocates:
  // call it while processing is suspended.
  bool setSampleRate(double rate);
  float getSampleRate() const;  // the rate the engine is prepared for
  // Clears meters, the sample counter and the display spectra; the sound carries on.
  void suspend();
  void setBypass(bool on);
  bool getBypass() const;
  // One host block. input may be null (silence); a null output is not written.
  void processReplacing(const float* input, float* output0, float* output1, int32_t frames);
  // The same, adding into the outputs.
  void processAccumulating(const float* input, float* output0, float* output1, int32_t frames);
  float getVu() const;
  // 0 input peak, 1 and 2 output peaks of channel 0 and 1, else 0.
  float getMeter(int32_t index) const;
  int32_t getSampleCount() const;  // samples handed in since the last suspend

  // ---- MIDI ----
  // One short MIDI message. Control changes 10 (pan), 7 (volume), 12 and 13 (effect
  // controls 1 and 2) on any channel set angle, gain, lfo speed and lfo position at once,
  // without telling the host; while head tracking is on, a MIDI head tracker's control
  // changes (16..19, 48..51; head_tracker.h) turn the head; every other message is ignored.
  void midiMessage(uint8_t status, uint8_t data1, uint8_t data2);
  // The parameter a control change number moves, or -1 for one that moves nothing (for
  // formats whose hosts map controllers themselves).
  int32_t midiControllerParameter(int32_t controller) const;
  // Whether a control change number means anything here: a parameter's controller or one
  // of a MIDI head tracker's (for formats whose hosts map controllers to parameters).
  bool midiControllerTaken(int32_t controller) const;

  // ---- following the listener's head ----
  // The settings (saved in the bank chunk); not the audio thread: turning tracking on or
  // changing the port opens the process's receiver as needed.
  HeadTrackingSettings headTrackingSettings() const { return tracker.settings(); }
  void setHeadTrackingSettings(const HeadTrackingSettings& settings);
  HeadTracker& headTracker() { return tracker; }
  const HeadTracker& headTracker() const { return tracker; }

  // ---- parameters: normalised values 0..1; the one place a change is decided ----
  void setParameter(int32_t index, float value);
  float getParameter(int32_t index) const;
  void getParameterName(int32_t index, char* text) const;
  void getParameterLabel(int32_t index, char* label) const;
  void getParameterDisplay(int32_t index, char* text) const;
  // Beyond the VST2 build, for hosts that ask (VST3): the text `value` would show once
  // applied, a typed text parsed back into a value ("45", "-3 dB"; false when it holds no
  // number or the parameter is inert; values beyond the range are confined to it), the
  // steps of a stepped parameter (0 when continuous) and the value in a fresh program.
  void getParameterDisplayForValue(int32_t index, float value, char* text) const;
  bool getParameterValueFromText(int32_t index, const char* text, float& value) const;
  int32_t getParameterStepCount(int32_t index) const;
  float getParameterDefault(int32_t index) const;

  // ---- programs ----
  void setProgram(int32_t program);
  int32_t getProgram() const { return currentProgram.load(std::memory_order_relaxed); }
  void setProgramName(const char* name);
  void getProgramName(char* name) const;
  // The name of any program, as getProgramName shows it once that program is current.
  void getProgramNameIndexed(int32_t program, char* name) const;

  // ---- state: the chunk of docs/chunk-format.md ----
  // The bank (all programs, the current one and the live motion) or, with isPreset, the
  // current program. The memory stays valid until the next getChunk or the core's end.
  int32_t getChunk(void** data, bool isPreset);
  // 1 when applied, 0 when refused (a malformed chunk changes nothing).
  int32_t setChunk(const void* data, int32_t byteSize, bool isPreset);
  // The panel size the user chose, in percent (100 to 300), saved with the bank only; 0
  // when none was chosen. Values outside 100..300 count as none.
  int32_t getEditorSizePercent() const { return editorSizePercent.load(std::memory_order_relaxed); }
  void setEditorSizePercent(int32_t percent) {
    editorSizePercent.store(percent >= 100 && percent <= 300 ? percent : 0,
                            std::memory_order_relaxed);
  }

  // ---- a user's own response set (parameter 23, "own set", switches it in) ----
  // Loads the SOFA file at `path` and hands it to the engine, on the calling thread (never
  // the audio thread; the audio carries on meanwhile and crossfades to the new set when it
  // plays). True when it replaced the set; a refused file changes nothing, and its reason
  // becomes the last refusal. Where no reader is built in (Windows) every file is refused:
  // there a set arrives with a project or preset.
  bool loadOwnSet(const char* path);
  // For quendral's own tools (own_set_file_extension.h): loads the file as loadOwnSet does
  // and switches the own set on when it loads. `answer` (`capacity` bytes) gets the set's
  // description, or the refusal.
  bool loadOwnSetFile(const char* path, char* answer, uint32_t capacity);
  // One line on the own set in place: "own set (on): " and its description and the file's
  // CRC-32, "own set: refused (why)" for a saved set that breaks a limit, or "own set: none
  // loaded (off)".
  void describeOwnSet(char* line, uint32_t capacity) const;
  // Installs a prepared set (null removes it); false, changing nothing, when its tables
  // could not be made.
  bool setOwnSet(std::shared_ptr<const OwnResponseSet> set);
  std::shared_ptr<const OwnResponseSet> ownSet() const { return engine.ownResponseSet(); }
  // One line: which set plays (the own set's name and figures, or the built-in set).
  std::string playingSetDescription() const;
  // The own set in place, short: its name and directions, and the elevations it covers
  // when it covers more than its ring ("MIT (710 directions, -40 to 90)"); empty for none.
  std::string ownSetHeadline() const;
  std::string ownSetName() const;  // empty for none
  // What the user should know about the own set in place, loaded from a file here: that the
  // file's receiver positions contradict its data (kEarsByMeasurementNote); else empty.
  std::string ownSetNote() const;
  // The last refusal, one line; empty when the last load succeeded or none was tried.
  std::string lastOwnSetRefusal() const;
  // How many loads have been refused so far: tells a new refusal from an old one with
  // the same text.
  uint32_t ownSetRefusalNumber() const;
  // How a user brings an own set here, one line.
  static const char* ownSetHint();
  // A file the user chose in the panel: true when the adapter took it (it loads sets its
  // own way, CoreHost::ownSetFileChosen); otherwise the panel loads it.
  bool passOwnSetFileToAdapter(const char* path) { return host && host->ownSetFileChosen(path); }

  // ---- the editor's side ----
  // The panel every format opens (null when it could not be made).
  PanelEditor* editor() const { return panel.get(); }
  // A user edit: applied, then reported to the host as automation.
  void setParameterAutomated(int32_t index, float value);
  void beginEdit(int32_t index);
  void endEdit(int32_t index);
  void hostIdle();
  SpatialEngine& getEngine() { return engine; }
  const SpatialEngine& getEngine() const { return engine; }

 private:
  // The display text of parameter `index` showing `shown` in the parameter's own unit
  // (degrees, dB, cycles per second, divisor, set number, or the plain value).
  static void printShownValue(int32_t index, float shown, char* text);
  // Applies a parameter of the programs (isProgramParameter) and keeps it in the current
  // program.
  void applyParameter(int32_t index, float value);
  // The parameters 0..6 and "elevation"; false when the value maps to nothing finite
  // (nothing changed).
  bool applyFixedParameter(int32_t index, float value);
  // A point value or time; returns the value applied (a time kept between its neighbours).
  float applyEnvelopePoint(int32_t index, float value);
  float pointTimeBetweenNeighbours(int point, float time) const;
  ProgramRecord* currentRecord() const;
  bool applyOwnSetState(const chunk::OwnSetState& own);

  CoreHost* host;
  SpatialEngine engine;
  BlockProcessor blocks;
  HeadTracker tracker;
  std::unique_ptr<ProgramRecord[]> programs;
  std::vector<uint8_t> savedChunk;  // what getChunk last handed out
  std::atomic<int32_t> currentProgram{0};
  std::atomic<int32_t> editorSizePercent{0};
  mutable std::mutex ownSetText;  // guards ownSetRefusal (loads and the panel's reads)
  std::string ownSetRefusal;
  std::string ownSetLoaded;     // the last loaded file's description (guarded by ownSetText)
  uint32_t ownSetRefusals = 0;  // guarded by ownSetText
  // The set loaded here whose file's receiver positions contradicted its data (guarded by
  // ownSetText); the note goes with it when a set from a chunk or another file replaces it.
  std::weak_ptr<const OwnResponseSet> notedSet;
  std::unique_ptr<PanelEditor> panel;  // made last, destroyed first: it reads the rest
};

}  // namespace panner
