// Coverage-guided fuzz target for the own-set reader: any bytes as a SOFA file, through our
// own checks, libmysofa (mysofa_load_data, mysofa_check) and the preparation of the ring.
// Besides the sanitizers' reports, every input checks that a refusal is one line and that
// an accepted ring keeps every limit a saved project is held to. The seeds in sofa_corpus/
// are small SimpleFreeFieldHRIR files written by ncgen.
//
// libmysofa itself is Debian's build, not instrumented: a fault inside it shows as a crash
// without a sanitizer's report. Our checks refuse what we can see before it reads the bytes
// (the superblock must describe a whole file of this size); what lies deeper is its own.
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
