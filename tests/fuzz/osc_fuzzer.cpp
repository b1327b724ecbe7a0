// The OSC parser on any packet: it returns, a reading it takes is finite (a unit quaternion),
// and every message is taken or counted as ignored.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "osc_head_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  panner::OscHeadParser parser;
  panner::TrackerReading reading;
  const int taken = parser.parsePacket(data, size, reading);
  const bool emptyBundle = size == 16 && std::memcmp(data, "#bundle", 8) == 0;
  if (taken < 0 || (taken == 0 && parser.ignored() == 0 && !emptyBundle)) std::abort();
  if (taken > 0) {
    double norm = 0.0;
    for (float v : reading.value) {
      if (!std::isfinite(v)) std::abort();
      norm += double(v) * v;
    }
    if (reading.kind == panner::TrackerReading::kQuaternion && std::fabs(norm - 1.0) > 1e-4)
      std::abort();
  }
  return 0;
}
