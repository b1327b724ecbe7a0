#include "state_chunk.h"

#include <algorithm>
#include <cstring>

namespace panner {

namespace chunk {

namespace {

constexpr uint8_t kMagic[4] = {'Q', 'N', 'D', 'R'};

// Little-endian output, whatever the machine's byte order.
class Writer {
 public:
  explicit Writer(uint8_t* out) : out_(out) {}

  void u16(uint16_t v) {
    for (int i = 0; i < 2; ++i) out_[pos_++] = static_cast<uint8_t>(v >> (8 * i));
  }
  void u32(uint32_t v) {
    for (int i = 0; i < 4; ++i) out_[pos_++] = static_cast<uint8_t>(v >> (8 * i));
  }
  void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
  void f32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    u32(bits);
  }
  void bytes(const void* from, std::size_t n) {
    std::memcpy(out_ + pos_, from, n);
    pos_ += n;
  }
  std::size_t position() const { return pos_; }

 private:
  uint8_t* out_;
  std::size_t pos_ = 0;
};

// Little-endian input; the caller has checked that every read stays inside the data.
class Reader {
 public:
  explicit Reader(const uint8_t* in) : in_(in) {}

  uint16_t u16() {
    const uint16_t v = static_cast<uint16_t>(in_[pos_] | (in_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
  }
  uint32_t u32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(in_[pos_++]) << (8 * i);
    return v;
  }
  int32_t i32() { return static_cast<int32_t>(u32()); }
  float f32() {
    const uint32_t bits = u32();
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
  }
  void bytes(void* to, std::size_t n) {
    std::memcpy(to, in_ + pos_, n);
    pos_ += n;
  }

 private:
  const uint8_t* in_;
  std::size_t pos_ = 0;
};

void writeProgramFields(Writer& w, const StoredProgram& p) {
  for (float v :
       {p.angle, p.midiLfoTempo, p.lfoDivide, p.filterNumber, p.lfoSpeed, p.lfoPosition, p.gain})
    w.f32(v);
  for (float v : p.pointTime) w.f32(v);
  for (float v : p.pointValue) w.f32(v);
  w.bytes(p.name, kProgramNameLen);
}

void readProgramFields(Reader& r, StoredProgram& p) {
  for (float* v : {&p.angle, &p.midiLfoTempo, &p.lfoDivide, &p.filterNumber, &p.lfoSpeed,
                   &p.lfoPosition, &p.gain})
    *v = r.f32();
  for (float& v : p.pointTime) v = r.f32();
  for (float& v : p.pointValue) v = r.f32();
  r.bytes(p.name, kProgramNameLen);
  p.name[kProgramNameLen - 1] = 0;
}

// The head tracking settings (minor version 4, banks): flags, then the port.
void writeTrackingFields(Writer& w, const HeadTrackingSettings& t) {
  w.u32(static_cast<uint32_t>(t.packed()));
  w.i32(t.port);
}

void readTrackingFields(Reader& r, HeadTrackingSettings& t) {
  t = HeadTrackingSettings::unpacked(r.u32());
  t.port = r.i32();
}

// Writes the header in front of a payload already written after it.
std::size_t finish(uint8_t* out, Kind kind, std::size_t payloadSize) {
  Writer w(out);
  w.bytes(kMagic, sizeof kMagic);
  w.u16(kMajorVersion);
  w.u16(kMinorVersion);
  w.u32(static_cast<uint32_t>(kind));
  w.u32(static_cast<uint32_t>(payloadSize));
  w.u32(crc32(out + kHeaderSize, payloadSize));
  return kHeaderSize + payloadSize;
}

// The size of the fields the given minor version writes for `kind` before the own set's
// block (which minor version 2 added).
std::size_t payloadSizeOfMinor(Kind kind, uint16_t minor) {
  if (kind == Kind::kProgram) return kProgramPayloadSize;
  return minor == 0 ? kBankPayloadSizeMinor0 : kBankPayloadSize;
}

// The size of the fields the given minor version appends after the own set's block
// (minor version 3 added the elevations).
std::size_t appendedSizeOfMinor(Kind kind, uint16_t minor) {
  if (minor < 3) return 0;
  if (kind == Kind::kProgram) return kProgramElevationSize;
  return kBankElevationSize + (minor >= 4 ? kBankTrackingSize : 0) +
         (minor >= 5 ? kBankEditorSizeSize : 0);
}

// Minor version 5: the panel size the user chose, after the head tracking settings of a bank.
void writeEditorSize(Writer& w, const BankState& state) { w.i32(state.editorSizePercent); }
void readEditorSize(Reader& r, BankState& state) { state.editorSizePercent = r.i32(); }

// The own set's block after `fixed` bytes of payload: its size from its own header; it and
// the fields its minor version appends reach exactly to the payload's end up to this minor
// version, and lie within the payload in later ones. False when they do not fit; `own`
// untouched then. `blockSize` receives the block's size.
bool readOwnSetBlock(const uint8_t* payload, std::size_t payloadSize, std::size_t fixed, Kind kind,
                     uint16_t minor, OwnSetState& own, std::size_t& blockSize) {
  if (payloadSize < fixed + kOwnSetBlockHeader) return false;
  Reader r(payload + fixed + 4);
  const std::size_t block = kOwnSetBlockHeader + r.u32();
  const std::size_t known = block + appendedSizeOfMinor(kind, std::min(minor, kMinorVersion));
  if (block > payloadSize - fixed || known > payloadSize - fixed) return false;
  if (minor <= kMinorVersion && known != payloadSize - fixed) return false;
  blockSize = block;
  return parseOwnSetBlock(payload + fixed, block, own);
}

// The payload of a sound chunk of `kind`, or null. A payload longer than this version's
// comes from a later minor version: what this version knows is at its start. A chunk of an
// earlier minor version has exactly that version's payload; from minor version 2 on the
// own set's block follows, of its own size.
const uint8_t* checkedPayload(const uint8_t* data, std::size_t size, Kind kind,
                              std::size_t& payloadSizeOut, uint16_t& minorOut) {
  if (!data || size < kHeaderSize) return nullptr;
  if (std::memcmp(data, kMagic, sizeof kMagic) != 0) return nullptr;
  Reader r(data + sizeof kMagic);
  const uint16_t major = r.u16();
  const uint16_t minor = r.u16();
  const uint32_t storedKind = r.u32();
  const uint32_t payloadSize = r.u32();
  const uint32_t checksum = r.u32();
  if (major != kMajorVersion || storedKind != static_cast<uint32_t>(kind)) return nullptr;
  if (payloadSize != size - kHeaderSize) return nullptr;  // truncated or too long
  const std::size_t knownPayloadSize = payloadSizeOfMinor(kind, std::min(minor, kMinorVersion));
  if (payloadSize < knownPayloadSize) return nullptr;
  if (minor < 2 && payloadSize != knownPayloadSize) return nullptr;
  if (crc32(data + kHeaderSize, payloadSize) != checksum) return nullptr;
  payloadSizeOut = payloadSize;
  minorOut = minor;
  return data + kHeaderSize;
}

}  // namespace

uint32_t crc32(const uint8_t* data, std::size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::size_t bankChunkSize(const BankState& state) {
  return kBankChunkSize + ownSetBlockSize(state.own) + kBankElevationSize + kBankTrackingSize +
         kBankEditorSizeSize;
}

std::size_t programChunkSize(const OwnSetState& own) {
  return kProgramChunkSize + ownSetBlockSize(own) + kProgramElevationSize;
}

std::size_t writeBank(const BankState& state, uint8_t* out) {
  Writer w(out + kHeaderSize);
  w.i32(state.currentProgram);
  for (const StoredProgram& program : state.programs) writeProgramFields(w, program);
  const LiveState& live = state.live;
  for (float v : {live.targetAngle, live.currentAngle, live.lfoPosition, live.lfoSpeed}) w.f32(v);
  w.i32(live.fromPoint);
  w.i32(live.toPoint);
  w.f32(live.lfoPositionResidual);
  const std::size_t fixed = w.position();
  const std::size_t block = ownSetBlockSize(state.own);
  writeOwnSetBlock(state.own, out + kHeaderSize + fixed);
  Writer appended(out + kHeaderSize + fixed + block);
  for (const StoredProgram& program : state.programs) appended.f32(program.elevation);
  appended.f32(live.currentElevation);
  writeTrackingFields(appended, state.tracking);
  writeEditorSize(appended, state);
  return finish(out, Kind::kBank, fixed + block + appended.position());
}

std::size_t writeProgram(const StoredProgram& program, const OwnSetState& own, uint8_t* out) {
  Writer w(out + kHeaderSize);
  writeProgramFields(w, program);
  const std::size_t fixed = w.position();
  const std::size_t block = ownSetBlockSize(own);
  writeOwnSetBlock(own, out + kHeaderSize + fixed);
  Writer appended(out + kHeaderSize + fixed + block);
  appended.f32(program.elevation);
  return finish(out, Kind::kProgram, fixed + block + appended.position());
}

bool parseBank(const uint8_t* data, std::size_t size, BankState& out) {
  std::size_t payloadSize = 0;
  uint16_t minor = 0;
  const uint8_t* payload = checkedPayload(data, size, Kind::kBank, payloadSize, minor);
  if (!payload) return false;
  out.own = OwnSetState();
  std::size_t block = 0;
  if (minor >= 2 &&
      !readOwnSetBlock(payload, payloadSize, kBankPayloadSize, Kind::kBank, minor, out.own, block))
    return false;
  Reader r(payload);
  out.currentProgram = r.i32();
  for (StoredProgram& program : out.programs) readProgramFields(r, program);
  LiveState& live = out.live;
  for (float* v : {&live.targetAngle, &live.currentAngle, &live.lfoPosition, &live.lfoSpeed})
    *v = r.f32();
  live.fromPoint = r.i32();
  live.toPoint = r.i32();
  live.lfoPositionResidual = payloadSize >= kBankPayloadSize ? r.f32() : 0.0f;
  live.currentElevation = 0.0f;
  out.editorSizePercent = 0;
  if (minor >= 3) {
    Reader appended(payload + kBankPayloadSize + block);
    for (StoredProgram& program : out.programs) program.elevation = appended.f32();
    live.currentElevation = appended.f32();
    out.tracking = HeadTrackingSettings();
    if (minor >= 4) readTrackingFields(appended, out.tracking);
    if (minor >= 5) readEditorSize(appended, out);
  }
  return true;
}

bool parseProgram(const uint8_t* data, std::size_t size, StoredProgram& out, OwnSetState& own,
                  bool& hasOwn) {
  std::size_t payloadSize = 0;
  uint16_t minor = 0;
  const uint8_t* payload = checkedPayload(data, size, Kind::kProgram, payloadSize, minor);
  if (!payload) return false;
  hasOwn = minor >= 2;
  std::size_t block = 0;
  if (hasOwn && !readOwnSetBlock(payload, payloadSize, kProgramPayloadSize, Kind::kProgram, minor,
                                 own, block))
    return false;
  Reader r(payload);
  readProgramFields(r, out);
  out.elevation = minor >= 3 ? Reader(payload + kProgramPayloadSize + block).f32() : 0.5f;
  return true;
}

}  // namespace chunk

}  // namespace panner
