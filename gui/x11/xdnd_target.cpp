#include "gui/x11/xdnd_target.h"

#include <X11/Xatom.h>
#include <unistd.h>

#include <cstring>

namespace VSTGUI {

namespace {

constexpr long kVersion = 5;
// A URI list of a few files is small; anything beyond this is not a drop of files.
constexpr long kMaxListBytes = 1 << 20;

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Decodes %XX escapes; false for a malformed escape or an escaped NUL.
bool percentDecode(const std::string& text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return false;
    const int high = hexValue(text[i + 1]);
    const int low = hexValue(text[i + 2]);
    if (high < 0 || low < 0 || (high == 0 && low == 0)) return false;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return true;
}

bool isThisMachine(const std::string& host) {
  if (host.empty() || host == "localhost") return true;
  char name[256] = {};
  return gethostname(name, sizeof name - 1) == 0 && host == name;
}

}  // namespace

std::vector<std::string> localPathsOfUriList(const std::string& list) {
  std::vector<std::string> paths;
  size_t start = 0;
  while (start < list.size()) {
    size_t end = list.find('\n', start);
    if (end == std::string::npos) end = list.size();
    std::string line = list.substr(start, end - start);
    start = end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (line.compare(0, 5, "file:") != 0) continue;
    std::string rest = line.substr(5);
    std::string host;
    if (rest.compare(0, 2, "//") == 0) {
      const size_t slash = rest.find('/', 2);
      if (slash == std::string::npos) continue;
      host = rest.substr(2, slash - 2);
      rest = rest.substr(slash);
    }
    std::string path;
    if (rest.empty() || rest[0] != '/' || !isThisMachine(host) || !percentDecode(rest, path))
      continue;
    paths.push_back(path);
  }
  return paths;
}

XdndTarget::XdndTarget(Display* display, Window window, int width, int height)
    : display_(display), window_(window), width_(width), height_(height) {
  aware_ = XInternAtom(display, "XdndAware", False);
  proxy_ = XInternAtom(display, "XdndProxy", False);
  enter_ = XInternAtom(display, "XdndEnter", False);
  position_ = XInternAtom(display, "XdndPosition", False);
  status_ = XInternAtom(display, "XdndStatus", False);
  leave_ = XInternAtom(display, "XdndLeave", False);
  drop_ = XInternAtom(display, "XdndDrop", False);
  finished_ = XInternAtom(display, "XdndFinished", False);
  selection_ = XInternAtom(display, "XdndSelection", False);
  typeList_ = XInternAtom(display, "XdndTypeList", False);
  actionCopy_ = XInternAtom(display, "XdndActionCopy", False);
  uriList_ = XInternAtom(display, "text/uri-list", False);
  wmState_ = XInternAtom(display, "WM_STATE", False);
  dropProperty_ = XInternAtom(display, "QUENDRAL_DROPPED_FILES", False);

  const long version = kVersion;
  XChangeProperty(display, window, aware_, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&version), 1);
  // A proxy must name itself, or sources take the proxy for a crashed client's leftover.
  const long self = static_cast<long>(window);
  XChangeProperty(display, window, proxy_, XA_WINDOW, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&self), 1);

  // The host's window: taken over only when it neither takes drops itself nor forwards
  // them to a live panel already (another panel in the same window keeps its own); a
  // forwarding left by a panel whose window is gone is replaced.
  const Window topLevel = findTopLevel();
  const bool forwards = topLevel != 0 && hasProperty(topLevel, proxy_);
  if (topLevel != 0 &&
      (forwards ? !forwardsToALiveProxy(topLevel) : !hasProperty(topLevel, aware_))) {
    XChangeProperty(display, topLevel, aware_, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&version), 1);
    XChangeProperty(display, topLevel, proxy_, XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&self), 1);
    proxiedTopLevel_ = topLevel;
  }
}

XdndTarget::~XdndTarget() {
  // The host's window may be gone already: the backend's error handler records the
  // errors of our connection instead of ending the process.
  if (proxiedTopLevel_ != 0 && readWindowProperty(proxiedTopLevel_, proxy_) == window_) {
    XDeleteProperty(display_, proxiedTopLevel_, proxy_);
    XDeleteProperty(display_, proxiedTopLevel_, aware_);
  }
}

Window XdndTarget::findTopLevel() const {
  Window current = window_;
  Window topLevel = 0;
  for (int depth = 0; depth < 64; ++depth) {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display_, current, &root, &parent, &children, &count)) return 0;
    if (children) XFree(children);
    if (parent == 0 || parent == root) return current == window_ ? 0 : current;
    current = parent;
    topLevel = current;
    if (hasProperty(current, wmState_)) return current;
  }
  return topLevel;
}

bool XdndTarget::hasProperty(Window window, Atom property) const {
  int count = 0;
  Atom* properties = XListProperties(display_, window, &count);
  bool found = false;
  for (int i = 0; i < count && !found; ++i) found = properties[i] == property;
  if (properties) XFree(properties);
  return found;
}

Window XdndTarget::readWindowProperty(Window window, Atom property) const {
  Atom type = 0;
  int format = 0;
  unsigned long items = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  Window value = 0;
  if (XGetWindowProperty(display_, window, property, 0, 1, False, XA_WINDOW, &type, &format, &items,
                         &after, &data) == Success &&
      data != nullptr && type == XA_WINDOW && format == 32 && items == 1) {
    value = static_cast<Window>(*reinterpret_cast<const long*>(data));
  }
  if (data) XFree(data);
  return value;
}

bool XdndTarget::forwardsToALiveProxy(Window window) const {
  const Window proxy = readWindowProperty(window, proxy_);
  return proxy != 0 && readWindowProperty(proxy, proxy_) == proxy;
}

bool XdndTarget::handle(const XEvent& event, std::vector<std::string>& paths) {
  paths.clear();
  if (event.type == SelectionNotify && event.xselection.requestor == window_ &&
      event.xselection.selection == selection_) {
    onSelection(event.xselection, paths);
    return true;
  }
  if (event.type != ClientMessage || event.xclient.format != 32) return false;
  const XClientMessageEvent& message = event.xclient;
  if (message.message_type == enter_) {
    onEnter(message);
  } else if (message.message_type == position_) {
    onPosition(message);
  } else if (message.message_type == leave_) {
    if (static_cast<Window>(message.data.l[0]) == source_ && !awaitingData_) reset();
  } else if (message.message_type == drop_) {
    onDrop(message);
  } else {
    return false;
  }
  return true;
}

void XdndTarget::onEnter(const XClientMessageEvent& message) {
  reset();
  source_ = static_cast<Window>(message.data.l[0]);
  addressed_ = message.window;
  version_ = static_cast<int>((static_cast<unsigned long>(message.data.l[1]) >> 24) & 0xFF);
  if (version_ > kVersion) version_ = kVersion;
  if (message.data.l[1] & 1) {
    // More than three types: the source lists them in its XdndTypeList property.
    Atom type = 0;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_, source_, typeList_, 0, 1024, False, XA_ATOM, &type, &format,
                           &items, &after, &data) == Success &&
        data != nullptr && format == 32) {
      const auto* atoms = reinterpret_cast<const long*>(data);
      for (unsigned long i = 0; i < items; ++i)
        offersUris_ |= static_cast<Atom>(atoms[i]) == uriList_;
    }
    if (data) XFree(data);
  } else {
    for (int i = 2; i <= 4; ++i) offersUris_ |= static_cast<Atom>(message.data.l[i]) == uriList_;
  }
}

void XdndTarget::onPosition(const XClientMessageEvent& message) {
  if (static_cast<Window>(message.data.l[0]) != source_ || awaitingData_) return;
  addressed_ = message.window;
  const int rootX = static_cast<int>((message.data.l[2] >> 16) & 0xFFFF);
  const int rootY = static_cast<int>(message.data.l[2] & 0xFFFF);
  int x = -1;
  int y = -1;
  Window child = 0;
  XTranslateCoordinates(display_, DefaultRootWindow(display_), window_, rootX, rootY, &x, &y,
                        &child);
  const bool over = x >= 0 && y >= 0 && x < width_ && y < height_;
  accepting_ = offersUris_ && over;
  sendStatus(accepting_);
}

void XdndTarget::onDrop(const XClientMessageEvent& message) {
  if (static_cast<Window>(message.data.l[0]) != source_ || awaitingData_) return;
  if (!accepting_) {
    sendFinished(false);
    reset();
    return;
  }
  // The source's time stamp names the selection's owner at the drop (version 1 on).
  const Time time = version_ >= 1 ? static_cast<Time>(message.data.l[2]) : CurrentTime;
  XConvertSelection(display_, selection_, uriList_, dropProperty_, window_, time);
  XFlush(display_);
  awaitingData_ = true;
}

void XdndTarget::onSelection(const XSelectionEvent& selection, std::vector<std::string>& paths) {
  if (!awaitingData_) return;
  if (selection.property != None) {
    Atom type = 0;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_, window_, dropProperty_, 0, kMaxListBytes / 4, True,
                           AnyPropertyType, &type, &format, &items, &after, &data) == Success &&
        data != nullptr && format == 8 && after == 0) {
      paths = localPathsOfUriList(std::string(reinterpret_cast<const char*>(data), items));
    }
    if (data) XFree(data);
    XDeleteProperty(display_, window_, dropProperty_);
  }
  sendFinished(!paths.empty());
  reset();
}

void XdndTarget::sendStatus(bool accept) {
  // Bit 1: send a position for every move (the rectangle is empty).
  sendToSource(status_, (accept ? 1 : 0) | 2, 0, 0,
               accept ? static_cast<long>(actionCopy_) : static_cast<long>(None));
}

void XdndTarget::sendFinished(bool accepted) {
  if (version_ < 2) return;  // XdndFinished came with version 2
  sendToSource(finished_, accepted ? 1 : 0,
               accepted ? static_cast<long>(actionCopy_) : static_cast<long>(None), 0, 0);
}

void XdndTarget::sendToSource(Atom type, long l1, long l2, long l3, long l4) {
  if (source_ == 0) return;
  XEvent event;
  std::memset(&event, 0, sizeof event);
  event.xclient.type = ClientMessage;
  event.xclient.display = display_;
  event.xclient.window = source_;
  event.xclient.message_type = type;
  event.xclient.format = 32;
  // The window the source addressed (the host's, when it came through the proxy).
  event.xclient.data.l[0] = static_cast<long>(addressed_ != 0 ? addressed_ : window_);
  event.xclient.data.l[1] = l1;
  event.xclient.data.l[2] = l2;
  event.xclient.data.l[3] = l3;
  event.xclient.data.l[4] = l4;
  XSendEvent(display_, source_, False, NoEventMask, &event);
  XFlush(display_);
}

void XdndTarget::reset() {
  source_ = 0;
  addressed_ = 0;
  version_ = 0;
  offersUris_ = false;
  accepting_ = false;
  awaitingData_ = false;
}

}  // namespace VSTGUI
