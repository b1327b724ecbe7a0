// The own response set as the state chunk carries it (docs/chunk-format.md, from minor
// version 2): the switch (parameter 23) and the set as used (its ring, and the directions
// above and below it when it has them, flagged in the ring's header), so a project or preset
// reloads to the same sound without the SOFA file. Bytes only; what the ring holds is
// checked by checkOwnResponseSet when it is applied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "own_response_set.h"

namespace panner {

namespace chunk {

struct OwnSetState {
  bool on = false;                            // parameter 23
  std::shared_ptr<const OwnResponseSet> set;  // null: none loaded
};

// The block's fixed part (switch, ring size) and the ring's fixed part (rate, length, rows,
// flags, elevation, checksum, name length).
constexpr std::size_t kOwnSetBlockHeader = 8;
constexpr std::size_t kRingHeader = 32;
// The largest block: the longest name, the most directions and taps the limits allow (on
// and off the ring: 8 MiB of taps, 8 MiB and 40 KiB in all).
constexpr std::size_t kMaxOwnSetBlock = kOwnSetBlockHeader + kRingHeader + own_set::kMaxNameBytes +
                                        4 * own_set::kMaxRows + 4 + 8 * own_set::kMaxDirections +
                                        4 * own_set::kMaxValues;

std::size_t ownSetBlockSize(const OwnSetState& state);
// Writes ownSetBlockSize(state) bytes at `out`.
void writeOwnSetBlock(const OwnSetState& state, uint8_t* out);
// Reads a block of exactly `size` bytes; false when its sizes do not add up. The ring's
// values are not judged here.
bool parseOwnSetBlock(const uint8_t* data, std::size_t size, OwnSetState& out);

}  // namespace chunk

}  // namespace panner
