// The objects a VST3 host hands to a plug-in: its application context, a byte stream for
// state, the component handler that hears the controller's edits, and the parameter
// change lists of one processing block. They live as long as the Vst3Plugin that owns
// them, so their reference counts only count (the owner outlives every plug-in object).
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "vst3_abi.h"

namespace vst3host {

// Answers queryInterface for FUnknown and the interfaces listed, on one object.
template <typename Interface>
vst3::tresult answerQuery(Interface* self, const vst3::TUID interfaceId, void** obj) {
  if (!obj) return vst3::kInvalidArgument;
  if (vst3::sameUid(interfaceId, vst3::FUnknown::iid) ||
      vst3::sameUid(interfaceId, Interface::iid)) {
    *obj = self;
    self->addRef();
    return vst3::kResultOk;
  }
  *obj = nullptr;
  return vst3::kNoInterface;
}

// Reference counting for host objects whose owner decides their lifetime.
class OwnedCount {
 public:
  vst3::uint32 up() { return ++count_; }
  vst3::uint32 down() { return --count_; }

 private:
  std::atomic<vst3::uint32> count_{1};
};

class HostApplication : public vst3::IHostApplication {
 public:
  vst3::tresult VST3_CALL queryInterface(const vst3::TUID interfaceId, void** obj) override {
    return answerQuery<vst3::IHostApplication>(this, interfaceId, obj);
  }
  vst3::uint32 VST3_CALL addRef() override { return count_.up(); }
  vst3::uint32 VST3_CALL release() override { return count_.down(); }
  vst3::tresult VST3_CALL getName(vst3::String128 name) override;
  // The host makes no message objects: plug-ins in two halves talk through direct calls.
  vst3::tresult VST3_CALL createInstance(vst3::TUID, vst3::TUID, void** obj) override {
    if (obj) *obj = nullptr;
    return vst3::kResultFalse;
  }

 private:
  OwnedCount count_;
};

// A growable byte stream in memory: the host's side of getState and setState.
class MemoryStream : public vst3::IBStream {
 public:
  MemoryStream() = default;
  explicit MemoryStream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  vst3::tresult VST3_CALL queryInterface(const vst3::TUID interfaceId, void** obj) override {
    return answerQuery<vst3::IBStream>(this, interfaceId, obj);
  }
  vst3::uint32 VST3_CALL addRef() override { return count_.up(); }
  vst3::uint32 VST3_CALL release() override { return count_.down(); }
  vst3::tresult VST3_CALL read(void* buffer, vst3::int32 numBytes,
                               vst3::int32* numBytesRead) override;
  vst3::tresult VST3_CALL write(void* buffer, vst3::int32 numBytes,
                                vst3::int32* numBytesWritten) override;
  vst3::tresult VST3_CALL seek(vst3::int64 pos, vst3::int32 mode, vst3::int64* result) override;
  vst3::tresult VST3_CALL tell(vst3::int64* pos) override;

  const std::vector<uint8_t>& bytes() const { return bytes_; }
  void rewind() { position_ = 0; }

 private:
  OwnedCount count_;
  std::vector<uint8_t> bytes_;
  std::size_t position_ = 0;
};

// One edit the controller reported through the component handler.
struct EditCall {
  enum Kind { kBegin, kPerform, kEnd } kind;
  vst3::ParamID id;
  double value;  // perform only
};

// Hears the controller's edit gestures and restart requests and records them. Guarded:
// a plug-in may report from its user-interface thread while another thread reads.
class ComponentHandler : public vst3::IComponentHandler {
 public:
  vst3::tresult VST3_CALL queryInterface(const vst3::TUID interfaceId, void** obj) override {
    return answerQuery<vst3::IComponentHandler>(this, interfaceId, obj);
  }
  vst3::uint32 VST3_CALL addRef() override { return count_.up(); }
  vst3::uint32 VST3_CALL release() override { return count_.down(); }
  vst3::tresult VST3_CALL beginEdit(vst3::ParamID id) override;
  vst3::tresult VST3_CALL performEdit(vst3::ParamID id, vst3::ParamValue value) override;
  vst3::tresult VST3_CALL endEdit(vst3::ParamID id) override;
  vst3::tresult VST3_CALL restartComponent(vst3::int32 flags) override;

  std::vector<EditCall> edits() const;
  std::vector<vst3::int32> restarts() const;
  void clear();

 private:
  OwnedCount count_;
  mutable std::mutex mutex_;
  std::vector<EditCall> edits_;
  std::vector<vst3::int32> restarts_;
};

// The points of one parameter in one block, in storage made before processing starts.
class ParamValueQueue : public vst3::IParamValueQueue {
 public:
  static constexpr int kMaxPoints = 64;
  vst3::tresult VST3_CALL queryInterface(const vst3::TUID interfaceId, void** obj) override {
    return answerQuery<vst3::IParamValueQueue>(this, interfaceId, obj);
  }
  vst3::uint32 VST3_CALL addRef() override { return 1; }
  vst3::uint32 VST3_CALL release() override { return 1; }
  vst3::ParamID VST3_CALL getParameterId() override { return id_; }
  vst3::int32 VST3_CALL getPointCount() override { return count_; }
  vst3::tresult VST3_CALL getPoint(vst3::int32 index, vst3::int32& sampleOffset,
                                   vst3::ParamValue& value) override;
  vst3::tresult VST3_CALL addPoint(vst3::int32 sampleOffset, vst3::ParamValue value,
                                   vst3::int32& index) override;

  void reset(vst3::ParamID id) {
    id_ = id;
    count_ = 0;
  }

 private:
  vst3::ParamID id_ = 0;
  vst3::int32 count_ = 0;
  vst3::int32 offsets_[kMaxPoints] = {};
  double values_[kMaxPoints] = {};
};

// The parameter changes of one block (input or output), without allocation.
class ParameterChangeList : public vst3::IParameterChanges {
 public:
  static constexpr int kMaxParameters = 256;
  vst3::tresult VST3_CALL queryInterface(const vst3::TUID interfaceId, void** obj) override {
    return answerQuery<vst3::IParameterChanges>(this, interfaceId, obj);
  }
  vst3::uint32 VST3_CALL addRef() override { return 1; }
  vst3::uint32 VST3_CALL release() override { return 1; }
  vst3::int32 VST3_CALL getParameterCount() override { return count_; }
  vst3::IParamValueQueue* VST3_CALL getParameterData(vst3::int32 index) override;
  vst3::IParamValueQueue* VST3_CALL addParameterData(const vst3::ParamID& id,
                                                     vst3::int32& index) override;

  void clear() { count_ = 0; }
  // Adds a point for `id` at `offset` (a new queue when the parameter has none yet).
  bool add(vst3::ParamID id, vst3::int32 offset, double value);

 private:
  vst3::int32 count_ = 0;
  ParamValueQueue queues_[kMaxParameters];
};

}  // namespace vst3host
