#include "host_objects.h"

#include <algorithm>
#include <cstring>

#include "utf16_text.h"

namespace vst3host {

vst3::tresult HostApplication::getName(vst3::String128 name) {
  toUtf16("quendral host", name, 128);
  return vst3::kResultOk;
}

vst3::tresult MemoryStream::read(void* buffer, vst3::int32 numBytes, vst3::int32* numBytesRead) {
  if (numBytes < 0 || (!buffer && numBytes > 0)) return vst3::kInvalidArgument;
  const std::size_t n = std::min(static_cast<std::size_t>(numBytes),
                                 bytes_.size() - std::min(position_, bytes_.size()));
  if (n > 0) std::memcpy(buffer, bytes_.data() + position_, n);
  position_ += n;
  if (numBytesRead) *numBytesRead = static_cast<vst3::int32>(n);
  return vst3::kResultOk;
}

vst3::tresult MemoryStream::write(void* buffer, vst3::int32 numBytes,
                                  vst3::int32* numBytesWritten) {
  if (numBytes < 0 || (!buffer && numBytes > 0)) return vst3::kInvalidArgument;
  const std::size_t n = static_cast<std::size_t>(numBytes);
  if (position_ + n > bytes_.size()) bytes_.resize(position_ + n);
  if (n > 0) std::memcpy(bytes_.data() + position_, buffer, n);
  position_ += n;
  if (numBytesWritten) *numBytesWritten = numBytes;
  return vst3::kResultOk;
}

vst3::tresult MemoryStream::seek(vst3::int64 pos, vst3::int32 mode, vst3::int64* result) {
  vst3::int64 base = 0;
  if (mode == kIBSeekCur)
    base = static_cast<vst3::int64>(position_);
  else if (mode == kIBSeekEnd)
    base = static_cast<vst3::int64>(bytes_.size());
  else if (mode != kIBSeekSet)
    return vst3::kInvalidArgument;
  const vst3::int64 target = base + pos;
  if (target < 0) return vst3::kInvalidArgument;
  position_ = static_cast<std::size_t>(target);
  if (result) *result = target;
  return vst3::kResultOk;
}

vst3::tresult MemoryStream::tell(vst3::int64* pos) {
  if (!pos) return vst3::kInvalidArgument;
  *pos = static_cast<vst3::int64>(position_);
  return vst3::kResultOk;
}

vst3::tresult ComponentHandler::beginEdit(vst3::ParamID id) {
  std::lock_guard<std::mutex> lock(mutex_);
  edits_.push_back({EditCall::kBegin, id, 0.0});
  return vst3::kResultOk;
}
vst3::tresult ComponentHandler::performEdit(vst3::ParamID id, vst3::ParamValue value) {
  std::lock_guard<std::mutex> lock(mutex_);
  edits_.push_back({EditCall::kPerform, id, value});
  return vst3::kResultOk;
}
vst3::tresult ComponentHandler::endEdit(vst3::ParamID id) {
  std::lock_guard<std::mutex> lock(mutex_);
  edits_.push_back({EditCall::kEnd, id, 0.0});
  return vst3::kResultOk;
}
vst3::tresult ComponentHandler::restartComponent(vst3::int32 flags) {
  std::lock_guard<std::mutex> lock(mutex_);
  restarts_.push_back(flags);
  return vst3::kResultOk;
}
std::vector<EditCall> ComponentHandler::edits() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return edits_;
}
std::vector<vst3::int32> ComponentHandler::restarts() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return restarts_;
}
void ComponentHandler::clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  edits_.clear();
  restarts_.clear();
}

vst3::tresult ParamValueQueue::getPoint(vst3::int32 index, vst3::int32& sampleOffset,
                                        vst3::ParamValue& value) {
  if (index < 0 || index >= count_) return vst3::kInvalidArgument;
  sampleOffset = offsets_[index];
  value = values_[index];
  return vst3::kResultOk;
}

vst3::tresult ParamValueQueue::addPoint(vst3::int32 sampleOffset, vst3::ParamValue value,
                                        vst3::int32& index) {
  // A point at the offset of the last one replaces it; the queue stays in time order.
  if (count_ > 0 && offsets_[count_ - 1] == sampleOffset) {
    values_[count_ - 1] = value;
    index = count_ - 1;
    return vst3::kResultOk;
  }
  if (count_ >= kMaxPoints || (count_ > 0 && sampleOffset < offsets_[count_ - 1]))
    return vst3::kResultFalse;
  offsets_[count_] = sampleOffset;
  values_[count_] = value;
  index = count_++;
  return vst3::kResultOk;
}

vst3::IParamValueQueue* ParameterChangeList::getParameterData(vst3::int32 index) {
  return index >= 0 && index < count_ ? &queues_[index] : nullptr;
}

vst3::IParamValueQueue* ParameterChangeList::addParameterData(const vst3::ParamID& id,
                                                              vst3::int32& index) {
  for (vst3::int32 i = 0; i < count_; ++i) {
    if (queues_[i].getParameterId() == id) {
      index = i;
      return &queues_[i];
    }
  }
  if (count_ >= kMaxParameters) return nullptr;
  queues_[count_].reset(id);
  index = count_;
  return &queues_[count_++];
}

bool ParameterChangeList::add(vst3::ParamID id, vst3::int32 offset, double value) {
  vst3::int32 index = 0;
  vst3::IParamValueQueue* queue = addParameterData(id, index);
  return queue && queue->addPoint(offset, value, index) == vst3::kResultOk;
}

}  // namespace vst3host
