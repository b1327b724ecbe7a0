// The own set's SOFA file as the LV2 parameter kSofaFileUri (patch:writable, an atom:Path),
// for which hosts show a file chooser. A patch:Set on the control port asks for a file: the
// audio thread copies its path into a worker request, and the host's worker thread loads it
// into the core (the core builds the set there and hands it over). A finished load (taken or
// refused), a patch:Get and a restored state are answered on the notify port with a
// patch:Set naming the file that is loaded, so the host shows the file that really plays.
// The state keeps that path beside the chunk (the chunk carries the set itself).
#pragma once

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace panner {
class QuendralCore;
}

namespace panner::lv2 {

class OwnSetFile {
 public:
  // Paths of up to this many bytes, the terminator included, are taken; a longer one is
  // refused (it is copied on the audio thread into a request of fixed size).
  static constexpr uint32_t kMaxPathBytes = 2048;
  // What the atom ports ask of the host (rsz:minimumSize): room for a patch:Set of the
  // longest path and the events beside it in one block.
  static constexpr uint32_t kPortBufferBytes = 2 * (kMaxPathBytes + 128);

  // Why the adapter itself refused a file, before the core saw it.
  enum class Refusal : int32_t { kNone, kNoWorker, kNotAPath, kNoFileNamed, kPathTooLong, kBusy };

  // `map` null: no atoms, nothing here does anything. `schedule` null (the host has no
  // worker): every file asked for is refused, and lastRefusal() says why.
  OwnSetFile(QuendralCore& core, const LV2_URID_Map* map, const LV2_Worker_Schedule* schedule);
  ~OwnSetFile();
  OwnSetFile(const OwnSetFile&) = delete;
  OwnSetFile& operator=(const OwnSetFile&) = delete;

  // ---- audio thread ----
  // The notify port's buffer (null when unconnected); connected before run().
  void connectNotify(LV2_Atom_Sequence* port) { notify = port; }
  // Starts this block's notify sequence and reports what finished since the last block.
  void startBlock();
  // An object from the control port, `offset` frames into the block; false when it is not
  // a patch:Set or patch:Get of the file.
  bool handle(const LV2_Atom_Object* object, uint32_t offset);

  // ---- the host's worker thread ----
  LV2_Worker_Status work(LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle,
                         uint32_t size, const void* data);
  // Audio thread, after run(): the worker's answer.
  LV2_Worker_Status workResponse(uint32_t size, const void* body);

  // ---- state (the host's threads) ----
  // Stores the loaded file's path (through the host's state:mapPath where given); stores
  // nothing when no file is loaded.
  LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle,
                        const LV2_Feature* const* features);
  // After the chunk was restored: the state's file (or none) is the one loaded now.
  void restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
               const LV2_Feature* const* features);

  // False without the URID map or the host's worker: no file can be loaded this way.
  bool loadsFiles() const { return map && schedule; }
  // The file loaded, as last reported (any thread but the audio thread).
  std::string path() const;
  // The last refusal, one line: the adapter's own (no worker, path too long, ...) when it
  // came last, else the core's; empty when the last file was taken.
  std::string lastRefusal() const;
  static const char* refusalText(Refusal refusal);

 private:
  struct Request {
    uint32_t length;  // of the path, the terminator included
    char path[kMaxPathBytes];
  };
  struct Response {
    uint32_t loaded;  // 1 taken, 0 refused
    uint32_t length;  // of the path when taken, the terminator included
    char path[kMaxPathBytes];
  };

  void requestLoad(const LV2_Atom* value, uint32_t offset);
  void refuse(Refusal refusal, uint32_t offset);
  // A patch:Set of the loaded file on the notify port; false when it does not fit.
  bool writeCurrentPath(uint32_t offset);
  void setCurrentPath(const char* path, uint32_t length);

  QuendralCore& core;
  const LV2_URID_Map* map;
  const LV2_Worker_Schedule* schedule;
  struct {
    LV2_URID atomPath = 0, atomUrid = 0, patchGet = 0, patchSet = 0, patchProperty = 0,
             patchValue = 0, sofaFile = 0;
  } uris;
  // The atom forge, kept out of this header (its field names clash with X11's macros).
  struct Forge;
  std::unique_ptr<Forge> forge;

  // Audio thread: the notify port, the file the host was last told of, and whether it must
  // be told again (a load finished, was refused, or a state was restored).
  LV2_Atom_Sequence* notify = nullptr;
  bool forging = false;
  char currentPath[kMaxPathBytes] = {};
  uint32_t currentLength = 1;
  bool reportPending = false;
  Request request{};
  std::atomic<Refusal> adapterRefusal{Refusal::kNone};

  // A restored state's file, handed to the audio thread.
  char restoredPath[kMaxPathBytes] = {};
  uint32_t restoredLength = 1;
  std::atomic<bool> restored{false};

  // The file loaded, for the state and the panel (worker and host threads).
  mutable std::mutex loadedLock;
  std::string loaded;
};

}  // namespace panner::lv2
