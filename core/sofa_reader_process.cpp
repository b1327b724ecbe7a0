#include "sofa_reader_process.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <new>

#include "sofa_file.h"

extern char** environ;

namespace panner {

namespace {

// The reader's message: one byte (1 read, 0 refused), then the encoded measurements or the
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

// Our own module's file (the plug-in's .so, or the program that links the reader).
std::string ownModuleFile() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&readSofaMeasurementsIsolated), &info) != 0 &&
      info.dli_fname != nullptr && info.dli_fname[0] == '/') {
    return info.dli_fname;
  }
  char self[4096];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  return length > 0 ? std::string(self, static_cast<size_t>(length)) : std::string();
}

// The bytes as a file in memory, at its start: the reader's standard input.
int memoryFileOf(const uint8_t* data, size_t size) {
  const int fd = memfd_create("quendral-sofa", MFD_CLOEXEC);
  if (fd < 0) return -1;
  if (!writeAll(fd, reinterpret_cast<const char*>(data), size) || lseek(fd, 0, SEEK_SET) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// Starts the reader on `input`, its output going to `output`; its pid, or -1.
pid_t startReader(const std::string& program, const std::string& name, int input, int output) {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  posix_spawn_file_actions_adddup2(&actions, input, 0);
  posix_spawn_file_actions_adddup2(&actions, output, 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  // The host's signal dispositions and mask are not the reader's.
  sigset_t all, none;
  sigfillset(&all);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  std::string programCopy = program;
  std::string nameCopy = name;
  char* argv[] = {programCopy.data(), nameCopy.data(), nullptr};
  pid_t child = -1;
  if (posix_spawn(&child, program.c_str(), &actions, &attributes, argv, environ) != 0) child = -1;
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  return child;
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
  put(out, static_cast<uint8_t>(m.receiverPositionsContradict));
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
  uint8_t contradict = 0;
  if (!in.get(m.checksum) || !in.get(contradict) || contradict > 1 || !in.atEnd()) return false;
  m.receiverPositionsContradict = contradict != 0;
  out = std::move(m);
  return true;
}

std::string sofaReaderProgram() {
  const std::string module = ownModuleFile();
  const size_t slash = module.find_last_of('/');
  if (slash == std::string::npos) return std::string();
  const std::string program = module.substr(0, slash + 1) + sofa_reader_process::kProgramName;
  return access(program.c_str(), X_OK) == 0 ? program : std::string();
}

bool readSofaMeasurementsIsolated(const uint8_t* data, std::size_t size, const std::string& name,
                                  SofaMeasurements& out, std::string& why) {
  const std::string program = sofaReaderProgram();
  if (program.empty()) return readSofaMeasurements(data, size, name, out, why);
  const int input = memoryFileOf(data, size);
  int pipe[2] = {-1, -1};
  if (input < 0 || pipe2(pipe, O_CLOEXEC) != 0) {
    if (input >= 0) close(input);
    return readSofaMeasurements(data, size, name, out, why);
  }
  const pid_t child = startReader(program, name, input, pipe[1]);
  close(input);
  close(pipe[1]);
  if (child < 0) {
    close(pipe[0]);
    return readSofaMeasurements(data, size, name, out, why);
  }
  std::string message;
  const bool finished = readUntilClosed(pipe[0], message);
  close(pipe[0]);
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
  if (!died && !message.empty() && message[0] == kRefused) {
    why = message.substr(1);
    return false;
  }
  if (died || message.empty() || message[0] != kRead ||
      !decodeSofaMeasurements(message.substr(1), out)) {
    why = "the file is damaged: the SOFA reader (libmysofa) failed on it";
    return false;
  }
  return true;
}

int runSofaReader(const std::string& name) {
  std::string bytes;
  char buffer[1 << 16];
  for (;;) {
    const ssize_t got = read(0, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return 1;
    if (got == 0) break;
    bytes.append(buffer, static_cast<size_t>(got));
    if (bytes.size() > own_set::kMaxFileBytes) break;  // the reader refuses it by its size
  }
  std::string message;
  try {
    SofaMeasurements measurements;
    std::string why;
    if (readSofaMeasurements(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), name,
                             measurements, why)) {
      message = kRead + encodeSofaMeasurements(measurements);
    } else {
      message = kRefused + why;
    }
  } catch (const std::bad_alloc&) {
    message = std::string(1, kRefused) + "not enough memory to read the file";
  }
  return writeAll(1, message.data(), message.size()) ? 0 : 1;
}

}  // namespace panner
