#include "shared_responses.h"

#include <mutex>
#include <new>
#include <vector>

namespace panner {

namespace {

std::mutex gMutex;
std::weak_ptr<const ResponseSets> gSets;

struct TablesEntry {
  const ResponseSets* sets;
  double rate;
  std::weak_ptr<const ResponseTables> tables;
};
std::vector<TablesEntry> gTables;
std::weak_ptr<const SphereSets> gSphereSets;
struct SphereEntry {
  double rate;
  int partitions;
  std::weak_ptr<const SphereTables> tables;
};
std::vector<SphereEntry> gSphereTables;

}  // namespace

std::shared_ptr<const ResponseSets> sharedResponseSets() {
  std::lock_guard<std::mutex> lock(gMutex);
  if (std::shared_ptr<const ResponseSets> sets = gSets.lock()) return sets;
  try {
    std::shared_ptr<const ResponseSets> made = std::make_shared<const ResponseSets>();
    gSets = made;
    return made;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

std::shared_ptr<const ResponseTables> sharedResponseTables(
    const std::shared_ptr<const ResponseSets>& sets, double rate) {
  if (!sets) return nullptr;
  std::lock_guard<std::mutex> lock(gMutex);
  std::erase_if(gTables, [](const TablesEntry& entry) { return entry.tables.expired(); });
  for (const TablesEntry& entry : gTables) {
    if (entry.sets != sets.get() || entry.rate != rate) continue;
    if (std::shared_ptr<const ResponseTables> tables = entry.tables.lock()) return tables;
  }
  try {
    std::shared_ptr<const ResponseTables> made = ResponseTables::create(*sets, rate);
    if (made) gTables.push_back({sets.get(), rate, made});
    return made;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

std::shared_ptr<const SphereSets> sharedSphereSets() {
  std::lock_guard<std::mutex> lock(gMutex);
  if (std::shared_ptr<const SphereSets> sets = gSphereSets.lock()) return sets;
  try {
    std::shared_ptr<const SphereSets> made = std::make_shared<const SphereSets>();
    gSphereSets = made;
    return made;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

std::shared_ptr<const SphereTables> sharedSphereTables(double rate, int partitions) {
  std::shared_ptr<const SphereSets> sets = sharedSphereSets();
  if (!sets) return nullptr;
  std::lock_guard<std::mutex> lock(gMutex);
  std::erase_if(gSphereTables, [](const SphereEntry& entry) { return entry.tables.expired(); });
  for (const SphereEntry& entry : gSphereTables) {
    if (entry.rate != rate || entry.partitions != partitions) continue;
    if (std::shared_ptr<const SphereTables> tables = entry.tables.lock()) return tables;
  }
  try {
    std::shared_ptr<const SphereTables> made =
        SphereTables::build(sets, {&sets->set(0), &sets->set(1)}, rate, partitions);
    if (made) gSphereTables.push_back({rate, partitions, made});
    return made;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace panner
