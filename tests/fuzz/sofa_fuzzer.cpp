// Fuzz target: any bytes as a SOFA file through our checks, libmysofa and the ring's
// preparation (libmysofa is not instrumented: its faults show as crashes).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "own_response_set.h"
#include "sofa_file.h"

namespace {

void require(bool holds, const char* rule, const std::string& detail) {
  if (holds) return;
  std::fprintf(stderr, "rule broken: %s (%s)\n", rule, detail.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  panner::SofaMeasurements measurements;
  std::string why;
  if (!panner::readSofaMeasurements(data, size, "fuzz.sofa", measurements, why)) {
    require(!why.empty() && why.find('\n') == std::string::npos, "one-line refusal", why);
    return 0;
  }
  panner::OwnResponseSet set;
  if (!panner::prepareOwnResponseSet(measurements, set, why)) {
    require(!why.empty() && why.find('\n') == std::string::npos, "one-line refusal", why);
    require(set.taps.empty() && set.angles.empty(), "refusal changes nothing", why);
    return 0;
  }
  panner::OwnResponseSet copy = set;
  std::string again;
  require(panner::checkOwnResponseSet(copy, again), "an accepted ring keeps the limits", again);
  return 0;
}
