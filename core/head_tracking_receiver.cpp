#include "head_tracking_receiver.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "osc_head_parser.h"

#if defined(_WIN32)
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace panner {

namespace {

#if defined(_WIN32)
using Socket = SOCKET;
const Socket kNoSocket = INVALID_SOCKET;
void closeSocket(Socket s) { closesocket(s); }
bool addressInUse() { return WSAGetLastError() == WSAEADDRINUSE; }
#else
using Socket = int;
constexpr Socket kNoSocket = -1;
void closeSocket(Socket s) { close(s); }
bool addressInUse() { return errno == EADDRINUSE; }
#endif

// How often the thread looks whether it should stop while nothing arrives.
constexpr int kWakeMilliseconds = 50;

}  // namespace

struct HeadTrackingReceiver::Impl {
  ReadingMailbox mailbox;
  mutable std::mutex control;  // users, the socket and the thread (never the audio thread)
  std::vector<const void*> users;
  Socket socket = kNoSocket;
  std::thread thread;
  std::atomic<bool> stop{false};
  std::atomic<int> state{static_cast<int>(State::kClosed)};
  int32_t port = 0;
  bool listenAll = false;
  std::atomic<uint64_t> messages{0};
  std::atomic<uint64_t> ignored{0};
#if defined(_WIN32)
  bool winsock = false;
#endif

  void run() {
    OscHeadParser parser;
    std::vector<uint8_t> buffer(OscHeadParser::kMaxPacket + 1);
    TrackerReading latest;
    while (!stop.load(std::memory_order_relaxed)) {
      const auto got =
          recv(socket, reinterpret_cast<char*>(buffer.data()), static_cast<int>(buffer.size()), 0);
      if (got < 0) continue;  // the wake-up timeout, or an error: look at `stop` again
      // A datagram larger than the buffer arrives cut to its size: one byte too many.
      const int taken = parser.parsePacket(buffer.data(), static_cast<std::size_t>(got), latest);
      if (taken > 0) {
        mailbox.write(latest);
        messages.fetch_add(static_cast<uint64_t>(taken), std::memory_order_relaxed);
      }
      ignored.store(parser.ignored(), std::memory_order_relaxed);
    }
  }

  void close() {
    if (thread.joinable()) {
      stop.store(true, std::memory_order_relaxed);
      thread.join();
    }
    if (socket != kNoSocket) closeSocket(socket);
    socket = kNoSocket;
    state.store(static_cast<int>(State::kClosed), std::memory_order_relaxed);
#if defined(_WIN32)
    if (winsock) WSACleanup();
    winsock = false;
#endif
  }

  void open(int32_t wantedPort, bool all) {
    close();
    port = wantedPort;
    listenAll = all;
    if (wantedPort <= 0) return;
#if defined(_WIN32)
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
      state.store(static_cast<int>(State::kNoNetwork), std::memory_order_relaxed);
      return;
    }
    winsock = true;
#endif
    socket = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (socket == kNoSocket) {
      state.store(static_cast<int>(State::kNoNetwork), std::memory_order_relaxed);
      return;
    }
#if defined(_WIN32)
    const DWORD wake = kWakeMilliseconds;
    setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wake), sizeof wake);
#else
    timeval wake{0, kWakeMilliseconds * 1000};
    setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &wake, sizeof wake);
#endif
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(wantedPort));
    address.sin_addr.s_addr = htonl(all ? INADDR_ANY : INADDR_LOOPBACK);
    if (bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
      const State why = addressInUse() ? State::kPortInUse : State::kNoNetwork;
      close();
      state.store(static_cast<int>(why), std::memory_order_relaxed);
      return;
    }
    stop.store(false, std::memory_order_relaxed);
    try {
      thread = std::thread([this] { run(); });
    } catch (const std::system_error&) {
      close();
      state.store(static_cast<int>(State::kNoNetwork), std::memory_order_relaxed);
      return;
    }
    state.store(static_cast<int>(State::kListening), std::memory_order_relaxed);
  }
};

HeadTrackingReceiver::HeadTrackingReceiver() : impl(std::make_unique<Impl>()) {}

// The library unloads: nothing may stay running.
HeadTrackingReceiver::~HeadTrackingReceiver() {
  std::lock_guard<std::mutex> lock(impl->control);
  impl->close();
}

HeadTrackingReceiver& HeadTrackingReceiver::shared() {
  static HeadTrackingReceiver receiver;
  return receiver;
}

const ReadingMailbox& HeadTrackingReceiver::mailbox() const { return impl->mailbox; }

void HeadTrackingReceiver::acquire(const void* user, int32_t port, bool listenAll) {
  std::lock_guard<std::mutex> lock(impl->control);
  if (std::find(impl->users.begin(), impl->users.end(), user) == impl->users.end())
    impl->users.push_back(user);
  const bool open =
      impl->state.load(std::memory_order_relaxed) == static_cast<int>(State::kListening);
  // A failed port is tried again when asked again (the other program may have gone).
  if (!open || port != impl->port || listenAll != impl->listenAll) impl->open(port, listenAll);
}

void HeadTrackingReceiver::release(const void* user) {
  std::lock_guard<std::mutex> lock(impl->control);
  const auto it = std::find(impl->users.begin(), impl->users.end(), user);
  if (it == impl->users.end()) return;
  impl->users.erase(it);
  if (impl->users.empty()) {
    impl->close();
    impl->port = 0;
  }
}

HeadTrackingReceiver::Status HeadTrackingReceiver::status() const {
  std::lock_guard<std::mutex> lock(impl->control);
  Status s;
  s.state = static_cast<State>(impl->state.load(std::memory_order_relaxed));
  s.port = impl->port;
  s.listenAll = impl->listenAll;
  s.messages = impl->messages.load(std::memory_order_relaxed);
  s.ignored = impl->ignored.load(std::memory_order_relaxed);
  return s;
}

}  // namespace panner
