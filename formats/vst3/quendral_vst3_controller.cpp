// The edit controller's side of the VST3 plug-in: the parameter list (the core's defined
// parameters, bypass, the program change and the MIDI controllers' stand-ins), their
// texts both ways, the program list, the MIDI mapping, edits reported to the host, and
// the editor view.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "editor/panel_editor.h"
#include "quendral_vst3.h"
#include "vst3_identity.h"
#include "vst3_text.h"
#include "vst3_view.h"

namespace panner {

namespace {

constexpr int32_t kTextSize = QuendralCore::kTextSize;
constexpr int32_t kLastProgram = kNumPrograms - 1;

// The core's parameters the host sees: all of them, with their indices as ids.
constexpr int32_t kNumCoreParams = kNumParams;
// Parameter list positions after the core's parameters.
constexpr int32_t kBypassIndex = kNumCoreParams;
constexpr int32_t kProgramIndex = kNumCoreParams + 1;
constexpr int32_t kFirstControllerIndex = kNumCoreParams + 2;

bool isCoreId(vst3::ParamID id) { return id < static_cast<vst3::ParamID>(kNumCoreParams); }

int32_t programFromValue(double value) {
  if (!std::isfinite(value)) return -1;
  return static_cast<int32_t>(std::lround(std::clamp(value, 0.0, 1.0) * kLastProgram));
}

// The label as VST3 units: without the leading space the VST2 texts carry for joining.
void unitsFromLabel(const char* label, vst3::String128 units) {
  while (*label == ' ') ++label;
  coreTextToUtf16(label, units, 128);
}

}  // namespace

int32_t QuendralVst3::controllerOf(vst3::ParamID id) const {
  if (id < vst3id::kMidiControllerIdBase ||
      id >= vst3id::kMidiControllerIdBase + vst3id::kMidiControllerCount)
    return -1;
  const auto controller = static_cast<int32_t>(id - vst3id::kMidiControllerIdBase);
  return core.midiControllerTaken(controller) ? controller : -1;
}

void QuendralVst3::applyHostValue(vst3::ParamID id, double value) {
  if (!std::isfinite(value)) return;
  if (isCoreId(id)) {
    // The same value again (the host telling both halves of a plug-in) changes nothing:
    // setting the angle or the position would stop a running LFO.
    const auto index = static_cast<int32_t>(id);
    if (static_cast<float>(value) != core.getParameter(index))
      core.setParameter(index, static_cast<float>(value));
  } else if (id == vst3id::kBypassId) {
    const bool on = value >= 0.5;
    bypassValue.store(on, std::memory_order_relaxed);
    core.setBypass(on);
  } else if (id == vst3id::kProgramId) {
    const int32_t program = programFromValue(value);
    if (program >= 0 && program != core.getProgram()) core.setProgram(program);
  } else if (const int32_t controller = controllerOf(id); controller >= 0) {
    const auto data = static_cast<uint8_t>(std::lround(std::clamp(value, 0.0, 1.0) * 127.0));
    core.midiMessage(0xB0, static_cast<uint8_t>(controller), data);
  }
}

void QuendralVst3::parametersChanged() {
  if (vst3::IComponentHandler* h = handler.load()) h->restartComponent(vst3::kParamValuesChanged);
}

vst3::tresult QuendralVst3::setComponentState(vst3::IBStream*) {
  // The component and the controller are one object: the state is already in the core.
  return vst3::kResultOk;
}

// The controller keeps nothing of its own: everything is in the component's state.
vst3::tresult QuendralVst3::controllerSetState(vst3::IBStream*) { return vst3::kResultOk; }
vst3::tresult QuendralVst3::controllerGetState(vst3::IBStream*) { return vst3::kResultOk; }

vst3::int32 QuendralVst3::getParameterCount() {
  int32_t controllers = 0;
  for (int32_t c = 0; c < static_cast<int32_t>(vst3id::kMidiControllerCount); ++c)
    if (core.midiControllerTaken(c)) ++controllers;
  return kFirstControllerIndex + controllers;
}

vst3::tresult QuendralVst3::getParameterInfo(vst3::int32 paramIndex, vst3::ParameterInfo& info) {
  if (paramIndex < 0 || paramIndex >= getParameterCount()) return vst3::kInvalidArgument;
  std::memset(&info, 0, sizeof info);
  info.unitId = vst3::kRootUnitId;
  char text[kTextSize];
  if (paramIndex < kNumCoreParams) {
    info.id = static_cast<vst3::ParamID>(paramIndex);
    core.getParameterName(paramIndex, text);
    coreTextToUtf16(text, info.title, 128);
    coreTextToUtf16(text, info.shortTitle, 128);
    core.getParameterLabel(paramIndex, text);
    unitsFromLabel(text, info.units);
    info.stepCount = core.getParameterStepCount(paramIndex);
    info.defaultNormalizedValue = core.getParameterDefault(paramIndex);
    info.flags = vst3::ParameterInfo::kCanAutomate;
  } else if (paramIndex == kBypassIndex) {
    info.id = vst3id::kBypassId;
    coreTextToUtf16("Bypass", info.title, 128);
    coreTextToUtf16("Bypass", info.shortTitle, 128);
    info.stepCount = 1;
    info.flags = vst3::ParameterInfo::kCanAutomate | vst3::ParameterInfo::kIsBypass;
  } else if (paramIndex == kProgramIndex) {
    info.id = vst3id::kProgramId;
    coreTextToUtf16("Program", info.title, 128);
    coreTextToUtf16("Program", info.shortTitle, 128);
    info.stepCount = kLastProgram;
    info.flags = vst3::ParameterInfo::kIsProgramChange | vst3::ParameterInfo::kIsList;
  } else {
    // The n-th MIDI controller the core maps, as a hidden stand-in.
    int32_t wanted = paramIndex - kFirstControllerIndex;
    for (int32_t c = 0; c < static_cast<int32_t>(vst3id::kMidiControllerCount); ++c) {
      if (!core.midiControllerTaken(c) || wanted-- > 0) continue;
      info.id = vst3id::kMidiControllerIdBase + static_cast<vst3::ParamID>(c);
      std::snprintf(text, sizeof text, "MIDI CC %d", static_cast<int>(c));
      coreTextToUtf16(text, info.title, 128);
      coreTextToUtf16(text, info.shortTitle, 128);
      info.stepCount = 127;
      info.flags = vst3::ParameterInfo::kIsHidden;
      break;
    }
  }
  return vst3::kResultOk;
}

vst3::tresult QuendralVst3::getParamStringByValue(vst3::ParamID id, vst3::ParamValue value,
                                                  vst3::String128 string) {
  if (!string) return vst3::kInvalidArgument;
  char text[kTextSize];
  if (isCoreId(id)) {
    core.getParameterDisplayForValue(static_cast<int32_t>(id), static_cast<float>(value), text);
  } else if (id == vst3id::kBypassId) {
    std::snprintf(text, sizeof text, "%s", value >= 0.5 ? "On" : "Off");
  } else if (id == vst3id::kProgramId) {
    const int32_t program = programFromValue(value);
    if (program < 0) return vst3::kInvalidArgument;
    core.getProgramNameIndexed(program, text);
  } else if (controllerOf(id) >= 0) {
    std::snprintf(text, sizeof text, "%d",
                  static_cast<int>(std::lround(std::clamp(value, 0.0, 1.0) * 127.0)));
  } else {
    return vst3::kInvalidArgument;
  }
  coreTextToUtf16(text, string, 128);
  return vst3::kResultOk;
}

vst3::tresult QuendralVst3::getParamValueByString(vst3::ParamID id, vst3::TChar* string,
                                                  vst3::ParamValue& valueNormalized) {
  if (!string) return vst3::kInvalidArgument;
  char text[64];
  utf16ToCoreText(string, text, sizeof text);
  if (isCoreId(id)) {
    float value = 0.0f;
    if (!core.getParameterValueFromText(static_cast<int32_t>(id), text, value))
      return vst3::kResultFalse;
    valueNormalized = value;
    return vst3::kResultOk;
  }
  if (id == vst3id::kBypassId) {
    if (std::strcmp(text, "On") == 0 || std::strcmp(text, "on") == 0 || std::strcmp(text, "1") == 0)
      valueNormalized = 1.0;
    else if (std::strcmp(text, "Off") == 0 || std::strcmp(text, "off") == 0 ||
             std::strcmp(text, "0") == 0)
      valueNormalized = 0.0;
    else
      return vst3::kResultFalse;
    return vst3::kResultOk;
  }
  if (id == vst3id::kProgramId) {
    // A program's name, or its number as the list counts (1..8).
    char name[kTextSize];
    for (int32_t p = 0; p < kNumPrograms; ++p) {
      core.getProgramNameIndexed(p, name);
      if (std::strcmp(name, text) == 0) {
        valueNormalized = static_cast<double>(p) / kLastProgram;
        return vst3::kResultOk;
      }
    }
    char* end = nullptr;
    const long number = std::strtol(text, &end, 10);
    if (end == text || number < 1 || number > kNumPrograms) return vst3::kResultFalse;
    valueNormalized = static_cast<double>(number - 1) / kLastProgram;
    return vst3::kResultOk;
  }
  return vst3::kResultFalse;
}

// Plain values: the step of a stepped parameter, the normalised value of a continuous one.
vst3::ParamValue QuendralVst3::normalizedParamToPlain(vst3::ParamID id, vst3::ParamValue value) {
  const int32_t steps = isCoreId(id) ? core.getParameterStepCount(static_cast<int32_t>(id))
                        : id == vst3id::kBypassId  ? 1
                        : id == vst3id::kProgramId ? kLastProgram
                                                   : 0;
  return steps > 0 ? std::round(std::clamp(value, 0.0, 1.0) * steps) : value;
}

vst3::ParamValue QuendralVst3::plainParamToNormalized(vst3::ParamID id, vst3::ParamValue plain) {
  const int32_t steps = isCoreId(id) ? core.getParameterStepCount(static_cast<int32_t>(id))
                        : id == vst3id::kBypassId  ? 1
                        : id == vst3id::kProgramId ? kLastProgram
                                                   : 0;
  return steps > 0 ? std::clamp(plain / steps, 0.0, 1.0) : plain;
}

vst3::ParamValue QuendralVst3::getParamNormalized(vst3::ParamID id) {
  if (isCoreId(id)) return core.getParameter(static_cast<int32_t>(id));
  if (id == vst3id::kBypassId) return bypassValue.load(std::memory_order_relaxed) ? 1.0 : 0.0;
  if (id == vst3id::kProgramId) return static_cast<double>(core.getProgram()) / kLastProgram;
  return 0.0;
}

vst3::tresult QuendralVst3::setParamNormalized(vst3::ParamID id, vst3::ParamValue value) {
  if (!isCoreId(id) && id != vst3id::kBypassId && id != vst3id::kProgramId && controllerOf(id) < 0)
    return vst3::kInvalidArgument;
  const int32_t programBefore = core.getProgram();
  applyHostValue(id, value);
  // A new program changes every parameter: the host reads them again.
  if (id == vst3id::kProgramId && core.getProgram() != programBefore) parametersChanged();
  return vst3::kResultOk;
}

vst3::tresult QuendralVst3::setComponentHandler(vst3::IComponentHandler* newHandler) {
  if (newHandler) newHandler->addRef();
  if (vst3::IComponentHandler* old = handler.exchange(newHandler)) old->release();
  return vst3::kResultOk;
}

vst3::IPlugView* QuendralVst3::createView(vst3::FIDString name) {
  if (!name || std::strcmp(name, vst3::kViewTypeEditor) != 0 || !core.editor()) return nullptr;
  return new Vst3View(*this, *core.editor());
}

vst3::tresult QuendralVst3::setKnobMode(vst3::KnobMode mode) {
  // The interface's knob modes (circular, relative circular, linear) are the panel's.
  if (mode < 0 || mode > 2) return vst3::kResultFalse;
  PanelEditor::setKnobMode(mode);
  return vst3::kResultOk;
}

void QuendralVst3::editBegan(int32_t index) {
  if (vst3::IComponentHandler* h = handler.load()) h->beginEdit(static_cast<vst3::ParamID>(index));
}

void QuendralVst3::editPerformed(int32_t index, float value) {
  if (vst3::IComponentHandler* h = handler.load())
    h->performEdit(static_cast<vst3::ParamID>(index), value);
}

void QuendralVst3::editEnded(int32_t index) {
  if (vst3::IComponentHandler* h = handler.load()) h->endEdit(static_cast<vst3::ParamID>(index));
}

// ---- units and programs ----

vst3::tresult QuendralVst3::getUnitInfo(vst3::int32 unitIndex, vst3::UnitInfo& info) {
  if (unitIndex != 0) return vst3::kInvalidArgument;
  info.id = vst3::kRootUnitId;
  info.parentUnitId = vst3::kNoParentUnitId;
  coreTextToUtf16("Root", info.name, 128);
  info.programListId = vst3id::kProgramListId;
  return vst3::kResultOk;
}

vst3::tresult QuendralVst3::getProgramListInfo(vst3::int32 listIndex, vst3::ProgramListInfo& info) {
  if (listIndex != 0) return vst3::kInvalidArgument;
  info.id = vst3id::kProgramListId;
  coreTextToUtf16("Programs", info.name, 128);
  info.programCount = kNumPrograms;
  return vst3::kResultOk;
}

vst3::tresult QuendralVst3::getProgramName(vst3::ProgramListID listId, vst3::int32 programIndex,
                                           vst3::String128 name) {
  if (listId != vst3id::kProgramListId || programIndex < 0 || programIndex >= kNumPrograms || !name)
    return vst3::kInvalidArgument;
  char text[kTextSize];
  core.getProgramNameIndexed(programIndex, text);
  coreTextToUtf16(text, name, 128);
  return vst3::kResultOk;
}

vst3::tresult QuendralVst3::getUnitByBus(vst3::MediaType type, vst3::BusDirection dir,
                                         vst3::int32 busIndex, vst3::int32, vst3::UnitID& unitId) {
  if (type != vst3::kEvent || dir != vst3::kInput || busIndex != 0) return vst3::kResultFalse;
  unitId = vst3::kRootUnitId;
  return vst3::kResultOk;
}

vst3::tresult QuendralVst3::getMidiControllerAssignment(vst3::int32 busIndex, vst3::int16 channel,
                                                        vst3::CtrlNumber controller,
                                                        vst3::ParamID& id) {
  // Every channel of the one event bus, as the VST2 build takes controllers on any channel.
  if (busIndex != 0 || channel < 0 || channel > 15 || controller < 0 ||
      controller >= static_cast<vst3::CtrlNumber>(vst3id::kMidiControllerCount))
    return vst3::kResultFalse;
  if (!core.midiControllerTaken(controller)) return vst3::kResultFalse;
  id = vst3id::kMidiControllerIdBase + static_cast<vst3::ParamID>(controller);
  return vst3::kResultOk;
}

}  // namespace panner
