// Our description of the CLAP 1.2 binary interface, written from its published facts: the
// records a host and a plug-in exchange (field order and types), the identifier strings of
// the factory and the extensions, and the constants quendral uses. Only what quendral and
// its host side need is here. Every record is plain C layout; every function pointer is a C
// calling-convention pointer (the platform's default on x86_64 Linux and Windows).
#pragma once

#include <cstdint>

namespace clapabi {

using Id = uint32_t;
constexpr Id kInvalidId = UINT32_MAX;
constexpr int kNameSize = 256;
constexpr int kPathSize = 1024;

struct Version {
  uint32_t major, minor, revision;
};
// The interface version this build speaks.
constexpr Version kVersion = {1, 2, 2};
// A host or plug-in is compatible when its major version is 1 or more.
inline bool compatible(const Version& v) { return v.major >= 1; }

// Musical and real time in fixed point: value / 2^31 beats or seconds.
using BeatTime = int64_t;
using SecTime = int64_t;
constexpr double kTimeFactor = 2147483648.0;

// ---- events ----
struct EventHeader {
  uint32_t size;  // of the whole event, header included
  uint32_t time;  // sample offset within the block
  uint16_t spaceId;
  uint16_t type;
  uint32_t flags;
};
constexpr uint16_t kCoreEventSpace = 0;
enum EventFlags : uint32_t { kEventIsLive = 1u << 0, kEventDontRecord = 1u << 1 };
enum EventType : uint16_t {
  kEventNoteOn = 0,
  kEventNoteOff = 1,
  kEventNoteChoke = 2,
  kEventNoteEnd = 3,
  kEventNoteExpression = 4,
  kEventParamValue = 5,
  kEventParamMod = 6,
  kEventParamGestureBegin = 7,
  kEventParamGestureEnd = 8,
  kEventTransport = 9,
  kEventMidi = 10,
  kEventMidiSysex = 11,
  kEventMidi2 = 12,
};
struct EventParamValue {
  EventHeader header;
  Id paramId;
  void* cookie;
  int32_t noteId;
  int16_t portIndex, channel, key;
  double value;
};
struct EventParamGesture {
  EventHeader header;
  Id paramId;
};
enum TransportFlags : uint32_t {
  kTransportHasTempo = 1u << 0,
  kTransportHasBeatsTimeline = 1u << 1,
  kTransportHasSecondsTimeline = 1u << 2,
  kTransportHasTimeSignature = 1u << 3,
  kTransportIsPlaying = 1u << 4,
  kTransportIsRecording = 1u << 5,
  kTransportIsLoopActive = 1u << 6,
  kTransportIsWithinPreRoll = 1u << 7,
};
struct EventTransport {
  EventHeader header;
  uint32_t flags;
  BeatTime songPosBeats;
  SecTime songPosSeconds;
  double tempo;
  double tempoIncrement;
  BeatTime loopStartBeats, loopEndBeats;
  SecTime loopStartSeconds, loopEndSeconds;
  BeatTime barStart;
  int32_t barNumber;
  uint16_t timeSignatureNumerator, timeSignatureDenominator;
};
struct EventMidi {
  EventHeader header;
  uint16_t portIndex;
  uint8_t data[3];
};
struct InputEvents {
  void* context;
  uint32_t (*size)(const InputEvents* list);
  const EventHeader* (*get)(const InputEvents* list, uint32_t index);
};
struct OutputEvents {
  void* context;
  bool (*tryPush)(const OutputEvents* list, const EventHeader* event);
};

// ---- processing ----
struct AudioBuffer {
  float** data32;
  double** data64;
  uint32_t channelCount;
  uint32_t latency;
  uint64_t constantMask;
};
struct Process {
  int64_t steadyTime;
  uint32_t framesCount;
  const EventTransport* transport;
  const AudioBuffer* audioInputs;
  AudioBuffer* audioOutputs;
  uint32_t audioInputsCount;
  uint32_t audioOutputsCount;
  const InputEvents* inEvents;
  const OutputEvents* outEvents;
};
enum ProcessStatus : int32_t {
  kProcessError = 0,
  kProcessContinue = 1,
  kProcessContinueIfNotQuiet = 2,
  kProcessTail = 3,
  kProcessSleep = 4,
};

// ---- host and plug-in ----
struct Host {
  Version clapVersion;
  void* hostData;
  const char* name;
  const char* vendor;
  const char* url;
  const char* version;
  const void* (*getExtension)(const Host* host, const char* extensionId);
  void (*requestRestart)(const Host* host);
  void (*requestProcess)(const Host* host);
  void (*requestCallback)(const Host* host);
};

struct PluginDescriptor {
  Version clapVersion;
  const char* id;
  const char* name;
  const char* vendor;
  const char* url;
  const char* manualUrl;
  const char* supportUrl;
  const char* version;
  const char* description;
  const char* const* features;  // ends with a null pointer
};

struct Plugin {
  const PluginDescriptor* descriptor;
  void* pluginData;
  bool (*init)(const Plugin* plugin);
  void (*destroy)(const Plugin* plugin);
  bool (*activate)(const Plugin* plugin, double sampleRate, uint32_t minFrames, uint32_t maxFrames);
  void (*deactivate)(const Plugin* plugin);
  bool (*startProcessing)(const Plugin* plugin);
  void (*stopProcessing)(const Plugin* plugin);
  void (*reset)(const Plugin* plugin);
  int32_t (*process)(const Plugin* plugin, const Process* process);
  const void* (*getExtension)(const Plugin* plugin, const char* extensionId);
  void (*onMainThread)(const Plugin* plugin);
};

constexpr const char* kPluginFactoryId = "clap.plugin-factory";
struct PluginFactory {
  uint32_t (*getPluginCount)(const PluginFactory* factory);
  const PluginDescriptor* (*getPluginDescriptor)(const PluginFactory* factory, uint32_t index);
  const Plugin* (*createPlugin)(const PluginFactory* factory, const Host* host,
                                const char* pluginId);
};

// The exported data symbol `clap_entry` of every CLAP module has this type.
struct PluginEntry {
  Version clapVersion;
  bool (*init)(const char* pluginPath);
  void (*deinit)();
  const void* (*getFactory)(const char* factoryId);
};

// ---- extensions ----
constexpr const char* kExtAudioPorts = "clap.audio-ports";
enum AudioPortFlags : uint32_t { kAudioPortIsMain = 1u << 0 };
constexpr const char* kPortMono = "mono";
constexpr const char* kPortStereo = "stereo";
struct AudioPortInfo {
  Id id;
  char name[kNameSize];
  uint32_t flags;
  uint32_t channelCount;
  const char* portType;
  Id inPlacePair;
};
struct PluginAudioPorts {
  uint32_t (*count)(const Plugin* plugin, bool isInput);
  bool (*get)(const Plugin* plugin, uint32_t index, bool isInput, AudioPortInfo* info);
};

constexpr const char* kExtNotePorts = "clap.note-ports";
enum NoteDialect : uint32_t {
  kNoteDialectClap = 1u << 0,
  kNoteDialectMidi = 1u << 1,
  kNoteDialectMidiMpe = 1u << 2,
  kNoteDialectMidi2 = 1u << 3,
};
struct NotePortInfo {
  Id id;
  uint32_t supportedDialects;
  uint32_t preferredDialect;
  char name[kNameSize];
};
struct PluginNotePorts {
  uint32_t (*count)(const Plugin* plugin, bool isInput);
  bool (*get)(const Plugin* plugin, uint32_t index, bool isInput, NotePortInfo* info);
};

constexpr const char* kExtParams = "clap.params";
enum ParamFlags : uint32_t {
  kParamIsStepped = 1u << 0,
  kParamIsPeriodic = 1u << 1,
  kParamIsHidden = 1u << 2,
  kParamIsReadonly = 1u << 3,
  kParamIsBypass = 1u << 4,
  kParamIsAutomatable = 1u << 5,
  kParamRequiresProcess = 1u << 15,
  kParamIsEnum = 1u << 16,
};
struct ParamInfo {
  Id id;
  uint32_t flags;
  void* cookie;
  char name[kNameSize];
  char module[kPathSize];
  double minValue;
  double maxValue;
  double defaultValue;
};
struct PluginParams {
  uint32_t (*count)(const Plugin* plugin);
  bool (*getInfo)(const Plugin* plugin, uint32_t index, ParamInfo* info);
  bool (*getValue)(const Plugin* plugin, Id paramId, double* value);
  bool (*valueToText)(const Plugin* plugin, Id paramId, double value, char* text,
                      uint32_t capacity);
  bool (*textToValue)(const Plugin* plugin, Id paramId, const char* text, double* value);
  void (*flush)(const Plugin* plugin, const InputEvents* in, const OutputEvents* out);
};
enum ParamRescanFlags : uint32_t {
  kParamRescanValues = 1u << 0,
  kParamRescanText = 1u << 1,
  kParamRescanInfo = 1u << 2,
  kParamRescanAll = 1u << 3,
};
struct HostParams {
  void (*rescan)(const Host* host, uint32_t flags);
  void (*clear)(const Host* host, Id paramId, uint32_t flags);
  void (*requestFlush)(const Host* host);
};

constexpr const char* kExtState = "clap.state";
struct InputStream {
  void* context;
  int64_t (*read)(const InputStream* stream, void* buffer, uint64_t size);
};
struct OutputStream {
  void* context;
  int64_t (*write)(const OutputStream* stream, const void* buffer, uint64_t size);
};
struct PluginState {
  bool (*save)(const Plugin* plugin, const OutputStream* stream);
  bool (*load)(const Plugin* plugin, const InputStream* stream);
};
struct HostState {
  void (*markDirty)(const Host* host);
};

constexpr const char* kExtLatency = "clap.latency";
struct PluginLatency {
  uint32_t (*get)(const Plugin* plugin);
};

constexpr const char* kExtTail = "clap.tail";
struct PluginTail {
  uint32_t (*get)(const Plugin* plugin);
};

constexpr const char* kExtRender = "clap.render";
enum RenderMode : int32_t { kRenderRealtime = 0, kRenderOffline = 1 };
struct PluginRender {
  bool (*hasHardRealtimeRequirement)(const Plugin* plugin);
  bool (*set)(const Plugin* plugin, int32_t mode);
};

constexpr const char* kExtGui = "clap.gui";
constexpr const char* kWindowApiX11 = "x11";
constexpr const char* kWindowApiWin32 = "win32";
struct Window {
  const char* api;
  union {
    unsigned long x11;
    void* win32;
    void* cocoa;
    void* pointer;
  };
};
struct GuiResizeHints {
  bool canResizeHorizontally;
  bool canResizeVertically;
  bool preserveAspectRatio;
  uint32_t aspectRatioWidth;
  uint32_t aspectRatioHeight;
};
struct PluginGui {
  bool (*isApiSupported)(const Plugin* plugin, const char* api, bool isFloating);
  bool (*getPreferredApi)(const Plugin* plugin, const char** api, bool* isFloating);
  bool (*create)(const Plugin* plugin, const char* api, bool isFloating);
  void (*destroy)(const Plugin* plugin);
  bool (*setScale)(const Plugin* plugin, double scale);
  bool (*getSize)(const Plugin* plugin, uint32_t* width, uint32_t* height);
  bool (*canResize)(const Plugin* plugin);
  bool (*getResizeHints)(const Plugin* plugin, GuiResizeHints* hints);
  bool (*adjustSize)(const Plugin* plugin, uint32_t* width, uint32_t* height);
  bool (*setSize)(const Plugin* plugin, uint32_t width, uint32_t height);
  bool (*setParent)(const Plugin* plugin, const Window* window);
  bool (*setTransient)(const Plugin* plugin, const Window* window);
  void (*suggestTitle)(const Plugin* plugin, const char* title);
  bool (*show)(const Plugin* plugin);
  bool (*hide)(const Plugin* plugin);
};
struct HostGui {
  void (*resizeHintsChanged)(const Host* host);
  bool (*requestResize)(const Host* host, uint32_t width, uint32_t height);
  bool (*requestShow)(const Host* host);
  bool (*requestHide)(const Host* host);
  void (*closed)(const Host* host, bool wasDestroyed);
};

constexpr const char* kExtTimerSupport = "clap.timer-support";
struct PluginTimerSupport {
  void (*onTimer)(const Plugin* plugin, Id timerId);
};
struct HostTimerSupport {
  bool (*registerTimer)(const Host* host, uint32_t periodMs, Id* timerId);
  bool (*unregisterTimer)(const Host* host, Id timerId);
};

constexpr const char* kExtPosixFdSupport = "clap.posix-fd-support";
enum PosixFdFlags : uint32_t { kFdRead = 1u << 0, kFdWrite = 1u << 1, kFdError = 1u << 2 };
struct PluginPosixFdSupport {
  void (*onFd)(const Plugin* plugin, int fd, uint32_t flags);
};
struct HostPosixFdSupport {
  bool (*registerFd)(const Host* host, int fd, uint32_t flags);
  bool (*modifyFd)(const Host* host, int fd, uint32_t flags);
  bool (*unregisterFd)(const Host* host, int fd);
};

constexpr const char* kExtThreadCheck = "clap.thread-check";
struct HostThreadCheck {
  bool (*isMainThread)(const Host* host);
  bool (*isAudioThread)(const Host* host);
};

constexpr const char* kExtLog = "clap.log";

// Feature strings of the descriptor.
constexpr const char* kFeatureAudioEffect = "audio-effect";
constexpr const char* kFeatureMixing = "mixing";
constexpr const char* kFeatureMono = "mono";
constexpr const char* kFeatureStereo = "stereo";

}  // namespace clapabi
