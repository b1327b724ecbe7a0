// Loads a user's own response set from a SOFA file on a worker thread, so the panel and
// the host's user interface keep running while the set's tables are built (the audio is
// never held up either way: the core hands the finished set over with one atomic store).
// One load at a time; the panel asks for the result at its idle.
#pragma once

#include <atomic>
#include <string>
#include <thread>

namespace panner {

class QuendralCore;

class OwnSetLoader {
 public:
  explicit OwnSetLoader(QuendralCore& core);
  ~OwnSetLoader();  // waits for a load in progress
  OwnSetLoader(const OwnSetLoader&) = delete;
  OwnSetLoader& operator=(const OwnSetLoader&) = delete;

  // Starts loading `path`; false, starting nothing, while another load runs.
  bool start(const std::string& path);
  bool busy() const { return state.load(std::memory_order_acquire) != kIdle; }
  // The file of the load in progress, or of the last one (its name without folders).
  const std::string& fileName() const { return name; }
  // Once a load has ended: true, once, with whether the set was replaced.
  bool takeResult(bool& loaded);
  // Waits for a load in progress to end (its result stays to be taken).
  void wait();

 private:
  enum State : int { kIdle, kRunning, kDone };

  QuendralCore& core;
  std::thread worker;
  std::string name;
  std::atomic<int> state{kIdle};
  std::atomic<bool> replaced{false};
};

}  // namespace panner
