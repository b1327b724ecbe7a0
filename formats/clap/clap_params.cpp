// The parameters as CLAP sees them: the core's 25 (ids are the core's indices), bypass and
// the program change. A stepped parameter's CLAP value is its step (0..steps), a continuous
// one's the core's normalised value (0..1); texts come from the core with the unit after
// the number. Host values and MIDI arrive as events in process or flush, the panel's edits
// leave as events there.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "clap_identity.h"
#include "clap_text.h"
#include "quendral_clap.h"

namespace panner {

namespace {

constexpr int32_t kTextSize = QuendralCore::kTextSize;
constexpr int32_t kLastProgram = kNumPrograms - 1;

bool isCoreId(clapabi::Id id) { return id < clapid::kNumCoreParams; }

template <std::size_t N>
void copyText(char (&field)[N], const char* text) {
  std::snprintf(field, N, "%s", text);
}

}  // namespace

uint32_t QuendralClap::paramCount() const { return clapid::kNumCoreParams + 2; }

bool QuendralClap::paramInfo(uint32_t index, clapabi::ParamInfo& info) const {
  if (index >= paramCount()) return false;
  std::memset(&info, 0, sizeof info);
  if (index < clapid::kNumCoreParams) {
    const auto coreIndex = static_cast<int32_t>(index);
    const int32_t steps = core.getParameterStepCount(coreIndex);
    char name[kTextSize];
    core.getParameterName(coreIndex, name);
    info.id = index;
    copyText(info.name, coreTextToUtf8(name).c_str());
    info.flags = clapabi::kParamIsAutomatable | (steps > 0 ? clapabi::kParamIsStepped : 0u);
    info.maxValue = steps > 0 ? steps : 1.0;
    info.defaultValue = core.getParameterDefault(coreIndex) * info.maxValue;
  } else if (index == clapid::kNumCoreParams) {
    info.id = clapid::kBypassId;
    copyText(info.name, "Bypass");
    info.flags = clapabi::kParamIsAutomatable | clapabi::kParamIsStepped | clapabi::kParamIsBypass;
    info.maxValue = 1.0;
  } else {
    info.id = clapid::kProgramId;
    copyText(info.name, "Program");
    info.flags = clapabi::kParamIsStepped | clapabi::kParamIsEnum;
    info.maxValue = kLastProgram;
  }
  return true;
}

bool QuendralClap::paramValue(clapabi::Id id, double& value) const {
  if (isCoreId(id)) {
    const auto index = static_cast<int32_t>(id);
    const int32_t steps = core.getParameterStepCount(index);
    value = steps > 0 ? std::round(core.getParameter(index) * steps) : core.getParameter(index);
  } else if (id == clapid::kBypassId) {
    value = core.getBypass() ? 1.0 : 0.0;
  } else if (id == clapid::kProgramId) {
    value = core.getProgram();
  } else {
    return false;
  }
  return true;
}

bool QuendralClap::valueToText(clapabi::Id id, double value, char* text, uint32_t capacity) const {
  if (!std::isfinite(value)) return false;
  char shown[kTextSize];
  if (isCoreId(id)) {
    const auto index = static_cast<int32_t>(id);
    const int32_t steps = core.getParameterStepCount(index);
    const double normalised = std::clamp(steps > 0 ? value / steps : value, 0.0, 1.0);
    char label[kTextSize];
    core.getParameterDisplayForValue(index, static_cast<float>(normalised), shown);
    core.getParameterLabel(index, label);
    const char* unit = label;
    while (*unit == ' ') ++unit;
    const char* number = shown;
    while (*number == ' ') ++number;
    const std::string shownText = coreTextToUtf8(number), unitText = coreTextToUtf8(unit);
    std::snprintf(text, capacity, *unit ? "%s %s" : "%s", shownText.c_str(), unitText.c_str());
    return true;
  }
  if (id == clapid::kBypassId) {
    std::snprintf(text, capacity, "%s", value >= 0.5 ? "On" : "Off");
    return true;
  }
  if (id == clapid::kProgramId) {
    const auto program =
        static_cast<int32_t>(std::lround(std::clamp(value, 0.0, 1.0 * kLastProgram)));
    core.getProgramNameIndexed(program, shown);
    std::snprintf(text, capacity, "%s", coreTextToUtf8(shown).c_str());
    return true;
  }
  return false;
}

bool QuendralClap::textToValue(clapabi::Id id, const char* typed, double& value) const {
  const std::string coreText = utf8ToCoreText(typed);
  const char* text = coreText.c_str();
  if (isCoreId(id)) {
    const auto index = static_cast<int32_t>(id);
    float normalised = 0.0f;
    if (!core.getParameterValueFromText(index, text, normalised)) return false;
    const int32_t steps = core.getParameterStepCount(index);
    value = steps > 0 ? std::round(normalised * steps) : normalised;
    return true;
  }
  if (id == clapid::kBypassId) {
    if (!std::strcmp(text, "On") || !std::strcmp(text, "on") || !std::strcmp(text, "1")) {
      value = 1.0;
      return true;
    }
    if (!std::strcmp(text, "Off") || !std::strcmp(text, "off") || !std::strcmp(text, "0")) {
      value = 0.0;
      return true;
    }
    return false;
  }
  if (id == clapid::kProgramId) {
    // A program's name, or its number as a list counts (1..8).
    char name[kTextSize];
    for (int32_t p = 0; p < kNumPrograms; ++p) {
      core.getProgramNameIndexed(p, name);
      if (std::strcmp(name, text) == 0) {
        value = p;
        return true;
      }
    }
    char* end = nullptr;
    const long number = std::strtol(text, &end, 10);
    if (end == text || number < 1 || number > kNumPrograms) return false;
    value = static_cast<double>(number - 1);
    return true;
  }
  return false;
}

void QuendralClap::applyHostValue(clapabi::Id id, double value) {
  if (!std::isfinite(value)) return;
  if (isCoreId(id)) {
    const auto index = static_cast<int32_t>(id);
    const int32_t steps = core.getParameterStepCount(index);
    const auto normalised = static_cast<float>(steps > 0 ? value / steps : value);
    // The same value again changes nothing: setting the angle or the position would stop a
    // running LFO.
    if (normalised != core.getParameter(index)) core.setParameter(index, normalised);
  } else if (id == clapid::kBypassId) {
    core.setBypass(value >= 0.5);
  } else if (id == clapid::kProgramId) {
    const auto program =
        static_cast<int32_t>(std::lround(std::clamp(value, 0.0, 1.0 * kLastProgram)));
    if (program != core.getProgram()) {
      core.setProgram(program);
      valuesChangedByThePlugin();
    }
  }
}

void QuendralClap::handleEvents(const clapabi::InputEvents* in, const clapabi::OutputEvents* out) {
  // The panel's edits, oldest first, as the host's parameter events.
  ClapEdit edit;
  while (edits.pop(edit)) {
    if (!out || !out->tryPush) continue;
    if (edit.kind == ClapEdit::kValue) {
      clapabi::EventParamValue event{};
      event.header = {sizeof event, 0, clapabi::kCoreEventSpace, clapabi::kEventParamValue, 0};
      event.paramId = edit.paramId;
      event.noteId = -1;
      event.portIndex = event.channel = event.key = -1;
      event.value = edit.value;
      out->tryPush(out, &event.header);
    } else {
      clapabi::EventParamGesture event{};
      const uint16_t type = edit.kind == ClapEdit::kBegin ? clapabi::kEventParamGestureBegin
                                                          : clapabi::kEventParamGestureEnd;
      event.header = {sizeof event, 0, clapabi::kCoreEventSpace, type, 0};
      event.paramId = edit.paramId;
      out->tryPush(out, &event.header);
    }
  }
  if (!in || !in->size || !in->get) return;
  const uint32_t count = in->size(in);
  bool midi = false;
  for (uint32_t i = 0; i < count; ++i) {
    const clapabi::EventHeader* header = in->get(in, i);
    if (!header || header->spaceId != clapabi::kCoreEventSpace) continue;
    if (header->type == clapabi::kEventParamValue &&
        header->size >= sizeof(clapabi::EventParamValue)) {
      const auto* event = reinterpret_cast<const clapabi::EventParamValue*>(header);
      applyHostValue(event->paramId, event->value);
    } else if (header->type == clapabi::kEventMidi && header->size >= sizeof(clapabi::EventMidi)) {
      const auto* event = reinterpret_cast<const clapabi::EventMidi*>(header);
      core.midiMessage(event->data[0], event->data[1], event->data[2]);
      midi = midi || core.midiControllerParameter(event->data[1]) >= 0;
    }
  }
  // Controllers move parameters without telling the host: it reads them again.
  if (midi) valuesChangedByThePlugin();
}

void QuendralClap::valuesChangedByThePlugin() {
  if (!hostParams) return;
  rescanWanted.store(true, std::memory_order_relaxed);
  if (clapHost->requestCallback) clapHost->requestCallback(clapHost);
}

void QuendralClap::queueEdit(const ClapEdit& edit) {
  edits.push(edit);
  // Not processing: the host calls flush to take the edit.
  if (!processing.load(std::memory_order_relaxed) && hostParams && hostParams->requestFlush)
    hostParams->requestFlush(clapHost);
}

void QuendralClap::editBegan(int32_t index) {
  queueEdit({ClapEdit::kBegin, static_cast<uint32_t>(index), 0.0});
}

void QuendralClap::editPerformed(int32_t index, float value) {
  const int32_t steps = core.getParameterStepCount(index);
  queueEdit({ClapEdit::kValue, static_cast<uint32_t>(index),
             steps > 0 ? std::round(static_cast<double>(value) * steps) : value});
}

void QuendralClap::editEnded(int32_t index) {
  queueEdit({ClapEdit::kEnd, static_cast<uint32_t>(index), 0.0});
}

}  // namespace panner
