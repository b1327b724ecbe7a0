// What the LV2 tests play the host with: a URID map (the one feature the plug-in uses) and
// a state store that keeps what the plug-in saves, as a host's session does.
#pragma once

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace quendral_lv2_test {

class UridMap {
 public:
  UridMap() = default;
  UridMap(const UridMap&) = delete;
  UridMap& operator=(const UridMap&) = delete;

  // The feature list to instantiate with: the map alone.
  const LV2_Feature* const* features() { return list_; }
  LV2_URID urid(const char* uri) { return mapUri(this, uri); }
  LV2_URID_Map* lv2Map() { return &map_; }

 private:
  static LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri) {
    auto& ids = static_cast<UridMap*>(handle)->ids_;
    const auto [it, added] = ids.emplace(uri, static_cast<LV2_URID>(ids.size() + 1));
    (void)added;
    return it->second;
  }
  std::map<std::string, LV2_URID> ids_;
  LV2_URID_Map map_{this, &UridMap::mapUri};
  LV2_Feature feature_{LV2_URID__map, &map_};
  const LV2_Feature* list_[2] = {&feature_, nullptr};
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
