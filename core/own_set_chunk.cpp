#include "own_set_chunk.h"

#include <cstring>
#include <new>

namespace panner {

namespace chunk {

namespace {

void put32(uint8_t*& p, uint32_t v) {
  for (int i = 0; i < 4; ++i) *p++ = static_cast<uint8_t>(v >> (8 * i));
}
void putFloat(uint8_t*& p, float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  put32(p, bits);
}
uint32_t get32(const uint8_t*& p) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(*p++) << (8 * i);
  return v;
}
float getFloat(const uint8_t*& p) {
  const uint32_t bits = get32(p);
  float v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

// Flags of the ring's header.
constexpr uint32_t kMirrored = 1;
constexpr uint32_t kOffRing = 2;  // the directions above and below the ring follow its taps

std::size_t ringSize(const OwnResponseSet& set) {
  std::size_t size = kRingHeader + set.name.size() + 4 * set.angles.size() + 4 * set.taps.size();
  if (set.offRingRows() > 0) size += 4 + 8 * set.offRingAngles.size() + 4 * set.offRingTaps.size();
  return size;
}

}  // namespace

std::size_t ownSetBlockSize(const OwnSetState& state) {
  return kOwnSetBlockHeader + (state.set ? ringSize(*state.set) : 0);
}

void writeOwnSetBlock(const OwnSetState& state, uint8_t* out) {
  put32(out, state.on ? 1u : 0u);
  put32(out, state.set ? static_cast<uint32_t>(ringSize(*state.set)) : 0u);
  if (!state.set) return;
  const OwnResponseSet& s = *state.set;
  uint64_t rateBits;
  std::memcpy(&rateBits, &s.rate, sizeof rateBits);
  put32(out, static_cast<uint32_t>(rateBits));
  put32(out, static_cast<uint32_t>(rateBits >> 32));
  put32(out, static_cast<uint32_t>(s.length));
  put32(out, static_cast<uint32_t>(s.angles.size()));
  put32(out, (s.mirrored ? kMirrored : 0u) | (s.offRingRows() > 0 ? kOffRing : 0u));
  putFloat(out, s.elevation);
  put32(out, s.checksum);
  put32(out, static_cast<uint32_t>(s.name.size()));
  std::memcpy(out, s.name.data(), s.name.size());
  out += s.name.size();
  for (float a : s.angles) putFloat(out, a);
  for (float v : s.taps) putFloat(out, v);
  if (s.offRingRows() == 0) return;
  put32(out, static_cast<uint32_t>(s.offRingRows()));
  for (int row = 0; row < s.offRingRows(); ++row) {
    putFloat(out, s.offRingAngles[row]);
    putFloat(out, s.offRingElevations[row]);
  }
  for (float v : s.offRingTaps) putFloat(out, v);
}

bool parseOwnSetBlock(const uint8_t* data, std::size_t size, OwnSetState& out) {
  if (size < kOwnSetBlockHeader) return false;
  const uint8_t* p = data;
  const uint32_t on = get32(p);
  const uint32_t ring = get32(p);
  if (on > 1 || ring != size - kOwnSetBlockHeader) return false;
  OwnSetState state;
  state.on = on == 1;
  if (ring == 0) {
    out = std::move(state);
    return true;
  }
  if (ring < kRingHeader) return false;
  const uint32_t low = get32(p), high = get32(p);
  const uint64_t rateBits = uint64_t(high) << 32 | low;
  double rate;
  std::memcpy(&rate, &rateBits, sizeof rate);
  const uint32_t length = get32(p), rows = get32(p), flags = get32(p);
  const float elevation = getFloat(p);
  const uint32_t checksum = get32(p), nameLength = get32(p);
  // Each size within its limit before any product is formed, so nothing overflows.
  if (flags > (kMirrored | kOffRing) || rows == 0 ||
      rows > static_cast<uint32_t>(own_set::kMaxRows) || length == 0 ||
      length > own_set::kMaxValues || nameLength > own_set::kMaxNameBytes ||
      std::size_t(rows) * 2 * length > own_set::kMaxValues)
    return false;
  const std::size_t values = std::size_t(rows) * 2 * length;
  const std::size_t ringPart = kRingHeader + nameLength + 4 * std::size_t(rows) + 4 * values;
  // The directions off the ring: their count follows the ring's taps.
  std::size_t offRows = 0;
  if (flags & kOffRing) {
    if (ring < ringPart + 4) return false;
    const uint8_t* at = data + kOwnSetBlockHeader + ringPart;
    offRows = get32(at);
    if (offRows == 0 || rows + offRows > static_cast<std::size_t>(own_set::kMaxDirections) ||
        (rows + offRows) * 2 * length > own_set::kMaxValues ||
        ring != ringPart + 4 + 8 * offRows + 4 * offRows * 2 * length)
      return false;
  } else if (ring != ringPart) {
    return false;
  }
  try {
    auto set = std::make_shared<OwnResponseSet>();
    set->rate = rate;
    set->length = static_cast<int32_t>(length);
    set->mirrored = (flags & kMirrored) != 0;
    set->elevation = elevation;
    set->checksum = checksum;
    set->name.assign(reinterpret_cast<const char*>(p), nameLength);
    p += nameLength;
    set->angles.resize(rows);
    for (float& a : set->angles) a = getFloat(p);
    set->taps.resize(values);
    for (float& v : set->taps) v = getFloat(p);
    if (offRows > 0) {
      p += 4;  // the count, read above
      set->offRingAngles.resize(offRows);
      set->offRingElevations.resize(offRows);
      for (std::size_t row = 0; row < offRows; ++row) {
        set->offRingAngles[row] = getFloat(p);
        set->offRingElevations[row] = getFloat(p);
      }
      set->offRingTaps.resize(offRows * 2 * length);
      for (float& v : set->offRingTaps) v = getFloat(p);
    }
    state.set = std::move(set);
  } catch (const std::bad_alloc&) {
    return false;
  }
  out = std::move(state);
  return true;
}

}  // namespace chunk

}  // namespace panner
