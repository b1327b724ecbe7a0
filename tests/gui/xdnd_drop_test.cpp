// Files dragged onto the panel under a private Xvfb server. The test plays both the host
// (a top-level window with a container window inside, the panel in the container) and a
// file manager's drag source that follows the XDND protocol as such sources do: it finds
// the top-level window under the pointer, follows its XdndProxy when that is valid, and
// serves the dropped URI list from its XdndSelection.
// GoogleTest first: Xlib's macros (None, Bool) would break its templates.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "gui/c_frame.h"
#include "gui/frame_owner.h"
#include "gui/x11/x11_window.h"
#include "gui/x11/xdnd_target.h"
#include "xvfb_suite.h"

namespace panner {

using namespace VSTGUI;

namespace {

const CRect kPanel(0, 0, 435, 330);
constexpr int kContainerX = 20;  // where the panel sits in the host's window
constexpr int kContainerY = 30;

struct DropRecorder : CFrameOwner {
  void beginEdit(int) override {}
  void endEdit(int) override {}
  void doIdleStuff() override {}
  void filesDropped(const std::vector<std::string>& paths) override { drops.push_back(paths); }
  std::vector<std::vector<std::string>> drops;
};

// A drag source on a connection of its own.
class DragSource {
 public:
  explicit DragSource(Display* d) : display(d) {
    window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    for (const char* name : {"XdndAware", "XdndProxy", "XdndEnter", "XdndPosition", "XdndStatus",
                             "XdndDrop", "XdndFinished", "XdndSelection", "XdndTypeList",
                             "XdndActionCopy", "text/uri-list", "text/plain", "UTF8_STRING"}) {
      atoms.push_back(XInternAtom(display, name, False));
    }
    XSetSelectionOwner(display, atom("XdndSelection"), window, CurrentTime);
    XSync(display, False);
  }
  ~DragSource() { XDestroyWindow(display, window); }

  Atom atom(const char* name) const { return XInternAtom(display, name, True); }

  // The top-level window under the root point, and the window its messages go to.
  void findTarget(int rootX, int rootY) {
    Window child = 0;
    int x = 0, y = 0;
    XTranslateCoordinates(display, DefaultRootWindow(display), DefaultRootWindow(display), rootX,
                          rootY, &x, &y, &child);
    target = child;
    addressee = child;
    const Window proxy = windowProperty(child, atom("XdndProxy"));
    if (proxy != 0 && windowProperty(proxy, atom("XdndProxy")) == proxy) addressee = proxy;
  }

  bool targetIsAware() { return hasProperty(addressee, atom("XdndAware")); }

  void enter(const std::vector<Atom>& types) {
    long l1 = 5L << 24;
    if (types.size() > 3) {
      l1 |= 1;
      XChangeProperty(display, window, atom("XdndTypeList"), XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(types.data()),
                      static_cast<int>(types.size()));
    }
    long t[3] = {0, 0, 0};
    for (size_t i = 0; i < types.size() && i < 3; ++i) t[i] = static_cast<long>(types[i]);
    send(atom("XdndEnter"), l1, t[0], t[1], t[2]);
  }
  void position(int rootX, int rootY) {
    status = -1;
    send(atom("XdndPosition"), 0, (static_cast<long>(rootX) << 16) | rootY, CurrentTime,
         static_cast<long>(atom("XdndActionCopy")));
  }
  void drop() {
    finished = -1;
    send(atom("XdndDrop"), 0, CurrentTime, 0, 0);
  }

  // Answers the target: records XdndStatus and XdndFinished, serves the selection.
  void poll() {
    while (XPending(display)) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == ClientMessage && event.xclient.message_type == atom("XdndStatus")) {
        status = static_cast<int>(event.xclient.data.l[1] & 1);
        statusTarget = static_cast<Window>(event.xclient.data.l[0]);
      } else if (event.type == ClientMessage &&
                 event.xclient.message_type == atom("XdndFinished")) {
        finished = static_cast<int>(event.xclient.data.l[1] & 1);
      } else if (event.type == SelectionRequest) {
        const XSelectionRequestEvent& request = event.xselectionrequest;
        XEvent reply{};
        reply.xselection.type = SelectionNotify;
        reply.xselection.requestor = request.requestor;
        reply.xselection.selection = request.selection;
        reply.xselection.target = request.target;
        reply.xselection.time = request.time;
        reply.xselection.property = None;
        if (request.target == atom("text/uri-list")) {
          XChangeProperty(display, request.requestor, request.property, request.target, 8,
                          PropModeReplace, reinterpret_cast<const unsigned char*>(uris.data()),
                          static_cast<int>(uris.size()));
          reply.xselection.property = request.property;
        }
        XSendEvent(display, request.requestor, False, NoEventMask, &reply);
        XFlush(display);
      }
    }
  }

  Display* display;
  Window window = 0;
  Window target = 0;     // the top-level the pointer is over
  Window addressee = 0;  // where the messages go (the proxy, when there is one)
  Window statusTarget = 0;
  int status = -1;    // last XdndStatus: 1 accepted, 0 refused, -1 none yet
  int finished = -1;  // XdndFinished: 1 accepted, 0 refused, -1 none yet
  std::string uris;

 private:
  void send(Atom type, long l1, long l2, long l3, long l4) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = target;  // the window the drop happens in, also through a proxy
    event.xclient.message_type = type;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(window);
    event.xclient.data.l[1] = l1;
    event.xclient.data.l[2] = l2;
    event.xclient.data.l[3] = l3;
    event.xclient.data.l[4] = l4;
    XSendEvent(display, addressee, False, NoEventMask, &event);
    XFlush(display);
  }
  Window windowProperty(Window w, Atom property) {
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    Window value = 0;
    if (XGetWindowProperty(display, w, property, 0, 1, False, XA_WINDOW, &type, &format, &items,
                           &after, &data) == Success &&
        data && items == 1)
      value = static_cast<Window>(*reinterpret_cast<long*>(data));
    if (data) XFree(data);
    return value;
  }
  bool hasProperty(Window w, Atom property) {
    int count = 0;
    Atom* list = XListProperties(display, w, &count);
    bool found = false;
    for (int i = 0; i < count; ++i) found = found || list[i] == property;
    if (list) XFree(list);
    return found;
  }
  std::vector<Atom> atoms;
};

class DropOnPanel : public quendral_test::XvfbSuite {
 protected:
  void SetUp() override {
    ASSERT_NE(server, nullptr) << serverError;
    display = XOpenDisplay(server->display().c_str());
    ASSERT_NE(display, nullptr);
    host = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 600, 400, 0, 0, 0);
    container = XCreateSimpleWindow(display, host, kContainerX, kContainerY, 435, 330, 0, 0, 0);
    XMapWindow(display, container);
    XMapWindow(display, host);
    XSync(display, False);
    X11Window::resetErrors();
  }

  void TearDown() override {
    if (!display) return;
    XDestroyWindow(display, host);
    XCloseDisplay(display);
  }

  CFrame* openPanel() {
    auto* frame =
        new CFrame(kPanel, reinterpret_cast<void*>(static_cast<uintptr_t>(container)), &owner);
    EXPECT_TRUE(frame->hasWindow());
    return frame;
  }

  // Idles the frame as a host does while the source answers, until `done` holds.
  template <typename Done>
  bool pumpUntil(CFrame* frame, DragSource& source, Done done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < end) {
      frame->idle();
      source.poll();
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }

  // A whole drag from entering at the point to the drop; whether the drop was accepted.
  int dragAndDrop(CFrame* frame, DragSource& source, int rootX, int rootY,
                  const std::vector<Atom>& types) {
    source.findTarget(rootX, rootY);
    if (!source.targetIsAware()) return -2;
    source.enter(types);
    source.position(rootX, rootY);
    if (!pumpUntil(frame, source, [&] { return source.status != -1; })) return -3;
    source.drop();
    if (!pumpUntil(frame, source, [&] { return source.finished != -1; })) return -4;
    return source.finished;
  }

  bool hostHas(const char* property) {
    int count = 0;
    Atom* list = XListProperties(display, host, &count);
    const Atom wanted = XInternAtom(display, property, False);
    bool found = false;
    for (int i = 0; i < count; ++i) found = found || list[i] == wanted;
    if (list) XFree(list);
    return found;
  }

  Display* display = nullptr;
  Window host = 0;
  Window container = 0;
  DropRecorder owner;
};

}  // namespace

TEST_F(DropOnPanel, AFileDroppedThroughTheHostsWindowReachesTheEditor) {
  CFrame* frame = openPanel();
  DragSource source(display);
  source.uris = "# from a file manager\r\nfile:///tmp/my%20head.sofa\r\nfile:///tmp/other.sofa\r\n";
  const std::vector<Atom> types = {source.atom("text/uri-list"), source.atom("text/plain")};
  EXPECT_EQ(dragAndDrop(frame, source, kContainerX + 100, kContainerY + 100, types), 1);
  EXPECT_EQ(source.target, host) << "the source addresses the host's top-level window";
  EXPECT_NE(source.addressee, host) << "and is forwarded to the panel's";
  EXPECT_EQ(source.statusTarget, host);
  ASSERT_EQ(owner.drops.size(), 1u);
  EXPECT_EQ(owner.drops[0], (std::vector<std::string>{"/tmp/my head.sofa", "/tmp/other.sofa"}));

  // Over the host's window but beside the panel: refused, nothing dropped.
  EXPECT_EQ(dragAndDrop(frame, source, kContainerX + 500, kContainerY + 350, types), 0);
  EXPECT_EQ(source.status, 0);
  EXPECT_EQ(owner.drops.size(), 1u);

  // Text without a URI list is refused too.
  EXPECT_EQ(
      dragAndDrop(frame, source, kContainerX + 100, kContainerY + 100, {source.atom("text/plain")}),
      0);
  EXPECT_EQ(owner.drops.size(), 1u);
  frame->forget();
  EXPECT_EQ(X11Window::errorCount(), 0);
}

TEST_F(DropOnPanel, ASourceOfferingManyTypesListsThemInItsProperty) {
  CFrame* frame = openPanel();
  DragSource source(display);
  source.uris = "file://localhost/srv/heads/a.sofa";
  const std::vector<Atom> types = {source.atom("text/plain"), source.atom("UTF8_STRING"),
                                   source.atom("XdndActionCopy"), source.atom("text/uri-list")};
  EXPECT_EQ(dragAndDrop(frame, source, kContainerX + 5, kContainerY + 5, types), 1);
  ASSERT_EQ(owner.drops.size(), 1u);
  EXPECT_EQ(owner.drops[0], std::vector<std::string>{"/srv/heads/a.sofa"});
  frame->forget();
}

TEST_F(DropOnPanel, ClosingGivesTheHostsWindowBackAndReopeningTakesItAgain) {
  CFrame* frame = openPanel();
  EXPECT_TRUE(hostHas("XdndAware"));
  EXPECT_TRUE(hostHas("XdndProxy"));
  frame->forget();
  XSync(display, False);
  EXPECT_FALSE(hostHas("XdndAware"));
  EXPECT_FALSE(hostHas("XdndProxy"));

  frame = openPanel();
  DragSource source(display);
  source.uris = "file:///tmp/x.sofa\n";
  EXPECT_EQ(dragAndDrop(frame, source, kContainerX + 10, kContainerY + 10,
                        {source.atom("text/uri-list")}),
            1);
  EXPECT_EQ(owner.drops.size(), 1u);
  frame->forget();
  EXPECT_EQ(X11Window::errorCount(), 0);
}

TEST_F(DropOnPanel, AHostThatTakesDropsItselfKeepsThem) {
  const long version = 5;
  XChangeProperty(display, host, XInternAtom(display, "XdndAware", False), XA_ATOM, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&version), 1);
  XSync(display, False);
  CFrame* frame = openPanel();
  EXPECT_FALSE(hostHas("XdndProxy"));
  // A source that looks into child windows still finds the panel's own window aware.
  DragSource source(display);
  const auto panelWindow = static_cast<Window>(frame->getPlatformWindow()->nativeHandle());
  int count = 0;
  Atom* list = XListProperties(display, panelWindow, &count);
  bool aware = false;
  for (int i = 0; i < count; ++i) aware = aware || list[i] == source.atom("XdndAware");
  if (list) XFree(list);
  EXPECT_TRUE(aware);
  frame->forget();
  XSync(display, False);
  EXPECT_TRUE(hostHas("XdndAware")) << "the host's own mark stays";
}

TEST(UriList, OnlyThisMachinesFilesBecomePaths) {
  EXPECT_EQ(localPathsOfUriList("file:///a/b%2Fc%C3%A9.sofa\r\n"),
            std::vector<std::string>{"/a/b/c\xC3\xA9.sofa"});
  EXPECT_EQ(localPathsOfUriList("file:/plain/path.sofa"),
            std::vector<std::string>{"/plain/path.sofa"});
  EXPECT_EQ(localPathsOfUriList("#comment\nhttp://example.org/x.sofa\nfile://elsewhere/x.sofa\n"
                                "file:///bad%zz\nfile:///nul%00.sofa\nfile:///trunc%4\n"
                                "file://localhost/ok.sofa"),
            std::vector<std::string>{"/ok.sofa"});
  EXPECT_TRUE(localPathsOfUriList("").empty());
  EXPECT_TRUE(localPathsOfUriList("file://").empty());
}

}  // namespace panner
