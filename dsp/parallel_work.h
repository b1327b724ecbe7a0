// Runs one piece of table-building work on several of the processor's cores at once.
// Off the audio thread only: it starts threads.
#pragma once

#include <algorithm>
#include <exception>
#include <thread>
#include <vector>

namespace panner {

// Calls `work` on up to as many threads as the processor has cores (at most eight), the
// calling thread among them, and returns when every call has returned. `work` shares its
// jobs out itself (an atomic counter) and must not throw. Where no thread can be started,
// the calling thread does it all.
template <class Work>
void runOnCores(Work& work) {
  const unsigned cores = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
  std::vector<std::thread> helpers;
  try {
    helpers.reserve(cores - 1);
    for (unsigned i = 1; i < cores; ++i) helpers.emplace_back([&work] { work(); });
  } catch (const std::exception&) {
    // Fewer threads, or none: those started and this one share the jobs.
  }
  work();
  for (std::thread& t : helpers) t.join();
}

}  // namespace panner
