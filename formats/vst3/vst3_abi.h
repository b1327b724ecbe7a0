// quendral's own description of the VST3 binary interface, for 64-bit Linux and Windows.
//
// Written from the interface's published facts: the 16-byte interface identifiers, the
// order of each interface's methods (the vtable layout a host and a plug-in share), the
// records and their field order, and the constants. Used from both sides: the plug-in's
// VST3 adapter (formats/vst3) implements these interfaces, and our hosts (tools/vst3_host)
// call them on any VST3 plug-in. Every interface is a C++ class of pure virtual methods
// without a virtual destructor, so its vtable is the COM-style table both compilers
// (g++ on Linux, mingw-w64 g++ on Windows) lay out alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(_WIN32)
#define VST3_CALL __stdcall
#define VST3_EXPORT extern "C" __declspec(dllexport)
#else
#define VST3_CALL
#define VST3_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace vst3 {

static_assert(sizeof(void*) == 8, "quendral's VST3 description is for 64-bit builds");

using int8 = int8_t;
using uint8 = uint8_t;
using int16 = int16_t;
using uint16 = uint16_t;
using int32 = int32_t;
using uint32 = uint32_t;
using int64 = int64_t;
using uint64 = uint64_t;
using TBool = uint8_t;
using tresult = int32_t;
using TChar = char16_t;
using String128 = TChar[128];
using CString = const char*;
using FIDString = const char*;  // an interface or class identifier: 16 bytes, not text
using TUID = char[16];

using ParamID = uint32_t;
using ParamValue = double;  // normalised 0..1
using SampleRate = double;
using TSamples = int64_t;
using TQuarterNotes = double;
using SpeakerArrangement = uint64_t;
using MediaType = int32_t;
using BusDirection = int32_t;
using BusType = int32_t;
using IoMode = int32_t;
using UnitID = int32_t;
using ProgramListID = int32_t;
using CtrlNumber = int16_t;
using KnobMode = int32_t;

// ---------------------------------------------------------------------------------------
// Results. Windows uses the COM error codes; other systems small numbers.
#if defined(_WIN32)
constexpr tresult kNoInterface = static_cast<tresult>(0x80004002L);
constexpr tresult kResultOk = 0;
constexpr tresult kResultTrue = kResultOk;
constexpr tresult kResultFalse = 1;
constexpr tresult kInvalidArgument = static_cast<tresult>(0x80070057L);
constexpr tresult kNotImplemented = static_cast<tresult>(0x80004001L);
constexpr tresult kInternalError = static_cast<tresult>(0x80004005L);
constexpr tresult kNotInitialized = static_cast<tresult>(0x8000FFFFL);
constexpr tresult kOutOfMemory = static_cast<tresult>(0x8007000EL);
#else
constexpr tresult kNoInterface = -1;
constexpr tresult kResultOk = 0;
constexpr tresult kResultTrue = kResultOk;
constexpr tresult kResultFalse = 1;
constexpr tresult kInvalidArgument = 2;
constexpr tresult kNotImplemented = 3;
constexpr tresult kInternalError = 4;
constexpr tresult kNotInitialized = 5;
constexpr tresult kOutOfMemory = 6;
#endif

// ---------------------------------------------------------------------------------------
// Identifiers: four 32-bit words. On Windows the first eight bytes follow the GUID layout
// (first word little-endian, then each half of the second word little-endian); elsewhere
// every word is stored big-endian. The last eight bytes are big-endian on both.
struct Uid {
  char bytes[16];
};

constexpr Uid makeUid(uint32_t l1, uint32_t l2, uint32_t l3, uint32_t l4) {
  Uid uid{};
  const auto byte = [](uint32_t word, int shift) {
    return static_cast<char>((word >> shift) & 0xFF);
  };
#if defined(_WIN32)
  uid.bytes[0] = byte(l1, 0);
  uid.bytes[1] = byte(l1, 8);
  uid.bytes[2] = byte(l1, 16);
  uid.bytes[3] = byte(l1, 24);
  uid.bytes[4] = byte(l2, 16);
  uid.bytes[5] = byte(l2, 24);
  uid.bytes[6] = byte(l2, 0);
  uid.bytes[7] = byte(l2, 8);
#else
  for (int i = 0; i < 4; ++i) {
    uid.bytes[i] = byte(l1, 24 - 8 * i);
    uid.bytes[4 + i] = byte(l2, 24 - 8 * i);
  }
#endif
  for (int i = 0; i < 4; ++i) {
    uid.bytes[8 + i] = byte(l3, 24 - 8 * i);
    uid.bytes[12 + i] = byte(l4, 24 - 8 * i);
  }
  return uid;
}

inline bool sameUid(const char* a, const Uid& b) {
  return a != nullptr && std::memcmp(a, b.bytes, 16) == 0;
}

// ---------------------------------------------------------------------------------------
// Base interfaces.
class FUnknown {
 public:
  virtual tresult VST3_CALL queryInterface(const TUID interfaceId, void** obj) = 0;
  virtual uint32 VST3_CALL addRef() = 0;
  virtual uint32 VST3_CALL release() = 0;
  static constexpr Uid iid = makeUid(0x00000000, 0x00000000, 0xC0000000, 0x00000046);
};

class IPluginBase : public FUnknown {
 public:
  virtual tresult VST3_CALL initialize(FUnknown* context) = 0;
  virtual tresult VST3_CALL terminate() = 0;
  static constexpr Uid iid = makeUid(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);
};

// A byte stream the host hands over for state.
class IBStream : public FUnknown {
 public:
  enum SeekMode : int32 { kIBSeekSet = 0, kIBSeekCur = 1, kIBSeekEnd = 2 };
  virtual tresult VST3_CALL read(void* buffer, int32 numBytes, int32* numBytesRead) = 0;
  virtual tresult VST3_CALL write(void* buffer, int32 numBytes, int32* numBytesWritten) = 0;
  virtual tresult VST3_CALL seek(int64 pos, int32 mode, int64* result) = 0;
  virtual tresult VST3_CALL tell(int64* pos) = 0;
  static constexpr Uid iid = makeUid(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);
};

// ---------------------------------------------------------------------------------------
// The factory: the module's one exported object.
struct PFactoryInfo {
  enum FactoryFlags : int32 {
    kNoFlags = 0,
    kClassesDiscardable = 1 << 0,
    kLicenseCheck = 1 << 1,
    kComponentNonDiscardable = 1 << 3,
    kUnicode = 1 << 4,
  };
  char vendor[64];
  char url[256];
  char email[128];
  int32 flags;
};
static_assert(sizeof(PFactoryInfo) == 452);

constexpr int32 kManyInstances = 0x7FFFFFFF;

struct PClassInfo {
  TUID cid;
  int32 cardinality;
  char category[32];
  char name[64];
};
static_assert(sizeof(PClassInfo) == 116);

struct PClassInfo2 {
  TUID cid;
  int32 cardinality;
  char category[32];
  char name[64];
  uint32 classFlags;
  char subCategories[128];
  char vendor[64];
  char version[64];
  char sdkVersion[64];
};
static_assert(sizeof(PClassInfo2) == 440);

struct PClassInfoW {
  TUID cid;
  int32 cardinality;
  char category[32];
  TChar name[64];
  uint32 classFlags;
  char subCategories[128];
  TChar vendor[64];
  TChar version[64];
  TChar sdkVersion[64];
};
static_assert(offsetof(PClassInfoW, name) == 52);
static_assert(offsetof(PClassInfoW, classFlags) == 180);
static_assert(sizeof(PClassInfoW) == 696);

class IPluginFactory : public FUnknown {
 public:
  virtual tresult VST3_CALL getFactoryInfo(PFactoryInfo* info) = 0;
  virtual int32 VST3_CALL countClasses() = 0;
  virtual tresult VST3_CALL getClassInfo(int32 index, PClassInfo* info) = 0;
  virtual tresult VST3_CALL createInstance(FIDString cid, FIDString interfaceId, void** obj) = 0;
  static constexpr Uid iid = makeUid(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);
};

class IPluginFactory2 : public IPluginFactory {
 public:
  virtual tresult VST3_CALL getClassInfo2(int32 index, PClassInfo2* info) = 0;
  static constexpr Uid iid = makeUid(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);
};

class IPluginFactory3 : public IPluginFactory2 {
 public:
  virtual tresult VST3_CALL getClassInfoUnicode(int32 index, PClassInfoW* info) = 0;
  virtual tresult VST3_CALL setHostContext(FUnknown* context) = 0;
  static constexpr Uid iid = makeUid(0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931);
};

// Class categories a factory lists.
constexpr const char* kVstAudioEffectClass = "Audio Module Class";
constexpr const char* kVstComponentControllerClass = "Component Controller Class";
// PClassInfo2::classFlags
constexpr uint32 kDistributable = 1 << 0;
constexpr uint32 kSimpleModeSupported = 1 << 1;

// The module's exports.
using GetFactoryProc = IPluginFactory*(VST3_CALL*)();
using LinuxModuleEntryProc = bool (*)(void* sharedLibraryHandle);
using LinuxModuleExitProc = bool (*)();
using WindowsInitDllProc = bool (*)();
using WindowsExitDllProc = bool (*)();

// ---------------------------------------------------------------------------------------
// Host-side interfaces the plug-in may query from the context it is initialised with.
class IHostApplication : public FUnknown {
 public:
  virtual tresult VST3_CALL getName(String128 name) = 0;
  virtual tresult VST3_CALL createInstance(TUID cid, TUID interfaceId, void** obj) = 0;
  static constexpr Uid iid = makeUid(0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5);
};

// ---------------------------------------------------------------------------------------
// The component (the processing part).
enum MediaTypes : int32 { kAudio = 0, kEvent = 1 };
enum BusDirections : int32 { kInput = 0, kOutput = 1 };
enum BusTypes : int32 { kMain = 0, kAux = 1 };
enum IoModes : int32 { kSimple = 0, kAdvanced = 1, kOfflineProcessing = 2 };

struct BusInfo {
  enum BusFlags : uint32 { kDefaultActive = 1 << 0, kIsControlVoltage = 1 << 1 };
  MediaType mediaType;
  BusDirection direction;
  int32 channelCount;
  String128 name;
  BusType busType;
  uint32 flags;
};
static_assert(sizeof(BusInfo) == 276);

struct RoutingInfo {
  MediaType mediaType;
  int32 busIndex;
  int32 channel;
};

class IComponent : public IPluginBase {
 public:
  virtual tresult VST3_CALL getControllerClassId(TUID classId) = 0;
  virtual tresult VST3_CALL setIoMode(IoMode mode) = 0;
  virtual int32 VST3_CALL getBusCount(MediaType type, BusDirection dir) = 0;
  virtual tresult VST3_CALL getBusInfo(MediaType type, BusDirection dir, int32 index,
                                       BusInfo& bus) = 0;
  virtual tresult VST3_CALL getRoutingInfo(RoutingInfo& inInfo, RoutingInfo& outInfo) = 0;
  virtual tresult VST3_CALL activateBus(MediaType type, BusDirection dir, int32 index,
                                        TBool state) = 0;
  virtual tresult VST3_CALL setActive(TBool state) = 0;
  virtual tresult VST3_CALL setState(IBStream* state) = 0;
  virtual tresult VST3_CALL getState(IBStream* state) = 0;
  static constexpr Uid iid = makeUid(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);
};

// Speaker arrangements: one bit per speaker.
constexpr SpeakerArrangement kSpeakerL = 1 << 0;
constexpr SpeakerArrangement kSpeakerR = 1 << 1;
constexpr SpeakerArrangement kSpeakerM = 1 << 19;
constexpr SpeakerArrangement kArrEmpty = 0;
constexpr SpeakerArrangement kArrMono = kSpeakerM;
constexpr SpeakerArrangement kArrStereo = kSpeakerL | kSpeakerR;

enum ProcessModes : int32 { kRealtime = 0, kPrefetch = 1, kOffline = 2 };
enum SymbolicSampleSizes : int32 { kSample32 = 0, kSample64 = 1 };

struct ProcessSetup {
  int32 processMode;
  int32 symbolicSampleSize;
  int32 maxSamplesPerBlock;
  SampleRate sampleRate;
};
static_assert(offsetof(ProcessSetup, sampleRate) == 16 && sizeof(ProcessSetup) == 24);

struct AudioBusBuffers {
  int32 numChannels;
  uint64 silenceFlags;
  union {
    float** channelBuffers32;
    double** channelBuffers64;
  };
};
static_assert(offsetof(AudioBusBuffers, channelBuffers32) == 16 && sizeof(AudioBusBuffers) == 24);

// The transport as the host reports it for one block.
struct Chord {
  uint8 keyNote;
  uint8 rootNote;
  int16 chordMask;
};
struct FrameRate {
  uint32 framesPerSecond;
  uint32 flags;
};
struct ProcessContext {
  enum StatesAndFlags : uint32 {
    kPlaying = 1 << 1,
    kCycleActive = 1 << 2,
    kRecording = 1 << 3,
    kSystemTimeValid = 1 << 8,
    kProjectTimeMusicValid = 1 << 9,
    kTempoValid = 1 << 10,
    kBarPositionValid = 1 << 11,
    kCycleValid = 1 << 12,
    kTimeSigValid = 1 << 13,
    kSmpteValid = 1 << 14,
    kClockValid = 1 << 15,
    kContTimeValid = 1 << 17,
    kChordValid = 1 << 18,
  };
  uint32 state;
  double sampleRate;
  TSamples projectTimeSamples;
  int64 systemTime;
  TSamples continousTimeSamples;
  TQuarterNotes projectTimeMusic;
  TQuarterNotes barPositionMusic;
  TQuarterNotes cycleStartMusic;
  TQuarterNotes cycleEndMusic;
  double tempo;
  int32 timeSigNumerator;
  int32 timeSigDenominator;
  Chord chord;
  int32 smpteOffsetSubframes;
  FrameRate frameRate;
  int32 samplesToNextClock;
};
static_assert(offsetof(ProcessContext, projectTimeMusic) == 40);
static_assert(offsetof(ProcessContext, tempo) == 72);
static_assert(offsetof(ProcessContext, chord) == 88);
static_assert(offsetof(ProcessContext, samplesToNextClock) == 104);
static_assert(sizeof(ProcessContext) == 112);

// Parameter changes of one block: a queue of (sample offset, value) points per parameter.
class IParamValueQueue : public FUnknown {
 public:
  virtual ParamID VST3_CALL getParameterId() = 0;
  virtual int32 VST3_CALL getPointCount() = 0;
  virtual tresult VST3_CALL getPoint(int32 index, int32& sampleOffset, ParamValue& value) = 0;
  virtual tresult VST3_CALL addPoint(int32 sampleOffset, ParamValue value, int32& index) = 0;
  static constexpr Uid iid = makeUid(0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);
};

class IParameterChanges : public FUnknown {
 public:
  virtual int32 VST3_CALL getParameterCount() = 0;
  virtual IParamValueQueue* VST3_CALL getParameterData(int32 index) = 0;
  virtual IParamValueQueue* VST3_CALL addParameterData(const ParamID& id, int32& index) = 0;
  static constexpr Uid iid = makeUid(0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);
};

// Events (notes and data) of one block. quendral takes none: controllers arrive as
// parameter changes through IMidiMapping; the records are here for hosts that pass lists.
struct NoteOnEvent {
  int16 channel;
  int16 pitch;
  float tuning;
  float velocity;
  int32 length;
  int32 noteId;
};
struct DataEvent {
  uint32 size;
  uint32 type;
  const uint8* bytes;
};
struct Event {
  enum EventTypes : uint16 {
    kNoteOnEvent = 0,
    kNoteOffEvent = 1,
    kDataEvent = 2,
    kPolyPressureEvent = 3,
    kNoteExpressionValueEvent = 4,
    kNoteExpressionTextEvent = 5,
    kChordEvent = 6,
    kScaleEvent = 7,
    kLegacyMIDICCOutEvent = 65535,
  };
  int32 busIndex;
  int32 sampleOffset;
  TQuarterNotes ppqPosition;
  uint16 flags;
  uint16 type;
  union {
    NoteOnEvent noteOn;
    DataEvent data;
    char payload[24];  // the largest kind of event (a note expression text) takes 24 bytes
  };
};
static_assert(offsetof(Event, type) == 18 && offsetof(Event, noteOn) == 24 && sizeof(Event) == 48);

class IEventList : public FUnknown {
 public:
  virtual int32 VST3_CALL getEventCount() = 0;
  virtual tresult VST3_CALL getEvent(int32 index, Event& e) = 0;
  virtual tresult VST3_CALL addEvent(Event& e) = 0;
  static constexpr Uid iid = makeUid(0x3A2C4214, 0x346349FE, 0xB2C4F397, 0xB9695A44);
};

struct ProcessData {
  int32 processMode;
  int32 symbolicSampleSize;
  int32 numSamples;
  int32 numInputs;
  int32 numOutputs;
  AudioBusBuffers* inputs;
  AudioBusBuffers* outputs;
  IParameterChanges* inputParameterChanges;
  IParameterChanges* outputParameterChanges;
  IEventList* inputEvents;
  IEventList* outputEvents;
  ProcessContext* processContext;
};
static_assert(offsetof(ProcessData, inputs) == 24);
static_assert(offsetof(ProcessData, processContext) == 72 && sizeof(ProcessData) == 80);

class IAudioProcessor : public FUnknown {
 public:
  virtual tresult VST3_CALL setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                               SpeakerArrangement* outputs, int32 numOuts) = 0;
  virtual tresult VST3_CALL getBusArrangement(BusDirection dir, int32 index,
                                              SpeakerArrangement& arr) = 0;
  virtual tresult VST3_CALL canProcessSampleSize(int32 symbolicSampleSize) = 0;
  virtual uint32 VST3_CALL getLatencySamples() = 0;
  virtual tresult VST3_CALL setupProcessing(ProcessSetup& setup) = 0;
  virtual tresult VST3_CALL setProcessing(TBool state) = 0;
  virtual tresult VST3_CALL process(ProcessData& data) = 0;
  virtual uint32 VST3_CALL getTailSamples() = 0;
  static constexpr Uid iid = makeUid(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);
};

// ---------------------------------------------------------------------------------------
// The edit controller (parameters, texts, editor).
struct ParameterInfo {
  enum ParameterFlags : int32 {
    kNoFlags = 0,
    kCanAutomate = 1 << 0,
    kIsReadOnly = 1 << 1,
    kIsWrapAround = 1 << 2,
    kIsList = 1 << 3,
    kIsHidden = 1 << 4,
    kIsProgramChange = 1 << 15,
    kIsBypass = 1 << 16,
  };
  ParamID id;
  String128 title;
  String128 shortTitle;
  String128 units;
  int32 stepCount;
  ParamValue defaultNormalizedValue;
  UnitID unitId;
  int32 flags;
};
static_assert(offsetof(ParameterInfo, stepCount) == 772);
static_assert(offsetof(ParameterInfo, defaultNormalizedValue) == 776);
static_assert(sizeof(ParameterInfo) == 792);

// IComponentHandler::restartComponent flags.
enum RestartFlags : int32 {
  kReloadComponent = 1 << 0,
  kIoChanged = 1 << 1,
  kParamValuesChanged = 1 << 2,
  kLatencyChanged = 1 << 3,
  kParamTitlesChanged = 1 << 4,
  kMidiCCAssignmentChanged = 1 << 5,
};

class IComponentHandler : public FUnknown {
 public:
  virtual tresult VST3_CALL beginEdit(ParamID id) = 0;
  virtual tresult VST3_CALL performEdit(ParamID id, ParamValue valueNormalized) = 0;
  virtual tresult VST3_CALL endEdit(ParamID id) = 0;
  virtual tresult VST3_CALL restartComponent(int32 flags) = 0;
  static constexpr Uid iid = makeUid(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);
};

class IPlugView;

class IEditController : public IPluginBase {
 public:
  virtual tresult VST3_CALL setComponentState(IBStream* state) = 0;
  virtual tresult VST3_CALL setState(IBStream* state) = 0;
  virtual tresult VST3_CALL getState(IBStream* state) = 0;
  virtual int32 VST3_CALL getParameterCount() = 0;
  virtual tresult VST3_CALL getParameterInfo(int32 paramIndex, ParameterInfo& info) = 0;
  virtual tresult VST3_CALL getParamStringByValue(ParamID id, ParamValue valueNormalized,
                                                  String128 string) = 0;
  virtual tresult VST3_CALL getParamValueByString(ParamID id, TChar* string,
                                                  ParamValue& valueNormalized) = 0;
  virtual ParamValue VST3_CALL normalizedParamToPlain(ParamID id, ParamValue valueNormalized) = 0;
  virtual ParamValue VST3_CALL plainParamToNormalized(ParamID id, ParamValue plainValue) = 0;
  virtual ParamValue VST3_CALL getParamNormalized(ParamID id) = 0;
  virtual tresult VST3_CALL setParamNormalized(ParamID id, ParamValue value) = 0;
  virtual tresult VST3_CALL setComponentHandler(IComponentHandler* handler) = 0;
  virtual IPlugView* VST3_CALL createView(FIDString name) = 0;
  static constexpr Uid iid = makeUid(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);
};

constexpr const char* kViewTypeEditor = "editor";

class IEditController2 : public FUnknown {
 public:
  virtual tresult VST3_CALL setKnobMode(KnobMode mode) = 0;
  virtual tresult VST3_CALL openHelp(TBool onlyCheck) = 0;
  virtual tresult VST3_CALL openAboutBox(TBool onlyCheck) = 0;
  static constexpr Uid iid = makeUid(0x7F4EFE59, 0xF3204967, 0xAC27A3AE, 0xAFB63038);
};

// Units and program lists.
constexpr UnitID kRootUnitId = 0;
constexpr UnitID kNoParentUnitId = -1;
constexpr ProgramListID kNoProgramListId = -1;

struct UnitInfo {
  UnitID id;
  UnitID parentUnitId;
  String128 name;
  ProgramListID programListId;
};
static_assert(sizeof(UnitInfo) == 268);

struct ProgramListInfo {
  ProgramListID id;
  String128 name;
  int32 programCount;
};
static_assert(sizeof(ProgramListInfo) == 264);

class IUnitInfo : public FUnknown {
 public:
  virtual int32 VST3_CALL getUnitCount() = 0;
  virtual tresult VST3_CALL getUnitInfo(int32 unitIndex, UnitInfo& info) = 0;
  virtual int32 VST3_CALL getProgramListCount() = 0;
  virtual tresult VST3_CALL getProgramListInfo(int32 listIndex, ProgramListInfo& info) = 0;
  virtual tresult VST3_CALL getProgramName(ProgramListID listId, int32 programIndex,
                                           String128 name) = 0;
  virtual tresult VST3_CALL getProgramInfo(ProgramListID listId, int32 programIndex,
                                           CString attributeId, String128 attributeValue) = 0;
  virtual tresult VST3_CALL hasProgramPitchNames(ProgramListID listId, int32 programIndex) = 0;
  virtual tresult VST3_CALL getProgramPitchName(ProgramListID listId, int32 programIndex,
                                                int16 midiPitch, String128 name) = 0;
  virtual UnitID VST3_CALL getSelectedUnit() = 0;
  virtual tresult VST3_CALL selectUnit(UnitID unitId) = 0;
  virtual tresult VST3_CALL getUnitByBus(MediaType type, BusDirection dir, int32 busIndex,
                                         int32 channel, UnitID& unitId) = 0;
  virtual tresult VST3_CALL setUnitProgramData(int32 listOrUnitId, int32 programIndex,
                                               IBStream* data) = 0;
  static constexpr Uid iid = makeUid(0x3D4BD6B5, 0x913A4FD2, 0xA886E768, 0xA5EB92C1);
};

// MIDI controllers mapped to parameters (VST3 passes no raw controller events).
class IMidiMapping : public FUnknown {
 public:
  virtual tresult VST3_CALL getMidiControllerAssignment(int32 busIndex, int16 channel,
                                                        CtrlNumber midiControllerNumber,
                                                        ParamID& id) = 0;
  static constexpr Uid iid = makeUid(0xDF0FF9F7, 0x49B74669, 0xB63AB732, 0x7ADBF5E5);
};

// Messages between a separate component and controller. quendral is one object and needs
// none; hosts connect a plug-in's two halves through it.
class IMessage;
class IConnectionPoint : public FUnknown {
 public:
  virtual tresult VST3_CALL connect(IConnectionPoint* other) = 0;
  virtual tresult VST3_CALL disconnect(IConnectionPoint* other) = 0;
  virtual tresult VST3_CALL notify(IMessage* message) = 0;
  static constexpr Uid iid = makeUid(0x70A4156F, 0x6E6E4026, 0x989148BF, 0xAA60D8D1);
};

// ---------------------------------------------------------------------------------------
// The editor's view and the host's frame around it.
constexpr const char* kPlatformTypeHWND = "HWND";
constexpr const char* kPlatformTypeX11EmbedWindowID = "X11EmbedWindowID";

struct ViewRect {
  int32 left;
  int32 top;
  int32 right;
  int32 bottom;
};

class IPlugFrame;

class IPlugView : public FUnknown {
 public:
  virtual tresult VST3_CALL isPlatformTypeSupported(FIDString type) = 0;
  virtual tresult VST3_CALL attached(void* parent, FIDString type) = 0;
  virtual tresult VST3_CALL removed() = 0;
  virtual tresult VST3_CALL onWheel(float distance) = 0;
  virtual tresult VST3_CALL onKeyDown(TChar key, int16 keyCode, int16 modifiers) = 0;
  virtual tresult VST3_CALL onKeyUp(TChar key, int16 keyCode, int16 modifiers) = 0;
  virtual tresult VST3_CALL getSize(ViewRect* size) = 0;
  virtual tresult VST3_CALL onSize(ViewRect* newSize) = 0;
  virtual tresult VST3_CALL onFocus(TBool state) = 0;
  virtual tresult VST3_CALL setFrame(IPlugFrame* frame) = 0;
  virtual tresult VST3_CALL canResize() = 0;
  virtual tresult VST3_CALL checkSizeConstraint(ViewRect* rect) = 0;
  static constexpr Uid iid = makeUid(0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29);
};

class IPlugFrame : public FUnknown {
 public:
  virtual tresult VST3_CALL resizeView(IPlugView* view, ViewRect* newSize) = 0;
  static constexpr Uid iid = makeUid(0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3);
};

// The host's content scale for a view (a screen's scaling, or the host's own zoom),
// before or after the view is attached. A view that takes it answers kResultTrue, sizes
// itself by the factor and asks the frame for the new size with resizeView.
using ScaleFactor = float;
class IPlugViewContentScaleSupport : public FUnknown {
 public:
  virtual tresult VST3_CALL setContentScaleFactor(ScaleFactor factor) = 0;
  static constexpr Uid iid = makeUid(0x65ED9690, 0x8AC44525, 0x8AADEF7A, 0x72EA703F);
};

// Linux has no editor idle call: the view registers a timer and the X connection's file
// descriptor with the host's run loop, which the host's frame offers.
using FileDescriptor = int;
using TimerInterval = uint64_t;  // milliseconds

class IEventHandler : public FUnknown {
 public:
  virtual void VST3_CALL onFDIsSet(FileDescriptor fd) = 0;
  static constexpr Uid iid = makeUid(0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983);
};

class ITimerHandler : public FUnknown {
 public:
  virtual void VST3_CALL onTimer() = 0;
  static constexpr Uid iid = makeUid(0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9);
};

class IRunLoop : public FUnknown {
 public:
  virtual tresult VST3_CALL registerEventHandler(IEventHandler* handler, FileDescriptor fd) = 0;
  virtual tresult VST3_CALL unregisterEventHandler(IEventHandler* handler) = 0;
  virtual tresult VST3_CALL registerTimer(ITimerHandler* handler, TimerInterval milliseconds) = 0;
  virtual tresult VST3_CALL unregisterTimer(ITimerHandler* handler) = 0;
  static constexpr Uid iid = makeUid(0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389);
};

}  // namespace vst3
