#!/usr/bin/env python3
"""Start-up from outside, and the close box, on a running X server.

  x11_window.py startup [--title TITLE] PROGRAM [ARG...]
                                  starts PROGRAM and prints the milliseconds
                                  until a top-level window titled TITLE
                                  (default "Form1", the launcher) is mapped
                                  and viewable, then ends PROGRAM
  x11_window.py close WINDOW      sends WINDOW the window manager's close
                                  request, as its close box would

close() is the one close box of the project's X scripts: the benchmarks,
the end-to-end scenarios (tests/e2e/xsession.py) and scripts/package use it.
"""
import ctypes
import subprocess
import sys
import time

x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XDefaultRootWindow.restype = ctypes.c_ulong
x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                         ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)),
                         ctypes.POINTER(ctypes.c_uint)]
x.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_char_p)]
x.XFree.argtypes = [ctypes.c_void_p]
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XFlush.argtypes = [ctypes.c_void_p]
x.XCloseDisplay.argtypes = [ctypes.c_void_p]


class WindowAttributes(ctypes.Structure):
    # Only map_state is read; the rest is there for the layout.
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int),
                ("height", ctypes.c_int), ("border_width", ctypes.c_int), ("depth", ctypes.c_int),
                ("visual", ctypes.c_void_p), ("root", ctypes.c_ulong), ("c_class", ctypes.c_int),
                ("bit_gravity", ctypes.c_int), ("win_gravity", ctypes.c_int),
                ("backing_store", ctypes.c_int), ("backing_planes", ctypes.c_ulong),
                ("backing_pixel", ctypes.c_ulong), ("save_under", ctypes.c_int),
                ("colormap", ctypes.c_ulong), ("map_installed", ctypes.c_int),
                ("map_state", ctypes.c_int), ("all_event_masks", ctypes.c_long),
                ("your_event_mask", ctypes.c_long), ("do_not_propagate_mask", ctypes.c_long),
                ("override_redirect", ctypes.c_int), ("screen", ctypes.c_void_p)]


x.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(WindowAttributes)]
IS_VIEWABLE = 2


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]


def viewable(display, title):
    root, parent = ctypes.c_ulong(), ctypes.c_ulong()
    children, count = ctypes.POINTER(ctypes.c_ulong)(), ctypes.c_uint()
    if not x.XQueryTree(display, x.XDefaultRootWindow(display), ctypes.byref(root),
                        ctypes.byref(parent), ctypes.byref(children), ctypes.byref(count)):
        return False
    found = False
    for i in range(count.value):
        name = ctypes.c_char_p()
        if x.XFetchName(display, children[i], ctypes.byref(name)) and name.value == title:
            attributes = WindowAttributes()
            x.XGetWindowAttributes(display, children[i], ctypes.byref(attributes))
            found = attributes.map_state == IS_VIEWABLE
        if name:
            x.XFree(name)
        if found:
            break
    if children:
        x.XFree(children)
    return found


def startup(program, title=b"Form1"):
    display = x.XOpenDisplay(None)
    if not display:
        sys.exit("x11_window.py: no X display")
    start = time.monotonic()
    process = subprocess.Popen(program, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        while not viewable(display, title):
            if process.poll() is not None or time.monotonic() - start > 10:
                sys.exit("x11_window.py: no %s window" % title.decode())
            time.sleep(0.0005)
        print("%.2f" % ((time.monotonic() - start) * 1000))
    finally:
        process.terminate()  # the program this script started, by its id
        process.wait()


def close(window, display_name=None):
    """The close box, as a window manager sends it: WM_DELETE_WINDOW, on the
    display named (None: $DISPLAY)."""
    display = x.XOpenDisplay(display_name.encode() if display_name else None)
    if not display:
        raise OSError("x11_window.py: cannot open the X display")
    try:
        event = ClientMessage(type=33, window=window, format=32,  # ClientMessage
                              message_type=x.XInternAtom(display, b"WM_PROTOCOLS", 0))
        event.data[0] = x.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
        event.data[1] = 0  # CurrentTime
        x.XSendEvent(display, window, 0, 0, ctypes.byref(event))
        x.XFlush(display)
    finally:
        x.XCloseDisplay(display)


if __name__ == "__main__":
    if len(sys.argv) >= 5 and sys.argv[1] == "startup" and sys.argv[2] == "--title":
        startup(sys.argv[4:], sys.argv[3].encode())
    elif len(sys.argv) >= 3 and sys.argv[1] == "startup":
        startup(sys.argv[2:])
    elif len(sys.argv) == 3 and sys.argv[1] == "close":
        close(int(sys.argv[2]))
    else:
        sys.exit(__doc__)
