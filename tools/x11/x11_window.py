#!/usr/bin/python3
"""Start-up from outside, and the close box, on a running X server.

  x11_window.py startup [--title TITLE] PROGRAM [ARG...]
                                  starts PROGRAM and prints the milliseconds
                                  until a top-level window titled TITLE
                                  (default "Form1", the launcher) is mapped
                                  and viewable, then ends PROGRAM
  x11_window.py close WINDOW      sends WINDOW the window manager's close
                                  request, as its close box would

close() is the one close box of the project's X scripts: the benchmarks,
the end-to-end scenarios (tests/e2e/xsession.py) and scripts/package use it;
maximise() is the maximise button, for the scenarios.
It runs on Debian's python3 with python3-xlib.
"""
import subprocess
import sys
import time

from Xlib import X, display as xdisplay, error as xerror, protocol


def _titled(window):
    try:
        return window.get_wm_name()
    except xerror.XError:  # gone meanwhile
        return None


def _viewable(window):
    try:
        return window.get_attributes().map_state == X.IsViewable
    except xerror.XError:
        return False


def startup(program, title="Form1"):
    """Milliseconds from starting program until a top-level window with the
    title is viewable. The root window reports every window mapped on it and
    every title set there, so nothing is polled: each report is looked at as
    it comes."""
    connection = xdisplay.Display()
    root = connection.screen().root
    root.change_attributes(event_mask=X.SubstructureNotifyMask)
    connection.sync()
    start = time.monotonic()
    process = subprocess.Popen(program, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    watched = set()  # windows whose title changes are reported
    try:
        while True:
            while connection.pending_events():
                event = connection.next_event()
                window = getattr(event, "window", None)
                if event.type == X.CreateNotify and window not in watched:
                    window.change_attributes(event_mask=X.PropertyChangeMask)
                    watched.add(window)
                if event.type in (X.MapNotify, X.PropertyNotify) and \
                        _titled(window) == title and _viewable(window):
                    print("%.2f" % ((time.monotonic() - start) * 1000))
                    return
            if process.poll() is not None or time.monotonic() - start > 10:
                sys.exit("x11_window.py: no %s window" % title)
            connection.flush()
            time.sleep(0.0005)
    finally:
        process.terminate()  # the program this script started, by its id
        process.wait()
        connection.close()


def close(window, display_name=None):
    """The close box, as a window manager sends it: WM_DELETE_WINDOW, on the
    display named (None: $DISPLAY)."""
    try:
        connection = xdisplay.Display(display_name)
    except xerror.DisplayError as failure:
        raise OSError("x11_window.py: cannot open the X display") from failure
    try:
        target = connection.create_resource_object("window", window)
        message = protocol.event.ClientMessage(
            window=target, client_type=connection.intern_atom("WM_PROTOCOLS"),
            data=(32, [connection.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0]))
        target.send_event(message, event_mask=X.NoEventMask)
        # A round trip, as Xlib's own close makes: the server has taken the
        # message before this connection goes, not merely been sent it.
        connection.sync()
    finally:
        connection.close()


def maximise(window, display_name=None):
    """The maximise button, as a pager or a task bar asks a window manager
    for it: _NET_WM_STATE, both axes maximised."""
    try:
        connection = xdisplay.Display(display_name)
    except xerror.DisplayError as failure:
        raise OSError("x11_window.py: cannot open the X display") from failure
    try:
        root = connection.screen().root
        target = connection.create_resource_object("window", window)
        add, from_application = 1, 1
        message = protocol.event.ClientMessage(
            window=target, client_type=connection.intern_atom("_NET_WM_STATE"),
            data=(32, [add, connection.intern_atom("_NET_WM_STATE_MAXIMIZED_VERT"),
                       connection.intern_atom("_NET_WM_STATE_MAXIMIZED_HORZ"),
                       from_application, 0]))
        root.send_event(message,
                        event_mask=X.SubstructureRedirectMask | X.SubstructureNotifyMask)
        connection.sync()
    finally:
        connection.close()


if __name__ == "__main__":
    if len(sys.argv) >= 5 and sys.argv[1] == "startup" and sys.argv[2] == "--title":
        startup(sys.argv[4:], sys.argv[3])
    elif len(sys.argv) >= 3 and sys.argv[1] == "startup":
        startup(sys.argv[2:])
    elif len(sys.argv) == 3 and sys.argv[1] == "close":
        close(int(sys.argv[2]))
    else:
        sys.exit(__doc__)
