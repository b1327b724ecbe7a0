// What the LV2 tests play the host with: a URID map, a worker (the plug-in's work() on
// another thread, its answers handed back after a block, as jalv and Ardour do) and a state
// store that keeps what the plug-in saves, as a host's session does.
#pragma once

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace quendral_lv2_test {

class UridMap {
 public:
  LV2_URID urid(const char* uri) { return mapUri(this, uri); }
  LV2_URID_Map* lv2Map() { return &map_; }
  const LV2_Feature* mapFeature() const { return &feature_; }

 private:
  static LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri) {
    auto& ids = static_cast<UridMap*>(handle)->ids_;
    return ids.emplace(uri, static_cast<LV2_URID>(ids.size() + 1)).first->second;
  }
  std::map<std::string, LV2_URID> ids_;
  LV2_URID_Map map_{this, &UridMap::mapUri};
  LV2_Feature feature_{LV2_URID__map, &map_};
};

// The host's worker: each request is worked on a thread of its own, one after another (the
// previous is joined first), while the test runs the plug-in; the answers wait until
// deliver() (after a block) passes them to work_response, then end_run.
class HostWorker {
 public:
  ~HostWorker() { waitUntilWorked(); }
  const LV2_Feature* feature() const { return &feature_; }
  // Before the first request: the instance and its worker interface.
  void attach(LV2_Handle instance, const LV2_Worker_Interface* worker) {
    instance_ = instance;
    interface_ = worker;
  }
  int scheduled() const { return scheduled_; }
  // After run(): the answers that are ready.
  void deliver() {
    if (!interface_) return;
    std::vector<std::vector<uint8_t>> ready;
    {
      std::lock_guard<std::mutex> lock(lock_);
      ready.swap(responses_);
    }
    for (const std::vector<uint8_t>& answer : ready)
      interface_->work_response(instance_, static_cast<uint32_t>(answer.size()), answer.data());
    if (interface_->end_run) interface_->end_run(instance_);
  }
  // Waits until every request has been worked (its answer may still wait for deliver()).
  void waitUntilWorked() {
    if (thread_.joinable()) thread_.join();
  }

 private:
  static LV2_Worker_Status schedule(LV2_Worker_Schedule_Handle handle, uint32_t size,
                                    const void* data) {
    auto* self = static_cast<HostWorker*>(handle);
    self->waitUntilWorked();
    ++self->scheduled_;
    std::vector<uint8_t> request(static_cast<const uint8_t*>(data),
                                 static_cast<const uint8_t*>(data) + size);
    self->thread_ = std::thread([self, request] {
      self->interface_->work(self->instance_, &HostWorker::respond, self,
                             static_cast<uint32_t>(request.size()), request.data());
    });
    return LV2_WORKER_SUCCESS;
  }
  static LV2_Worker_Status respond(LV2_Worker_Respond_Handle handle, uint32_t size,
                                   const void* data) {
    auto* self = static_cast<HostWorker*>(handle);
    std::lock_guard<std::mutex> lock(self->lock_);
    self->responses_.emplace_back(static_cast<const uint8_t*>(data),
                                  static_cast<const uint8_t*>(data) + size);
    return LV2_WORKER_SUCCESS;
  }

  std::mutex lock_;
  std::vector<std::vector<uint8_t>> responses_;
  int scheduled_ = 0;
  LV2_Handle instance_ = nullptr;
  const LV2_Worker_Interface* interface_ = nullptr;
  LV2_Worker_Schedule schedule_{this, &HostWorker::schedule};
  LV2_Feature feature_{LV2_WORKER__schedule, &schedule_};
  std::thread thread_;
};

// The properties a plug-in stored: key -> (type, bytes).
struct StoredState {
  std::map<uint32_t, std::pair<uint32_t, std::vector<uint8_t>>> values;

  static LV2_State_Status store(LV2_State_Handle handle, uint32_t key, const void* value,
                                size_t size, uint32_t type, uint32_t) {
    const auto* bytes = static_cast<const uint8_t*>(value);
    static_cast<StoredState*>(handle)->values[key] = {type, {bytes, bytes + size}};
    return LV2_STATE_SUCCESS;
  }
  static const void* retrieve(LV2_State_Handle handle, uint32_t key, size_t* size, uint32_t* type,
                              uint32_t* flags) {
    auto& values = static_cast<StoredState*>(handle)->values;
    const auto found = values.find(key);
    if (found == values.end()) return nullptr;
    *size = found->second.second.size();
    *type = found->second.first;
    *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    return found->second.second.data();
  }
};

}  // namespace quendral_lv2_test
