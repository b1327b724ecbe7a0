// The measured response sets, and their tables for a sample rate, are the same in every
// engine of the process, and building them takes time (the tables tens of milliseconds).
// So engines share them: the first engine that needs them builds them, and they stay while
// any engine holds them. These calls lock: they run when an engine is made or its rate
// changes, never on the audio thread.
#pragma once

#include <memory>

#include "response_sets.h"
#include "response_tables.h"
#include "sphere_tables.h"

namespace panner {

// Null when memory ran out.
std::shared_ptr<const ResponseSets> sharedResponseSets();
std::shared_ptr<const SphereSets> sharedSphereSets();

// The sphere's tables for `rate`, cut to `partitions` (the horizontal tables' count there);
// null when memory ran out.
std::shared_ptr<const SphereTables> sharedSphereTables(double rate, int partitions);

// The tables of `sets` for `rate`; null when the rate is out of range or memory ran out.
std::shared_ptr<const ResponseTables> sharedResponseTables(
    const std::shared_ptr<const ResponseSets>& sets, double rate);

}  // namespace panner
