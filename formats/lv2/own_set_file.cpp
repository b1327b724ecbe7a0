#include "own_set_file.h"

#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>
#include <lv2/patch/patch.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

#include "lv2_features.h"
#include "lv2_uris.h"
#include "quendral_core.h"

namespace panner::lv2 {

namespace {

// A path the host's state:mapPath made, given back the way it asks.
void freeMappedPath(const LV2_Feature* const* features, char* path) {
  if (const auto* freePath = findFeature<LV2_State_Free_Path>(features, LV2_STATE__freePath))
    freePath->free_path(freePath->handle, path);
  else
    std::free(path);
}

}  // namespace

struct OwnSetFile::Forge {
  LV2_Atom_Forge forge{};
  // The notify sequence: the forge keeps a pointer to it while the block's events go in.
  LV2_Atom_Forge_Frame sequence{};
};

OwnSetFile::OwnSetFile(QuendralCore& ownCore, const LV2_URID_Map* uridMap,
                       const LV2_Worker_Schedule* workerSchedule)
    : core(ownCore), map(uridMap), schedule(workerSchedule), forge(new (std::nothrow) Forge) {
  if (!forge) map = nullptr;  // without it nothing is sent: as without atoms
  if (!map) return;
  const auto urid = [this](const char* uri) { return map->map(map->handle, uri); };
  uris.atomPath = urid(LV2_ATOM__Path);
  uris.atomUrid = urid(LV2_ATOM__URID);
  uris.patchGet = urid(LV2_PATCH__Get);
  uris.patchSet = urid(LV2_PATCH__Set);
  uris.patchProperty = urid(LV2_PATCH__property);
  uris.patchValue = urid(LV2_PATCH__value);
  uris.sofaFile = urid(kSofaFileUri);
  lv2_atom_forge_init(&forge->forge, const_cast<LV2_URID_Map*>(map));
}

OwnSetFile::~OwnSetFile() = default;

void OwnSetFile::startBlock() {
  forging = false;
  if (!map) return;
  if (restored.load(std::memory_order_acquire) &&
      restored.exchange(false, std::memory_order_acquire)) {
    setCurrentPath(restoredPath, restoredLength);
    reportPending = true;
  }
  if (!notify) return;
  // The host gives the buffer's capacity as the sequence's size.
  const uint32_t capacity = notify->atom.size;
  lv2_atom_forge_set_buffer(&forge->forge, reinterpret_cast<uint8_t*>(notify), capacity);
  forging = lv2_atom_forge_sequence_head(&forge->forge, &forge->sequence, 0) != 0;
  if (reportPending && writeCurrentPath(0)) reportPending = false;
}

bool OwnSetFile::handle(const LV2_Atom_Object* object, uint32_t offset) {
  if (!map) return false;
  const LV2_URID kind = object->body.otype;
  if (kind != uris.patchSet && kind != uris.patchGet) return false;
  const LV2_Atom* property = nullptr;
  const LV2_Atom* value = nullptr;
  lv2_atom_object_get(object, uris.patchProperty, &property, uris.patchValue, &value, 0);
  const bool aboutTheFile = property && property->type == uris.atomUrid &&
                            reinterpret_cast<const LV2_Atom_URID*>(property)->body == uris.sofaFile;
  if (kind == uris.patchGet) {
    // A Get without a property asks for every parameter: the file is the only one.
    if (property && !aboutTheFile) return false;
    if (!writeCurrentPath(offset)) reportPending = true;
    return true;
  }
  if (!aboutTheFile) return false;
  requestLoad(value, offset);
  return true;
}

void OwnSetFile::requestLoad(const LV2_Atom* value, uint32_t offset) {
  if (!schedule) return refuse(Refusal::kNoWorker, offset);
  if (!value || value->type != uris.atomPath) return refuse(Refusal::kNotAPath, offset);
  const auto* text = reinterpret_cast<const char*>(value + 1);
  // An atom:Path's body is the path and its terminator; a body without one is read up to
  // its end.
  const uint32_t length = static_cast<uint32_t>(strnlen(text, value->size));
  if (length == 0) return refuse(Refusal::kNoFileNamed, offset);
  if (length + 1 > kMaxPathBytes) return refuse(Refusal::kPathTooLong, offset);
  std::memcpy(request.path, text, length);
  request.path[length] = 0;
  request.length = length + 1;
  const uint32_t size = static_cast<uint32_t>(offsetof(Request, path)) + request.length;
  if (schedule->schedule_work(schedule->handle, size, &request) != LV2_WORKER_SUCCESS)
    return refuse(Refusal::kBusy, offset);
  adapterRefusal.store(Refusal::kNone, std::memory_order_relaxed);
}

void OwnSetFile::refuse(Refusal refusal, uint32_t offset) {
  adapterRefusal.store(refusal, std::memory_order_relaxed);
  // The host may already show the file it asked for: it is told at once which one plays.
  if (!writeCurrentPath(offset)) reportPending = true;
}

LV2_Worker_Status OwnSetFile::work(LV2_Worker_Respond_Function respond,
                                   LV2_Worker_Respond_Handle handle, uint32_t size,
                                   const void* data) {
  // The host's copy of the request need not be aligned: it is read byte by byte.
  const auto* bytes = static_cast<const char*>(data);
  const uint32_t header = static_cast<uint32_t>(offsetof(Request, path));
  uint32_t length = 0;
  if (bytes && size > header)
    std::memcpy(&length, bytes + offsetof(Request, length), sizeof length);
  if (!bytes || size <= header || length != size - header || bytes[size - 1] != 0)
    return LV2_WORKER_ERR_UNKNOWN;
  const char* path = bytes + header;
  Response answer;
  answer.loaded = core.loadOwnSet(path) ? 1u : 0u;
  answer.length = 0;
  if (answer.loaded) {
    answer.length = length;
    std::memcpy(answer.path, path, length);
    std::lock_guard<std::mutex> lock(loadedLock);
    loaded.assign(path, length - 1);
  }
  const uint32_t answerSize = static_cast<uint32_t>(offsetof(Response, path)) + answer.length;
  return respond(handle, answerSize, &answer);
}

LV2_Worker_Status OwnSetFile::workResponse(uint32_t size, const void* body) {
  const auto* bytes = static_cast<const char*>(body);
  const uint32_t header = static_cast<uint32_t>(offsetof(Response, path));
  if (!bytes || size < header) return LV2_WORKER_ERR_UNKNOWN;
  uint32_t loadedFlag = 0;
  uint32_t length = 0;
  std::memcpy(&loadedFlag, bytes + offsetof(Response, loaded), sizeof loadedFlag);
  std::memcpy(&length, bytes + offsetof(Response, length), sizeof length);
  if (length != size - header) return LV2_WORKER_ERR_UNKNOWN;
  if (loadedFlag && length > 0) setCurrentPath(bytes + header, length);
  // Taken or refused, the host hears which file plays, in the next block.
  reportPending = true;
  return LV2_WORKER_SUCCESS;
}

bool OwnSetFile::writeCurrentPath(uint32_t offset) {
  if (!forging) return false;
  LV2_Atom_Forge_Frame object;
  const bool written = lv2_atom_forge_frame_time(&forge->forge, offset) &&
                       lv2_atom_forge_object(&forge->forge, &object, 0, uris.patchSet) &&
                       lv2_atom_forge_key(&forge->forge, uris.patchProperty) &&
                       lv2_atom_forge_urid(&forge->forge, uris.sofaFile) &&
                       lv2_atom_forge_key(&forge->forge, uris.patchValue) &&
                       lv2_atom_forge_path(&forge->forge, currentPath, currentLength - 1);
  if (written) lv2_atom_forge_pop(&forge->forge, &object);
  // A partly written event would leave the sequence unreadable: nothing more goes in.
  if (!written) forging = false;
  return written;
}

void OwnSetFile::setCurrentPath(const char* path, uint32_t length) {
  if (length == 0 || length > kMaxPathBytes) length = 1;
  std::memcpy(currentPath, path, length - 1);
  currentPath[length - 1] = 0;
  currentLength = length;
}

LV2_State_Status OwnSetFile::save(LV2_State_Store_Function store, LV2_State_Handle handle,
                                  const LV2_Feature* const* features) {
  const std::string file = path();
  if (!map || file.empty()) return LV2_STATE_SUCCESS;
  const auto* mapPath = findFeature<LV2_State_Map_Path>(features, LV2_STATE__mapPath);
  char* abstract = mapPath ? mapPath->abstract_path(mapPath->handle, file.c_str()) : nullptr;
  const char* stored = abstract ? abstract : file.c_str();
  const LV2_State_Status status = store(handle, uris.sofaFile, stored, std::strlen(stored) + 1,
                                        uris.atomPath, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
  if (abstract) freeMappedPath(features, abstract);
  return status;
}

void OwnSetFile::restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                         const LV2_Feature* const* features) {
  if (!map) return;
  size_t size = 0;
  uint32_t type = 0;
  uint32_t flags = 0;
  const void* data = retrieve(handle, uris.sofaFile, &size, &type, &flags);
  std::string file;
  if (data && type == uris.atomPath && size > 0) {
    const auto* text = static_cast<const char*>(data);
    file.assign(text, strnlen(text, size));
    const auto* mapPath = findFeature<LV2_State_Map_Path>(features, LV2_STATE__mapPath);
    if (char* absolute =
            mapPath ? mapPath->absolute_path(mapPath->handle, file.c_str()) : nullptr) {
      file = absolute;
      freeMappedPath(features, absolute);
    }
  }
  // A longer path cannot have been loaded here.
  if (file.size() + 1 > kMaxPathBytes) file.clear();
  {
    std::lock_guard<std::mutex> lock(loadedLock);
    loaded = file;
  }
  std::memcpy(restoredPath, file.c_str(), file.size() + 1);
  restoredLength = static_cast<uint32_t>(file.size() + 1);
  restored.store(true, std::memory_order_release);
}

std::string OwnSetFile::path() const {
  std::lock_guard<std::mutex> lock(loadedLock);
  return loaded;
}

std::string OwnSetFile::lastRefusal() const {
  const Refusal refusal = adapterRefusal.load(std::memory_order_relaxed);
  if (refusal != Refusal::kNone) return refusalText(refusal);
  return core.lastOwnSetRefusal();
}

const char* OwnSetFile::refusalText(Refusal refusal) {
  switch (refusal) {
    case Refusal::kNoWorker:
      return "this host offers no LV2 worker (worker:schedule), so no file can be loaded here: "
             "the own set arrives with a project or preset";
    case Refusal::kNotAPath:
      return "the host sent no file path for the own set file";
    case Refusal::kNoFileNamed:
      return "no file named";
    case Refusal::kPathTooLong:
      static_assert(kMaxPathBytes == 2048, "the refusal names the limit");
      return "the file's path is too long (over 2047 bytes)";
    case Refusal::kBusy:
      return "the host's worker queue is full: choose the file again";
    case Refusal::kNone:
      break;
  }
  return "";
}

}  // namespace panner::lv2
