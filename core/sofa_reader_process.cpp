#include "sofa_reader_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <new>

#include "sofa_file.h"

namespace panner {

namespace {

// The child's message: one byte (1 read, 0 refused), then the encoded measurements or the
// refusal's text.
constexpr char kRead = 1;
constexpr char kRefused = 0;

template <typename T>
void put(std::string& out, const T& value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

template <typename T>
void putVector(std::string& out, const std::vector<T>& values) {
  put(out, static_cast<uint64_t>(values.size()));
  out.append(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(T));
}

class Reader {
 public:
  explicit Reader(const std::string& source) : bytes(source) {}
  template <typename T>
  bool get(T& value) {
    if (bytes.size() - at < sizeof value) return false;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    at += sizeof value;
    return true;
  }
  template <typename T>
  bool getVector(std::vector<T>& values) {
    uint64_t count = 0;
    if (!get(count) || count > (bytes.size() - at) / sizeof(T)) return false;
    values.resize(static_cast<size_t>(count));
    std::memcpy(values.data(), bytes.data() + at, values.size() * sizeof(T));
    at += values.size() * sizeof(T);
    return true;
  }
  bool getBytes(uint64_t count, std::string& text) {
    if (count > bytes.size() - at) return false;
    text.assign(bytes, at, static_cast<size_t>(count));
    at += static_cast<size_t>(count);
    return true;
  }
  bool atEnd() const { return at == bytes.size(); }

 private:
  const std::string& bytes;
  size_t at = 0;
};

bool writeAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t written = write(fd, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

// The child: reads, sends its message, and leaves without running the host's exit code.
[[noreturn]] void runChild(int fd, const uint8_t* data, size_t size, const std::string& name) {
  // A crash here is ours to report as a refusal, not the host's crash handler's.
  for (int number : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) std::signal(number, SIG_DFL);
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  std::string message;
  try {
    SofaMeasurements measurements;
    std::string why;
    if (readSofaMeasurements(data, size, name, measurements, why)) {
      message = kRead + encodeSofaMeasurements(measurements);
    } else {
      message = kRefused + why;
    }
  } catch (const std::bad_alloc&) {
    message = std::string(1, kRefused) + "not enough memory to read the file";
  }
  _exit(writeAll(fd, message.data(), message.size()) ? 0 : 1);
}

// Everything the child sends until it closes the pipe; false when the time ran out.
bool readUntilClosed(int fd, std::string& message) {
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::seconds(sofa_reader_process::kTimeLimitSeconds);
  char buffer[1 << 16];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) return false;
    pollfd wait{fd, POLLIN, 0};
    const int ready = poll(&wait, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) return false;  // the time ran out
    if (ready < 0) return true;    // poll failed: the message is what arrived
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return true;  // closed (or broken): the message is what arrived
    message.append(buffer, static_cast<size_t>(got));
  }
}

}  // namespace

std::string encodeSofaMeasurements(const SofaMeasurements& m) {
  std::string out;
  put(out, m.sampleRate);
  put(out, m.count);
  put(out, m.taps);
  putVector(out, m.positions);
  putVector(out, m.responses);
  putVector(out, m.delays);
  put(out, static_cast<uint64_t>(m.name.size()));
  out += m.name;
  put(out, m.checksum);
  return out;
}

bool decodeSofaMeasurements(const std::string& bytes, SofaMeasurements& out) {
  Reader in(bytes);
  SofaMeasurements m;
  uint64_t nameLength = 0;
  if (!in.get(m.sampleRate) || !in.get(m.count) || !in.get(m.taps) || !in.getVector(m.positions) ||
      !in.getVector(m.responses) || !in.getVector(m.delays) || !in.get(nameLength)) {
    return false;
  }
  if (!in.getBytes(nameLength, m.name)) return false;
  if (!in.get(m.checksum) || !in.atEnd()) return false;
  out = std::move(m);
  return true;
}

bool readSofaMeasurementsIsolated(const uint8_t* data, std::size_t size, const std::string& name,
                                  SofaMeasurements& out, std::string& why) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return readSofaMeasurements(data, size, name, out, why);
  const pid_t child = fork();
  if (child < 0) {
    close(fds[0]);
    close(fds[1]);
    return readSofaMeasurements(data, size, name, out, why);
  }
  if (child == 0) {
    close(fds[0]);
    runChild(fds[1], data, size, name);
  }
  close(fds[1]);
  std::string message;
  const bool finished = readUntilClosed(fds[0], message);
  close(fds[0]);
  if (!finished) kill(child, SIGKILL);
  int status = 0;
  // A host that ignores SIGCHLD has its children reaped for it: the message decides then.
  const bool waited = waitpid(child, &status, 0) == child;
  if (!finished) {
    why = "the SOFA reader did not finish within " +
          std::to_string(sofa_reader_process::kTimeLimitSeconds) + " s (the file is damaged)";
    return false;
  }
  const bool died = waited && !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  if (died || message.empty()) {
    why = "the file is damaged: the SOFA reader (libmysofa) failed on it";
    return false;
  }
  if (message[0] == kRefused) {
    why = message.substr(1);
    return false;
  }
  if (message[0] != kRead || !decodeSofaMeasurements(message.substr(1), out)) {
    why = "the file is damaged: the SOFA reader (libmysofa) failed on it";
    return false;
  }
  return true;
}

}  // namespace panner
