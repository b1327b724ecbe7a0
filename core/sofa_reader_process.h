// Reads a SOFA file's bytes in a child process. libmysofa still crashes on some damaged
// files that our own checks cannot tell apart from sound ones (fuzzing finds such inputs
// within a minute); read in the host's process, such a file, dropped on the panel, would
// take the host down with the user's unsaved work. In a child (fork, no exec: the bytes
// and the reader are already there) it costs a one-line refusal instead, and a reader that
// hangs is stopped after a time limit.
//
// Linux only, like the reader. Never on the audio thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "own_response_set.h"

namespace panner {

namespace sofa_reader_process {
constexpr int kTimeLimitSeconds = 30;  // far beyond what the largest accepted file takes
}

// As readSofaMeasurements (sofa_file.h), run in a child process. A child that dies or
// exceeds the time limit gives false with `why` saying so. Where no child can be made (no
// memory, the process limit), the bytes are read here instead.
bool readSofaMeasurementsIsolated(const uint8_t* data, std::size_t size, const std::string& name,
                                  SofaMeasurements& out, std::string& why);

// The measurements as the child sends them, and back (exposed for tests).
std::string encodeSofaMeasurements(const SofaMeasurements& measurements);
bool decodeSofaMeasurements(const std::string& bytes, SofaMeasurements& out);

}  // namespace panner
