#include "input_checks.h"

#include <sys/stat.h>

#include <cstring>

#include "render_error.h"
#include "response_tables.h"

namespace render {
namespace {

// quendral's identifier, the four bytes "kTzq" lowest address first, as AEffect holds it.
int32_t quendralUniqueId() {
  const char bytes[4] = {'k', 'T', 'z', 'q'};
  int32_t id = 0;
  std::memcpy(&id, bytes, sizeof id);
  return id;
}

std::string kilohertz(double rate) {
  std::string text = std::to_string(rate / 1000.0);
  text.erase(text.find_last_not_of('0') + 1);
  if (text.back() == '.') text.pop_back();
  return text + " kHz";
}

}  // namespace

void refuseOutputThatIsInput(const std::string& input, const std::string& output) {
  struct stat in {};
  struct stat out {};
  if (stat(input.c_str(), &in) != 0 || stat(output.c_str(), &out) != 0) return;
  if (in.st_dev == out.st_dev && in.st_ino == out.st_ino)
    throw RenderError("OUTPUT " + output + " is the INPUT file " + input +
                      "; write the render to another file");
}

void refuseRateThePluginRefuses(int32_t uniqueId, double sampleRate) {
  using panner::ResponseTables;
  if (uniqueId != quendralUniqueId()) return;
  if (sampleRate >= ResponseTables::kMinRate && sampleRate <= ResponseTables::kMaxRate) return;
  throw RenderError("quendral takes " + kilohertz(ResponseTables::kMinRate) + " to " +
                    kilohertz(ResponseTables::kMaxRate) + ", not " + kilohertz(sampleRate) +
                    ": resample the input first (e.g. sox IN.wav -r 44100 OUT.wav)");
}

}  // namespace render
