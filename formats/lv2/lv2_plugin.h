// The LV2 plug-in: one QuendralCore behind the LV2 ports. Control port changes reach the
// core as setParameter calls (only the ports that changed, only when they change), the atom
// port's MIDI control changes and time:Position reach its MIDI map and its tempo and
// position requests, and the state extension saves and restores the core's bank chunk.
// The own set's file is a patch:writable parameter (own_set_file.h), loaded on the host's
// worker thread.
#pragma once

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <atomic>
#include <cstdint>
#include <memory>

#include "core_host.h"
#include "host_timeline.h"
#include "lv2_ports.h"
#include "own_set_file.h"
#include "quendral_core.h"

namespace panner::lv2 {

// Where the editor that shows this instance's own panel (through instance access) receives
// the panel's edit gestures, to pass them on to its host as port writes. UI thread.
class EditListener {
 public:
  virtual void editBegan(int32_t parameter) = 0;
  virtual void editPerformed(int32_t parameter, float normalised) = 0;
  virtual void editEnded(int32_t parameter) = 0;
  // The user chose a SOFA file in the panel; true when the editor sends it to the host.
  virtual bool ownSetFileChosen(const char* path) = 0;

 protected:
  ~EditListener() = default;
};

class Lv2Plugin final : public CoreHost {
 public:
  // Null when the rate is unusable or memory runs out. `features` may be null or lack the
  // URID map: the plug-in then runs without MIDI, host time and state. Without the host's
  // worker (worker:schedule) it runs too, but refuses every own set file it is sent.
  static Lv2Plugin* create(double sampleRate, const LV2_Feature* const* features);
  ~Lv2Plugin();

  void connectPort(uint32_t port, void* data);
  void activate();
  void run(uint32_t frames);

  LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle,
                        const LV2_Feature* const* features = nullptr);
  LV2_State_Status restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                           const LV2_Feature* const* features = nullptr);

  // The worker extension: loads the own set's file (worker thread), and the answer (audio
  // thread, after run). kWorkerInterface calls these on the handle it is given.
  static const LV2_Worker_Interface kWorkerInterface;
  LV2_Worker_Status work(LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle,
                         uint32_t size, const void* data);
  LV2_Worker_Status workResponse(uint32_t size, const void* body);
  // The own set file as the host was last told of it, and the last refusal of one.
  std::string ownSetFile() const { return ownSet->path(); }
  bool loadsOwnSetFiles() const { return ownSet->loadsFiles(); }
  std::string lastOwnSetRefusal() const { return ownSet->lastRefusal(); }

  QuendralCore& core() { return *core_; }
  // The editor that shows this instance's panel registers here while it is open.
  void setEditListener(EditListener* listener);

  // CoreHost (the core calls these).
  bool hostTempo(double& beatsPerMinute) override;
  bool hostPosition(double& quarterNotes, bool& playing) override;
  void editBegan(int32_t index) override;
  void editPerformed(int32_t index, float value) override;
  void editEnded(int32_t index) override;
  // The panel's chosen file goes to the editor, which sends it to the host as a patch:Set.
  bool ownSetFileChosen(const char* path) override;

 private:
  struct Uris {
    LV2_URID atomBlank = 0, atomObject = 0, atomChunk = 0, atomDouble = 0, atomFloat = 0,
             atomInt = 0, atomLong = 0, atomSequence = 0, midiEvent = 0, timePosition = 0,
             timeBeat = 0, timeBeatUnit = 0, timeBeatsPerMinute = 0, timeSpeed = 0, stateChunk = 0;
  };

  Lv2Plugin(const LV2_URID_Map* map, const LV2_Worker_Schedule* schedule);
  void readEvents();
  void readTimePosition(const LV2_Atom_Object* object, uint32_t offset);
  // Hands the control ports that changed since the last block to the core.
  void applyControlPorts();
  // The instance's first block: the ports' starting values, as if they had always been set.
  void applyStartingValues(const bool* changed, const float* normalised);
  // Lets the azimuth and both filter slots reach their settings at once (the glide that
  // would otherwise run from the defaults), on silence that nobody hears.
  void settle();
  void processAudio(uint32_t frames);

  const LV2_URID_Map* map;
  Uris uris;
  std::unique_ptr<QuendralCore> core_;
  std::unique_ptr<OwnSetFile> ownSet;
  HostTimeline timeline;

  const float* controls[kNumControlPorts] = {};
  float* latency = nullptr;
  const float* input = nullptr;
  float* output0 = nullptr;
  float* output1 = nullptr;
  const LV2_Atom_Sequence* events = nullptr;

  // Audio thread: the port values the core has been given, bit for bit.
  float lastPortValue[kNumControlPorts] = {};
  bool firstBlock = true;
  // Set by a restored state: the next block takes the ports as they stand, without applying
  // them over the restored motion.
  std::atomic<bool> adoptPorts{false};
  // A parameter the editor is dragging: the host's port writes echo what the editor has
  // already applied, so they are not applied again (a late echo would pull it back).
  std::atomic<bool> editing[kNumControlPorts] = {};
  std::atomic<EditListener*> editListener{nullptr};

  static constexpr uint32_t kScratchFrames = 1024;
  float scratchInput[kScratchFrames] = {};
};

}  // namespace panner::lv2
