// The host's side of the own set's atom ports: patch:Set and patch:Get in, reports out.
// Apart from lv2_host_features.h: the atom forge clashes with X11's macros.
#pragma once

#include <gtest/gtest.h>
#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>
#include <lv2/patch/patch.h>

#include <cstdint>
#include <string>
#include <vector>

#include "lv2_host_features.h"

namespace quendral_lv2_test {

class PatchPorts {
 public:
  // `file` is the file parameter's URI.
  PatchPorts(UridMap& uris, const char* file) : uris_(uris), file_(file) {
    lv2_atom_forge_init(&forge_, uris.lv2Map());
    startEvents();
  }
  PatchPorts(const PatchPorts&) = delete;
  PatchPorts& operator=(const PatchPorts&) = delete;

  void* events() { return events_; }
  void* notify() { return notify_; }

  // For the next block: a patch:Set of `property` (the file unless given) to `value` as an
  // atom of `type`, or a patch:Get of every property.
  void sendSet(const std::string& value, const char* type = LV2_ATOM__Path,
               const char* property = nullptr) {
    LV2_Atom_Forge_Frame object;
    lv2_atom_forge_frame_time(&forge_, 0);
    lv2_atom_forge_object(&forge_, &object, 0, uris_.urid(LV2_PATCH__Set));
    lv2_atom_forge_key(&forge_, uris_.urid(LV2_PATCH__property));
    lv2_atom_forge_urid(&forge_, uris_.urid(property ? property : file_));
    lv2_atom_forge_key(&forge_, uris_.urid(LV2_PATCH__value));
    lv2_atom_forge_typed_string(&forge_, uris_.urid(type), value.c_str(),
                                static_cast<uint32_t>(value.size()));
    lv2_atom_forge_pop(&forge_, &object);
  }
  void sendGet() {
    LV2_Atom_Forge_Frame object;
    lv2_atom_forge_frame_time(&forge_, 0);
    lv2_atom_forge_object(&forge_, &object, 0, uris_.urid(LV2_PATCH__Get));
    lv2_atom_forge_pop(&forge_, &object);
  }

  // Before run(): the notify buffer offered empty, with its capacity as its size.
  void beforeRun() {
    auto* out = reinterpret_cast<LV2_Atom_Sequence*>(notify_);
    out->atom.size = sizeof notify_ - sizeof(LV2_Atom);
    out->atom.type = uris_.urid(LV2_ATOM__Chunk);
  }
  // After run(): the files reported go to `reported`; the events sent are used up.
  void afterRun(std::vector<std::string>& reported) {
    const auto* out = reinterpret_cast<const LV2_Atom_Sequence*>(notify_);
    EXPECT_EQ(out->atom.type, uris_.urid(LV2_ATOM__Sequence));
    if (out->atom.type == uris_.urid(LV2_ATOM__Sequence)) {
      LV2_ATOM_SEQUENCE_FOREACH(out, event) readReport(event->body, reported);
    }
    startEvents();
  }

 private:
  void startEvents() {
    lv2_atom_forge_set_buffer(&forge_, reinterpret_cast<uint8_t*>(events_), sizeof events_);
    lv2_atom_forge_sequence_head(&forge_, &sequence_, 0);
  }
  void readReport(const LV2_Atom& body, std::vector<std::string>& reported) {
    const auto* object = reinterpret_cast<const LV2_Atom_Object*>(&body);
    ASSERT_EQ(body.type, uris_.urid(LV2_ATOM__Object));
    ASSERT_EQ(object->body.otype, uris_.urid(LV2_PATCH__Set));
    const LV2_Atom* property = nullptr;
    const LV2_Atom* value = nullptr;
    lv2_atom_object_get(object, uris_.urid(LV2_PATCH__property), &property,
                        uris_.urid(LV2_PATCH__value), &value, 0);
    ASSERT_TRUE(property && value);
    EXPECT_EQ(reinterpret_cast<const LV2_Atom_URID*>(property)->body, uris_.urid(file_));
    EXPECT_EQ(value->type, uris_.urid(LV2_ATOM__Path));
    reported.emplace_back(static_cast<const char*>(LV2_ATOM_BODY_CONST(value)));
  }

  UridMap& uris_;
  const char* file_;
  LV2_Atom_Forge forge_{};
  LV2_Atom_Forge_Frame sequence_{};
  alignas(8) uint8_t events_[16384] = {};
  alignas(8) uint8_t notify_[8192] = {};
};

}  // namespace quendral_lv2_test
