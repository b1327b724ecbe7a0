// The VST3 plug-in: the adapter between a VST3 host and the format-neutral core. One
// object is the component, the audio processor and the edit controller at once (with its
// unit information and MIDI mapping), owning one QuendralCore: host calls become the
// core's calls, and the core's requests (tempo and song position, edit gestures) are
// answered from the block's process context and through the host's component handler.
// Every rule, mapping and text comes from the core.
#pragma once

#include <atomic>
#include <cstdint>

#include "core_host.h"
#include "quendral_core.h"
#include "vst3_abi.h"
#include "vst3_own_set_file.h"

namespace panner {

// IComponent and IEditController both declare setState and getState; these two give each
// its own name, so the one object can answer both.
class Vst3ComponentSide : public vst3::IComponent {
 public:
  vst3::tresult VST3_CALL setState(vst3::IBStream* state) final { return componentSetState(state); }
  vst3::tresult VST3_CALL getState(vst3::IBStream* state) final { return componentGetState(state); }

 protected:
  virtual vst3::tresult componentSetState(vst3::IBStream* state) = 0;
  virtual vst3::tresult componentGetState(vst3::IBStream* state) = 0;
  ~Vst3ComponentSide() = default;
};

class Vst3ControllerSide : public vst3::IEditController {
 public:
  vst3::tresult VST3_CALL setState(vst3::IBStream* state) final {
    return controllerSetState(state);
  }
  vst3::tresult VST3_CALL getState(vst3::IBStream* state) final {
    return controllerGetState(state);
  }

 protected:
  virtual vst3::tresult controllerSetState(vst3::IBStream* state) = 0;
  virtual vst3::tresult controllerGetState(vst3::IBStream* state) = 0;
  ~Vst3ControllerSide() = default;
};

class QuendralVst3 final : public Vst3ComponentSide,
                           public vst3::IAudioProcessor,
                           public Vst3ControllerSide,
                           public vst3::IEditController2,
                           public vst3::IUnitInfo,
                           public vst3::IMidiMapping,
                           public vst3::IQuendralOwnSetFile,
                           public CoreHost {
 public:
  QuendralVst3();
  QuendralVst3(const QuendralVst3&) = delete;
  QuendralVst3& operator=(const QuendralVst3&) = delete;

  bool constructed() const { return core.constructed(); }
  QuendralCore& getCore() { return core; }

  // FUnknown
  vst3::tresult VST3_CALL queryInterface(const vst3::TUID interfaceId, void** obj) override;
  vst3::uint32 VST3_CALL addRef() override;
  vst3::uint32 VST3_CALL release() override;

  // IPluginBase
  vst3::tresult VST3_CALL initialize(vst3::FUnknown* context) override;
  vst3::tresult VST3_CALL terminate() override;

  // IComponent
  vst3::tresult VST3_CALL getControllerClassId(vst3::TUID classId) override;
  vst3::tresult VST3_CALL setIoMode(vst3::IoMode mode) override;
  vst3::int32 VST3_CALL getBusCount(vst3::MediaType type, vst3::BusDirection dir) override;
  vst3::tresult VST3_CALL getBusInfo(vst3::MediaType type, vst3::BusDirection dir,
                                     vst3::int32 index, vst3::BusInfo& bus) override;
  vst3::tresult VST3_CALL getRoutingInfo(vst3::RoutingInfo& inInfo,
                                         vst3::RoutingInfo& outInfo) override;
  vst3::tresult VST3_CALL activateBus(vst3::MediaType type, vst3::BusDirection dir,
                                      vst3::int32 index, vst3::TBool state) override;
  vst3::tresult VST3_CALL setActive(vst3::TBool state) override;

  // IAudioProcessor
  vst3::tresult VST3_CALL setBusArrangements(vst3::SpeakerArrangement* inputs, vst3::int32 numIns,
                                             vst3::SpeakerArrangement* outputs,
                                             vst3::int32 numOuts) override;
  vst3::tresult VST3_CALL getBusArrangement(vst3::BusDirection dir, vst3::int32 index,
                                            vst3::SpeakerArrangement& arr) override;
  vst3::tresult VST3_CALL canProcessSampleSize(vst3::int32 symbolicSampleSize) override;
  vst3::uint32 VST3_CALL getLatencySamples() override;
  vst3::tresult VST3_CALL setupProcessing(vst3::ProcessSetup& setup) override;
  vst3::tresult VST3_CALL setProcessing(vst3::TBool state) override;
  vst3::tresult VST3_CALL process(vst3::ProcessData& data) override;
  vst3::uint32 VST3_CALL getTailSamples() override;

  // IEditController
  vst3::tresult VST3_CALL setComponentState(vst3::IBStream* state) override;
  vst3::int32 VST3_CALL getParameterCount() override;
  vst3::tresult VST3_CALL getParameterInfo(vst3::int32 paramIndex,
                                           vst3::ParameterInfo& info) override;
  vst3::tresult VST3_CALL getParamStringByValue(vst3::ParamID id, vst3::ParamValue valueNormalized,
                                                vst3::String128 string) override;
  vst3::tresult VST3_CALL getParamValueByString(vst3::ParamID id, vst3::TChar* string,
                                                vst3::ParamValue& valueNormalized) override;
  vst3::ParamValue VST3_CALL normalizedParamToPlain(vst3::ParamID id,
                                                    vst3::ParamValue valueNormalized) override;
  vst3::ParamValue VST3_CALL plainParamToNormalized(vst3::ParamID id,
                                                    vst3::ParamValue plainValue) override;
  vst3::ParamValue VST3_CALL getParamNormalized(vst3::ParamID id) override;
  vst3::tresult VST3_CALL setParamNormalized(vst3::ParamID id, vst3::ParamValue value) override;
  vst3::tresult VST3_CALL setComponentHandler(vst3::IComponentHandler* handler) override;
  vst3::IPlugView* VST3_CALL createView(vst3::FIDString name) override;

  // IEditController2
  vst3::tresult VST3_CALL setKnobMode(vst3::KnobMode mode) override;
  vst3::tresult VST3_CALL openHelp(vst3::TBool) override { return vst3::kResultFalse; }
  vst3::tresult VST3_CALL openAboutBox(vst3::TBool) override { return vst3::kResultFalse; }

  // IUnitInfo: one root unit holding the program list of the eight programs.
  vst3::int32 VST3_CALL getUnitCount() override { return 1; }
  vst3::tresult VST3_CALL getUnitInfo(vst3::int32 unitIndex, vst3::UnitInfo& info) override;
  vst3::int32 VST3_CALL getProgramListCount() override { return 1; }
  vst3::tresult VST3_CALL getProgramListInfo(vst3::int32 listIndex,
                                             vst3::ProgramListInfo& info) override;
  vst3::tresult VST3_CALL getProgramName(vst3::ProgramListID listId, vst3::int32 programIndex,
                                         vst3::String128 name) override;
  vst3::tresult VST3_CALL getProgramInfo(vst3::ProgramListID, vst3::int32, vst3::CString,
                                         vst3::String128) override {
    return vst3::kResultFalse;
  }
  vst3::tresult VST3_CALL hasProgramPitchNames(vst3::ProgramListID, vst3::int32) override {
    return vst3::kResultFalse;
  }
  vst3::tresult VST3_CALL getProgramPitchName(vst3::ProgramListID, vst3::int32, vst3::int16,
                                              vst3::String128) override {
    return vst3::kResultFalse;
  }
  vst3::UnitID VST3_CALL getSelectedUnit() override { return vst3::kRootUnitId; }
  vst3::tresult VST3_CALL selectUnit(vst3::UnitID unitId) override {
    return unitId == vst3::kRootUnitId ? vst3::kResultOk : vst3::kResultFalse;
  }
  vst3::tresult VST3_CALL getUnitByBus(vst3::MediaType type, vst3::BusDirection dir,
                                       vst3::int32 busIndex, vst3::int32 channel,
                                       vst3::UnitID& unitId) override;
  vst3::tresult VST3_CALL setUnitProgramData(vst3::int32, vst3::int32, vst3::IBStream*) override {
    return vst3::kNotImplemented;
  }

  // IMidiMapping
  vst3::tresult VST3_CALL getMidiControllerAssignment(vst3::int32 busIndex, vst3::int16 channel,
                                                      vst3::CtrlNumber midiControllerNumber,
                                                      vst3::ParamID& id) override;

  // IQuendralOwnSetFile (for quendral's own tools)
  vst3::tresult VST3_CALL loadOwnSetFile(const char* path, char* answer,
                                         vst3::uint32 capacity) override;
  vst3::tresult VST3_CALL describeOwnSet(char* line, vst3::uint32 capacity) override;

  // CoreHost: the core's requests, answered from the current block's process context and
  // through the host's component handler.
  bool hostTempo(double& beatsPerMinute) override;
  bool hostPosition(double& quarterNotes, bool& playing) override;
  void editBegan(int32_t index) override;
  void editPerformed(int32_t index, float value) override;
  void editEnded(int32_t index) override;

 protected:
  vst3::tresult componentSetState(vst3::IBStream* state) override;
  vst3::tresult componentGetState(vst3::IBStream* state) override;
  vst3::tresult controllerSetState(vst3::IBStream* state) override;
  vst3::tresult controllerGetState(vst3::IBStream* state) override;

 private:
  ~QuendralVst3();
  // A host's value for a parameter id, on either thread: the core applies it.
  void applyHostValue(vst3::ParamID id, double value);
  // Tells the host that every parameter may have changed (program change, new state).
  void parametersChanged();
  // The MIDI controller a stand-in parameter id carries, or -1 for any other id.
  int32_t controllerOf(vst3::ParamID id) const;

  QuendralCore core;
  std::atomic<vst3::uint32> references{1};
  std::atomic<vst3::IComponentHandler*> handler{nullptr};
  // The process context of the block being processed: set for the length of process().
  const vst3::ProcessContext* blockContext = nullptr;
  std::atomic<bool> bypassValue{false};
  bool audioBusActive[2] = {true, true};
};

}  // namespace panner
