// Reads a SOFA file's bytes in a process of its own, the program quendral-sofa-reader
// beside the plug-in's module. libmysofa still crashes on some damaged files that our own
// checks cannot tell apart from sound ones (fuzzing finds such inputs within a minute);
// read in the host's process, such a file, dropped on the panel, would take the host down
// with the user's unsaved work. In the reader it costs a one-line refusal instead, and a
// reader that hangs is stopped after a time limit.
//
// The reader is started with posix_spawn, which does not copy the host's memory: a fork
// of a large host would stall it while its page tables are copied, and its audio thread
// would then fault on each page it writes while the child lives. Where the reader is not
// installed beside the module (or cannot be started), the bytes are read in-process, by
// the same checks.
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
constexpr const char* kProgramName = "quendral-sofa-reader";
}  // namespace sofa_reader_process

// As readSofaMeasurements (sofa_file.h), run in the reader. A reader that dies or exceeds
// the time limit gives false with `why` saying so.
bool readSofaMeasurementsIsolated(const uint8_t* data, std::size_t size, const std::string& name,
                                  SofaMeasurements& out, std::string& why);
// The reader beside our module, or empty when there is none.
std::string sofaReaderProgram();

// The reader's side: the SOFA bytes on standard input, the message on standard output.
// Its exit status.
int runSofaReader(const std::string& name);

// The measurements as the reader sends them, and back (exposed for tests).
std::string encodeSofaMeasurements(const SofaMeasurements& measurements);
bool decodeSofaMeasurements(const std::string& bytes, SofaMeasurements& out);

}  // namespace panner
