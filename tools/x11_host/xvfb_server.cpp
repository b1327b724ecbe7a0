#include "xvfb_server.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace x11host {

XvfbServer::~XvfbServer() { stop(); }

bool XvfbServer::start(std::string& error) {
  if (pid_ > 0) return true;
  int fds[2];
  if (pipe(fds) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  const pid_t pid = fork();
  if (pid < 0) {
    error = std::string("fork: ") + std::strerror(errno);
    close(fds[0]);
    close(fds[1]);
    return false;
  }
  if (pid == 0) {
    // Xvfb picks a free display itself and writes its number to the descriptor.
    close(fds[0]);
    const std::string fd = std::to_string(fds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1320x1000x24", "-nolisten",
           "tcp", "-noreset", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  pid_ = pid;

  std::string number;
  pollfd pfd{fds[0], POLLIN, 0};
  while (number.find('\n') == std::string::npos) {
    if (poll(&pfd, 1, 10000) <= 0) break;
    char buf[32];
    const ssize_t n = read(fds[0], buf, sizeof buf);
    if (n <= 0) break;
    number.append(buf, static_cast<size_t>(n));
  }
  close(fds[0]);
  const size_t end = number.find('\n');
  if (end == std::string::npos || end == 0) {
    error = "Xvfb did not start (is the xvfb package installed?)";
    stop();
    return false;
  }
  display_ = ":" + number.substr(0, end);
  setenv("DISPLAY", display_.c_str(), 1);
  return true;
}

bool XvfbServer::setXftDpi(int dpi) {
  Display* display = XOpenDisplay(display_.empty() ? nullptr : display_.c_str());
  if (display == nullptr) return false;
  const Window root = DefaultRootWindow(display);
  if (dpi > 0) {
    const std::string resources = "Xft.dpi:\t" + std::to_string(dpi) + "\n";
    XChangeProperty(display, root, XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(resources.c_str()),
                    static_cast<int>(resources.size()));
  } else {
    XDeleteProperty(display, root, XA_RESOURCE_MANAGER);
  }
  XSync(display, False);
  XCloseDisplay(display);
  return true;
}

void XvfbServer::stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
}

}  // namespace x11host
