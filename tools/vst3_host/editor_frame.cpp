#include "editor_frame.h"

#include <algorithm>
#include <thread>

#if !defined(_WIN32)
#include <poll.h>
#endif

namespace vst3host {

vst3::tresult RunLoop::registerEventHandler(vst3::IEventHandler* handler, vst3::FileDescriptor fd) {
  if (!handler) return vst3::kInvalidArgument;
  handlers_.push_back({handler, fd});
  return vst3::kResultOk;
}

vst3::tresult RunLoop::unregisterEventHandler(vst3::IEventHandler* handler) {
  const auto before = handlers_.size();
  handlers_.erase(std::remove_if(handlers_.begin(), handlers_.end(),
                                 [&](const Handler& h) { return h.handler == handler; }),
                  handlers_.end());
  return handlers_.size() != before ? vst3::kResultOk : vst3::kInvalidArgument;
}

vst3::tresult RunLoop::registerTimer(vst3::ITimerHandler* handler,
                                     vst3::TimerInterval milliseconds) {
  if (!handler) return vst3::kInvalidArgument;
  const auto interval = std::chrono::milliseconds(std::max<vst3::TimerInterval>(milliseconds, 1));
  timers_.push_back({handler, interval, Clock::now() + interval});
  return vst3::kResultOk;
}

vst3::tresult RunLoop::unregisterTimer(vst3::ITimerHandler* handler) {
  const auto before = timers_.size();
  timers_.erase(std::remove_if(timers_.begin(), timers_.end(),
                               [&](const Timer& t) { return t.handler == handler; }),
                timers_.end());
  return timers_.size() != before ? vst3::kResultOk : vst3::kInvalidArgument;
}

void RunLoop::pump(int milliseconds) {
  const Clock::time_point end = Clock::now() + std::chrono::milliseconds(milliseconds);
  do {
    if (handlers_.empty() && timers_.empty()) return;
    Clock::time_point wake = end;
    for (const Timer& t : timers_) wake = std::min(wake, t.due);
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(wake - Clock::now());
    const int timeout = static_cast<int>(std::max<long long>(wait.count(), 0));
    // Handlers may unregister themselves or others from a callback: work on copies and
    // call only those still registered.
    const std::vector<Handler> handlers = handlers_;
#if defined(_WIN32)
    std::this_thread::sleep_for(std::chrono::milliseconds(timeout));
#else
    std::vector<pollfd> fds;
    for (const Handler& h : handlers) fds.push_back({h.fd, POLLIN, 0});
    if (poll(fds.data(), fds.size(), timeout) > 0) {
      for (std::size_t i = 0; i < fds.size(); ++i) {
        if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        const bool registered =
            std::any_of(handlers_.begin(), handlers_.end(),
                        [&](const Handler& h) { return h.handler == handlers[i].handler; });
        if (!registered) continue;
        ++eventCalls_;
        handlers[i].handler->onFDIsSet(handlers[i].fd);
      }
    }
#endif
    const Clock::time_point now = Clock::now();
    const std::vector<Timer> timers = timers_;
    for (const Timer& t : timers) {
      if (t.due > now) continue;
      auto it = std::find_if(timers_.begin(), timers_.end(),
                             [&](const Timer& r) { return r.handler == t.handler; });
      if (it == timers_.end()) continue;
      it->due = now + it->interval;
      ++timerCalls_;
      t.handler->onTimer();
    }
  } while (Clock::now() < end);
}

vst3::tresult EditorFrame::queryInterface(const vst3::TUID interfaceId, void** obj) {
  if (!obj) return vst3::kInvalidArgument;
#if !defined(_WIN32)
  // The run loop is an interface of the frame on Linux only.
  if (vst3::sameUid(interfaceId, vst3::IRunLoop::iid)) {
    *obj = &runLoop_;
    runLoop_.addRef();
    return vst3::kResultOk;
  }
#endif
  return answerQuery<vst3::IPlugFrame>(this, interfaceId, obj);
}

vst3::tresult EditorFrame::resizeView(vst3::IPlugView* view, vst3::ViewRect* newSize) {
  ++resizeRequests_;
  if (!view || !newSize) return vst3::kInvalidArgument;
  // A host window that follows the editor's wish: the view gets the size it asked for.
  return view->onSize(newSize);
}

}  // namespace vst3host
