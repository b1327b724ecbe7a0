// Shares independent pieces of table-building work out among the processor's cores.
// Off the audio thread only: it starts threads.
#pragma once

#include <algorithm>
#include <atomic>
#include <exception>
#include <new>
#include <thread>
#include <vector>

namespace panner {

// Calls job(scratch, i) once for every i in 0..jobs-1, on up to as many threads as the
// processor has cores (at most eight), the calling thread among them; each thread has a
// Scratch of its own, default-constructed. Returns when every job is done. A job may throw
// std::bad_alloc only: the jobs not yet started are then dropped and it is thrown here.
// Where no thread can be started, the calling thread does every job.
template <class Scratch, class Job>
void shareOut(int jobs, Job&& job) {
  std::atomic<int> next{0};
  std::atomic<bool> outOfMemory{false};
  auto work = [&] {
    try {
      Scratch scratch;
      for (int i; (i = next.fetch_add(1)) < jobs;) job(scratch, i);
    } catch (const std::bad_alloc&) {
      outOfMemory = true;
      next = jobs;
    }
  };
  const int cores = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
  const int threads = std::max(1, std::min(cores, jobs));  // the calling thread among them
  std::vector<std::thread> helpers;
  try {
    helpers.reserve(static_cast<size_t>(threads - 1));
    for (int i = 1; i < threads; ++i) helpers.emplace_back(work);
  } catch (const std::exception&) {
    // Fewer threads, or none: those started and this one share the jobs.
  }
  work();
  for (std::thread& t : helpers) t.join();
  if (outOfMemory) throw std::bad_alloc();
}

}  // namespace panner
