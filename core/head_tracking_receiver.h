// The process's one receiver of head trackers' OSC: a UDP socket and a thread of its own,
// opened by the first instance that turns tracking on, shared by every other, closed when
// the last one turns it off or goes (and, at the latest, when the library unloads). It
// listens on 127.0.0.1 unless a user opens it to the network. Each packet goes through
// OscHeadParser; the newest reading waits in a mailbox that every instance's audio thread
// reads without locks.
#pragma once

#include <cstdint>
#include <memory>

#include "tracker_reading.h"

namespace panner {

class HeadTrackingReceiver {
 public:
  enum class State { kClosed, kListening, kPortInUse, kNoNetwork };
  struct Status {
    State state = State::kClosed;
    int32_t port = 0;
    bool listenAll = false;
    uint64_t messages = 0;  // taken since the process started
    uint64_t ignored = 0;   // packets and messages not understood
  };

  static HeadTrackingReceiver& shared();
  const ReadingMailbox& mailbox() const;

  // Not the audio thread. `user` wants the receiver on `port` (0: none), from the network
  // when `listenAll`. The socket follows the latest request, so a port changed in one
  // instance moves every instance with it; a port in use or no network leaves the receiver
  // closed and says so in the status.
  void acquire(const void* user, int32_t port, bool listenAll);
  void release(const void* user);
  Status status() const;

  ~HeadTrackingReceiver();

 private:
  HeadTrackingReceiver();
  struct Impl;
  std::unique_ptr<Impl> impl;
};

}  // namespace panner
