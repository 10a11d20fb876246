# What the Qt host takes from the system beyond Qt. Each is used only where
# a check finds it, and each has a portable fallback that host/qt builds
# instead, so the host builds wherever Qt does:
#
#   KESTRIN_HAVE_TIMERFD  the 64 Hz alarm on a Linux timerfd, woken to the
#                         microsecond (host/qt/window/tick_alarm.h);
#                         else on Qt's timer
#   KESTRIN_HAVE_XCB      a window destroyed by another X client closes as
#                         its close box would
#                         (host/qt/platform/window_loss_watch.h);
#                         else it goes unseen
#   KESTRIN_HAVE_MADVISE  a picture read where it lies in the binary gives
#                         its pages back when it goes
#                         (host/qt/platform/system_memory.h); else they
#                         stay until the system needs them
#   KESTRIN_HAVE_MALLOPT  glibc maps windows' frames on their own, so they
#                         go back to the system when freed
#                         (host/qt/platform/system_memory.h); else the C
#                         library keeps its own rule
#
# Each check compiles the calls its code makes, once; the result is cached.
# KESTRIN_PORTABLE builds every fallback, as on a system with none of them:
# the `portable` preset, which scripts/test-qt-alarm builds and tests in CI.
option(KESTRIN_PORTABLE "Build the Qt host with none of the system's own calls it can do without" OFF)

include(CheckCXXSourceCompiles)

if(KESTRIN_PORTABLE)
  foreach(call TIMERFD XCB MADVISE MALLOPT)
    set(KESTRIN_HAVE_${call} OFF)
  endforeach()
else()
  check_cxx_source_compiles([[
    #include <sys/timerfd.h>
    int main() {
      itimerspec setting{};
      const int fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
      return timerfd_settime(fd, TFD_TIMER_ABSTIME, &setting, nullptr);
    }]] KESTRIN_HAVE_TIMERFD)
  # The headers alone: the events come through Qt's own connection.
  check_cxx_source_compiles([[
    #include <xcb/xcb.h>
    int main() {
      xcb_destroy_notify_event_t event{};
      return event.response_type == XCB_DESTROY_NOTIFY ? static_cast<int>(event.window) : 0;
    }]] KESTRIN_HAVE_XCB)
  check_cxx_source_compiles([[
    #include <sys/mman.h>
    #include <unistd.h>
    int main() {
      static char pages[1];
      return madvise(pages, static_cast<size_t>(sysconf(_SC_PAGESIZE)), MADV_DONTNEED);
    }]] KESTRIN_HAVE_MADVISE)
  check_cxx_source_compiles([[
    #include <malloc.h>
    int main() { return mallopt(M_MMAP_THRESHOLD, 128 * 1024); }]] KESTRIN_HAVE_MALLOPT)
endif()

set(kestrin_system_calls)
foreach(call TIMERFD XCB MADVISE MALLOPT)
  if(KESTRIN_HAVE_${call})
    string(TOLOWER ${call} name)
    list(APPEND kestrin_system_calls ${name})
  endif()
endforeach()
if(kestrin_system_calls)
  list(JOIN kestrin_system_calls ", " kestrin_system_calls)
else()
  set(kestrin_system_calls "none: every portable fallback")
endif()
message(STATUS "The Qt host's system calls: ${kestrin_system_calls}")
