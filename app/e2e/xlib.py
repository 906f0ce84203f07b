"""What the end-to-end tests ask of the X server directly, through libX11: the
pixels of a screen area, a close request to a window (what a window manager
sends when the close button of the frame is clicked), and the cardinal
properties a desktop keeps (the work area a panel leaves, a window's icon)."""

import ctypes
import ctypes.util

_ZPIXMAP = 2
_ALL_PLANES = ctypes.c_ulong(~0 & 0xFFFFFFFFFFFFFFFF)
_CLIENT_MESSAGE = 33
_NO_EVENT_MASK = 0
_XA_CARDINAL = 6
_PROP_MODE_REPLACE = 0


class _XImage(ctypes.Structure):
    # The leading fields of XImage (Xlib.h), as far as reading pixels needs.
    _fields_ = [
        ("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
        ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
        ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
        ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int),
        ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int),
        ("red_mask", ctypes.c_ulong), ("green_mask", ctypes.c_ulong),
        ("blue_mask", ctypes.c_ulong),
    ]


class _ClientMessage(ctypes.Structure):
    _fields_ = [
        ("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
        ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
        ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
        ("data", ctypes.c_long * 5),
    ]


class _XEvent(ctypes.Union):
    _fields_ = [("xclient", _ClientMessage), ("pad", ctypes.c_long * 24)]


def _library():
    lib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    lib.XOpenDisplay.restype = ctypes.c_void_p
    lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    lib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    lib.XDefaultRootWindow.restype = ctypes.c_ulong
    lib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    lib.XGetImage.restype = ctypes.POINTER(_XImage)
    lib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                              ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    lib.XDestroyImage.argtypes = [ctypes.POINTER(_XImage)]
    lib.XInternAtom.restype = ctypes.c_ulong
    lib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    lib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(_XEvent)]
    lib.XFlush.argtypes = [ctypes.c_void_p]
    lib.XChangeProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                    ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                    ctypes.c_void_p, ctypes.c_int]
    lib.XGetWindowProperty.argtypes = [
        ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_long, ctypes.c_long,
        ctypes.c_int, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
        ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong),
        ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p)]
    lib.XFree.argtypes = [ctypes.c_void_p]
    lib.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                               ctypes.POINTER(ctypes.c_ulong),
                               ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)),
                               ctypes.POINTER(ctypes.c_uint)]
    return lib


class Display:
    """A connection to the X server named `name` (":5")."""

    def __init__(self, name):
        self._lib = _library()
        self._dpy = self._lib.XOpenDisplay(name.encode())
        if not self._dpy:
            raise RuntimeError(f"cannot open X display {name}")

    def close(self):
        if self._dpy:
            self._lib.XCloseDisplay(self._dpy)
            self._dpy = None

    def grab(self, x, y, width, height):
        """The screen area as rows of (red, green, blue) tuples."""
        root = self._lib.XDefaultRootWindow(self._dpy)
        image = self._lib.XGetImage(self._dpy, root, x, y, width, height, _ALL_PLANES, _ZPIXMAP)
        if not image:
            raise RuntimeError(f"cannot read the screen at {x},{y} {width}x{height}")
        try:
            img = image.contents
            if img.bits_per_pixel != 32 or img.byte_order != 0:
                raise RuntimeError(f"unexpected screen format: {img.bits_per_pixel} bits per "
                                   f"pixel, byte order {img.byte_order}")
            raw = ctypes.string_at(img.data, img.bytes_per_line * img.height)
            rows = []
            for row in range(img.height):
                line = raw[row * img.bytes_per_line:row * img.bytes_per_line + 4 * img.width]
                rows.append([(line[i + 2], line[i + 1], line[i]) for i in range(0, len(line), 4)])
            return rows
        finally:
            self._lib.XDestroyImage(image)

    def request_close(self, window):
        """Sends WM_DELETE_WINDOW to `window`, as a window manager does."""
        protocols = self._lib.XInternAtom(self._dpy, b"WM_PROTOCOLS", 0)
        delete = self._lib.XInternAtom(self._dpy, b"WM_DELETE_WINDOW", 0)
        event = _XEvent()
        event.xclient.type = _CLIENT_MESSAGE
        event.xclient.window = window
        event.xclient.message_type = protocols
        event.xclient.format = 32
        event.xclient.data[0] = delete
        event.xclient.data[1] = 0  # CurrentTime
        if not self._lib.XSendEvent(self._dpy, window, 0, _NO_EVENT_MASK, ctypes.byref(event)):
            raise RuntimeError("XSendEvent failed")
        self._lib.XFlush(self._dpy)

    def set_work_area(self, x, y, width, height):
        """What a desktop panel does: the root window's _NET_WORKAREA."""
        atom = self._lib.XInternAtom(self._dpy, b"_NET_WORKAREA", 0)
        data = (ctypes.c_long * 4)(x, y, width, height)
        self._lib.XChangeProperty(self._dpy, self._lib.XDefaultRootWindow(self._dpy), atom,
                                  _XA_CARDINAL, 32, _PROP_MODE_REPLACE, data, 4)
        self._lib.XFlush(self._dpy)

    def stacking(self):
        """The root window's children from the bottom of the stack to the top."""
        root, parent = ctypes.c_ulong(), ctypes.c_ulong()
        children, count = ctypes.POINTER(ctypes.c_ulong)(), ctypes.c_uint()
        if not self._lib.XQueryTree(self._dpy, self._lib.XDefaultRootWindow(self._dpy),
                                    ctypes.byref(root), ctypes.byref(parent),
                                    ctypes.byref(children), ctypes.byref(count)):
            raise RuntimeError("XQueryTree failed")
        try:
            return [children[i] for i in range(count.value)]
        finally:
            if children:
                self._lib.XFree(children)

    def icon_size(self, window):
        """The size of the first picture in the window's _NET_WM_ICON, or None."""
        atom = self._lib.XInternAtom(self._dpy, b"_NET_WM_ICON", 0)
        kind, fmt = ctypes.c_ulong(), ctypes.c_int()
        count, after, data = ctypes.c_ulong(), ctypes.c_ulong(), ctypes.c_void_p()
        if self._lib.XGetWindowProperty(self._dpy, window, atom, 0, 2, 0, _XA_CARDINAL,
                                        ctypes.byref(kind), ctypes.byref(fmt),
                                        ctypes.byref(count), ctypes.byref(after),
                                        ctypes.byref(data)) != 0:
            return None
        try:
            if fmt.value != 32 or count.value < 2:
                return None
            width, height = ctypes.cast(data, ctypes.POINTER(ctypes.c_long))[:2]
            return (width, height)
        finally:
            if data.value:
                self._lib.XFree(data)


def write_ppm(path, rows):
    """Saves rows of (r, g, b) as a binary PPM picture."""
    height, width = len(rows), len(rows[0]) if rows else 0
    with open(path, "wb") as out:
        out.write(b"P6\n%d %d\n255\n" % (width, height))
        for row in rows:
            out.write(bytes(v for pixel in row for v in pixel))
