// The plug-in's saved state as bytes: the chunk a host stores in its project through
// effGetChunk and hands back through effSetChunk. A bank chunk carries all eight programs,
// the current program and the live motion of the source; a program chunk carries one
// program. docs/chunk-format.md describes the layout.
//
// This file only turns state into bytes and bytes into state: it checks that a chunk is
// whole and ours (magic, version, kind, length, checksum) but not what the values mean.
// The plug-in confines the values when it applies them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "head_tracking_settings.h"
#include "own_set_chunk.h"
#include "parameters.h"

namespace panner {

namespace chunk {

constexpr uint16_t kMajorVersion = 1;  // a reader refuses any other major version
constexpr uint16_t kMinorVersion = 5;  // later minor versions only append to the payload

enum class Kind : uint32_t { kBank = 0, kProgram = 1 };

// One program as stored: the values of ProgramRecord, in its field order, and its name.
struct StoredProgram {
  float angle = 0.0f;
  float midiLfoTempo = 0.0f;
  float lfoDivide = 0.0f;
  float filterNumber = 0.0f;
  float lfoSpeed = 0.0f;
  float lfoPosition = 0.0f;
  float gain = 0.0f;
  float pointTime[AngleModulator::kPoints] = {};
  float pointValue[AngleModulator::kPoints] = {};
  char name[kProgramNameLen] = {};  // always zero-terminated after parsing
  // From minor version 3, after the own set's block; 0 degrees (0.5) in older chunks.
  float elevation = 0.5f;
};

// What moves by itself and so cannot be rebuilt from the programs: the modulator's target
// and position, its signed speed (0 stopped; with tempo sync, the speed taken from the
// host), the envelope segment it travels, and the azimuth the filters use.
struct LiveState {
  float targetAngle = 0.0f;
  float currentAngle = 0.0f;
  float lfoPosition = 0.0f;
  float lfoSpeed = 0.0f;
  int32_t fromPoint = 0;
  int32_t toPoint = 1;
  // From minor version 1: the running LFO position minus lfoPosition (the modulator runs in
  // double precision), so a running sweep reloads exactly. 0 in older chunks.
  float lfoPositionResidual = 0.0f;
  // From minor version 3: the elevation the filters use, degrees. 0 in older chunks.
  float currentElevation = 0.0f;
};

struct BankState {
  int32_t currentProgram = 0;
  StoredProgram programs[kNumPrograms];
  LiveState live;
  OwnSetState own;  // from minor version 2; off and none in older chunks
  // From minor version 4, banks only (a preset does not switch tracking); off in older chunks.
  HeadTrackingSettings tracking;
  // From minor version 5: the panel size the user chose, in percent, 0 when none was
  // chosen (the panel then takes the host's or the system's). 0 in older chunks.
  int32_t editorSizePercent = 0;
};

constexpr std::size_t kHeaderSize = 20;
constexpr std::size_t kProgramPayloadSize = 23 * 4 + kProgramNameLen;
constexpr std::size_t kLivePayloadSize = 6 * 4;
constexpr std::size_t kLiveExtensionSize = 4;  // minor version 1: the position residual
// The bank payload as minor version 0 wrote it, and as this version writes it.
constexpr std::size_t kBankPayloadSizeMinor0 =
    4 + kNumPrograms * kProgramPayloadSize + kLivePayloadSize;
constexpr std::size_t kBankPayloadSize = kBankPayloadSizeMinor0 + kLiveExtensionSize;
constexpr std::size_t kProgramChunkSize = kHeaderSize + kProgramPayloadSize;
constexpr std::size_t kBankChunkSize = kHeaderSize + kBankPayloadSize;
// From minor version 2 both kinds continue with the own set's block (own_set_chunk.h), whose
// size depends on the set: at most kMaxOwnSetBlock bytes. Minor version 3 appends the
// elevations after it: the program's in a program chunk; in a bank, the eight programs'
// and the elevation in use.
constexpr std::size_t kProgramElevationSize = 4;
constexpr std::size_t kBankElevationSize = kNumPrograms * 4 + 4;
// Minor version 4 appends the head tracking settings to a bank, after the elevations;
// minor version 5 the panel's size after them (programs carry neither).
constexpr std::size_t kBankTrackingSize = 8;
constexpr std::size_t kBankEditorSizeSize = 4;
constexpr std::size_t kMaxChunkSize =
    kBankChunkSize + kMaxOwnSetBlock + kBankElevationSize + kBankTrackingSize + kBankEditorSizeSize;

// The size of the whole chunk writeBank or writeProgram writes.
std::size_t bankChunkSize(const BankState& state);
std::size_t programChunkSize(const OwnSetState& own);
// Write a whole chunk into `out`, which holds at least that many bytes; return the number
// of bytes written.
std::size_t writeBank(const BankState& state, uint8_t* out);
std::size_t writeProgram(const StoredProgram& program, const OwnSetState& own, uint8_t* out);

// False, with `out` unspecified, unless `data` is exactly one complete chunk of the kind
// asked for: magic, a major version this reader knows, the length equal to `size`, and the
// checksum of the payload.
bool parseBank(const uint8_t* data, std::size_t size, BankState& out);
// A program chunk's own-set block goes to `own` when the chunk has one (`hasOwn`).
bool parseProgram(const uint8_t* data, std::size_t size, StoredProgram& out, OwnSetState& own,
                  bool& hasOwn);

// CRC-32 (IEEE 802.3, as zlib and PNG compute it) of `size` bytes.
uint32_t crc32(const uint8_t* data, std::size_t size);

}  // namespace chunk

}  // namespace panner
