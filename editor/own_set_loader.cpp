#include "editor/own_set_loader.h"

#include <system_error>

#include "quendral_core.h"

namespace panner {

OwnSetLoader::OwnSetLoader(QuendralCore& owner) : core(owner) {}

OwnSetLoader::~OwnSetLoader() { wait(); }

bool OwnSetLoader::start(const std::string& path) {
  if (busy()) return false;
  if (worker.joinable()) worker.join();
  const size_t slash = path.find_last_of("/\\");
  name = slash == std::string::npos ? path : path.substr(slash + 1);
  state.store(kRunning, std::memory_order_release);
  try {
    worker = std::thread([this, path] {
      replaced.store(core.loadOwnSet(path.c_str()), std::memory_order_relaxed);
      state.store(kDone, std::memory_order_release);
    });
  } catch (const std::system_error&) {
    // No thread to be had: load here rather than lose the user's drop.
    replaced.store(core.loadOwnSet(path.c_str()), std::memory_order_relaxed);
    state.store(kDone, std::memory_order_release);
  }
  return true;
}

bool OwnSetLoader::takeResult(bool& loaded) {
  if (state.load(std::memory_order_acquire) != kDone) return false;
  if (worker.joinable()) worker.join();
  loaded = replaced.load(std::memory_order_relaxed);
  state.store(kIdle, std::memory_order_release);
  return true;
}

void OwnSetLoader::wait() {
  if (worker.joinable()) worker.join();
}

}  // namespace panner
