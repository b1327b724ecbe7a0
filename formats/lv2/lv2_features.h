// Finding a feature in the list a host hands to instantiate, save, restore or the editor.
#pragma once

#include <lv2/core/lv2.h>

#include <cstring>

namespace panner::lv2 {

// The data of the feature with this URI, or null. lv2file's list holds an entry without a
// URI before its end: such entries are passed over.
template <typename T>
const T* findFeature(const LV2_Feature* const* features, const char* uri) {
  for (int i = 0; features && features[i]; ++i)
    if (features[i]->URI && std::strcmp(features[i]->URI, uri) == 0)
      return static_cast<const T*>(features[i]->data);
  return nullptr;
}

}  // namespace panner::lv2
