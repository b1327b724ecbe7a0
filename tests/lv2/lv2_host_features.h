// What the LV2 tests play the host with: a URID map, a worker (a thread of the host's that
// runs the plug-in's work() and hands the answers back after a block, as jalv and Ardour
// do) and a state store that keeps what the plug-in saves, as a host's session does.
#pragma once

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
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

// The host's worker thread. schedule_work queues a copy of the request; the thread calls
// the plug-in's work() with it; the answers wait until deliver() (after a block) passes
// them to work_response, then end_run.
class HostWorker {
 public:
  HostWorker() : thread_([this] { serve(); }) {}
  ~HostWorker() {
    {
      std::lock_guard<std::mutex> lock(lock_);
      stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }

  const LV2_Feature* feature() const { return &feature_; }
  // Before the first request: the instance and its worker interface.
  void attach(LV2_Handle instance, const LV2_Worker_Interface* worker) {
    std::lock_guard<std::mutex> lock(lock_);
    instance_ = instance;
    interface_ = worker;
  }
  int scheduled() {  // the requests scheduled so far
    std::lock_guard<std::mutex> lock(lock_);
    return scheduled_;
  }
  // Audio thread, after run(): the answers that are ready.
  void deliver() {
    if (!interface_) return;
    std::deque<std::vector<uint8_t>> ready;
    {
      std::lock_guard<std::mutex> lock(lock_);
      ready.swap(responses_);
    }
    for (const std::vector<uint8_t>& answer : ready)
      interface_->work_response(instance_, static_cast<uint32_t>(answer.size()), answer.data());
    if (interface_->end_run) interface_->end_run(instance_);
  }
  // Waits until every request has been worked (its answer may still wait for deliver()).
  bool waitUntilWorked(std::chrono::seconds limit = std::chrono::seconds(30)) {
    std::unique_lock<std::mutex> lock(lock_);
    return done_.wait_for(lock, limit, [this] { return requests_.empty() && !working_; });
  }

 private:
  static LV2_Worker_Status schedule(LV2_Worker_Schedule_Handle handle, uint32_t size,
                                    const void* data) {
    auto* self = static_cast<HostWorker*>(handle);
    {
      std::lock_guard<std::mutex> lock(self->lock_);
      self->requests_.emplace_back(static_cast<const uint8_t*>(data),
                                   static_cast<const uint8_t*>(data) + size);
      ++self->scheduled_;
    }
    self->wake_.notify_all();
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
  void serve() {
    std::unique_lock<std::mutex> lock(lock_);
    for (;;) {
      wake_.wait(lock, [this] { return stopping_ || !requests_.empty(); });
      if (stopping_) return;
      const std::vector<uint8_t> request = std::move(requests_.front());
      requests_.pop_front();
      working_ = true;
      lock.unlock();
      interface_->work(instance_, &HostWorker::respond, this, static_cast<uint32_t>(request.size()),
                       request.data());
      lock.lock();
      working_ = false;
      done_.notify_all();
    }
  }

  std::mutex lock_;
  std::condition_variable wake_, done_;
  std::deque<std::vector<uint8_t>> requests_, responses_;
  bool stopping_ = false, working_ = false;
  int scheduled_ = 0;
  LV2_Handle instance_ = nullptr;
  const LV2_Worker_Interface* interface_ = nullptr;
  LV2_Worker_Schedule schedule_{this, &HostWorker::schedule};
  LV2_Feature feature_{LV2_WORKER__schedule, &schedule_};
  std::thread thread_;  // last: it starts once the rest is there
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
