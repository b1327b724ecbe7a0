// Reads a SOFA file (AES69, the SimpleFreeFieldHRIR convention, two receivers) for a user's
// own response set, with Debian's libmysofa: the file is read whole, checked by our own
// rules first (its size, the HDF5 signature), handed to libmysofa from memory
// (mysofa_load_data, the loader behind mysofa_load, so every check sees the bytes libmysofa
// parses) and checked by mysofa_check. libmysofa's mysofa_open is not used: it resamples with
// its own filter and normalises to another direction than the front; the engine's own
// preparation (dsp/own_response_set.h) does that.
//
// Linux only: Debian has no libmysofa for mingw, so on Windows a set arrives with a project
// or preset. Never on the audio thread (reads files, allocates).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "own_response_set.h"
#include "receiver_sides.h"

namespace panner {

// The measurements of the SOFA file held in `data` (`name` is shown when the file has no
// title). False with `why` one line naming the problem.
bool readSofaMeasurements(const uint8_t* data, std::size_t size, const std::string& name,
                          SofaMeasurements& out, std::string& why);

// The file at `path` made into an own response set: read (by a child process,
// sofa_reader_process.h), checked and prepared. True with
// `status` describing the set, ending in kEarsByMeasurementNote when the file's receiver
// positions contradict its data (then `*earsContradicted`, if given, is set); false with
// `status` one line naming the problem, `out` untouched.
bool loadOwnResponseSet(const std::string& path, OwnResponseSet& out, std::string& status,
                        bool* earsContradicted = nullptr);

}  // namespace panner
