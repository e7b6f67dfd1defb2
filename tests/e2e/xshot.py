"""Screenshots of an X display for the end-to-end tests, without any image
library: xwd (x11-apps) takes the picture, this module reads its pixels and
can save them as PNG and read PNGs back (zlib from the standard library). Also the polling that
every test on a display waits with, and a count of the frames that reach a window."""
import ctypes
import select
import struct
import subprocess
import time
import zlib


def wait_for(predicate, limit, step):
    """Polls until predicate() gives a true value and returns it; after
    `limit` seconds returns whatever one last call gives."""
    end = time.monotonic() + limit
    while time.monotonic() < end:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return predicate()


class Shot:
    def __init__(self, width, height, rows):
        self.width = width
        self.height = height
        self.rows = rows  # list of bytearrays, 3 bytes (r, g, b) per pixel

    def pixel(self, x, y):
        row = self.rows[y]
        return tuple(row[3 * x:3 * x + 3])

    def crop(self, x, y, w, h):
        return Shot(w, h, [bytearray(r[3 * x:3 * (x + w)]) for r in self.rows[y:y + h]])

    def save_png(self, path):
        raw = b"".join(b"\x00" + bytes(r) for r in self.rows)

        def chunk(tag, data):
            body = tag + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

        png = b"\x89PNG\r\n\x1a\n"
        png += chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0))
        png += chunk(b"IDAT", zlib.compress(raw, 6))
        png += chunk(b"IEND", b"")
        with open(path, "wb") as f:
            f.write(png)


def capture(window="root", display=None):
    """Takes a picture of a window (an id, or "root") with xwd."""
    cmd = ["xwd", "-silent", "-root"] if window == "root" else ["xwd", "-silent", "-id", str(window)]
    if display:
        cmd += ["-display", display]
    data = subprocess.run(cmd, check=True, capture_output=True, timeout=30).stdout
    return parse_xwd(data)


def read_png(path):
    """8-bit RGB or RGBA, non-interlaced PNG (what the snapshot tool writes)."""
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, idat, width = 8, b"", 0
    while pos < len(data):
        length, tag = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if tag == b"IHDR":
            width, height, depth, ctype, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert depth == 8 and ctype in (2, 6) and interlace == 0, "unsupported PNG"
            channels = 3 if ctype == 2 else 4
        elif tag == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        f = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            if f == 1:
                line[i] = (line[i] + a) & 255
            elif f == 2:
                line[i] = (line[i] + b) & 255
            elif f == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + pred) & 255
        previous = line
        rgb = bytearray(3 * width)
        for x in range(width):
            rgb[3 * x:3 * x + 3] = line[channels * x:channels * x + 3]
        rows.append(rgb)
    return Shot(width, height, rows)


def parse_xwd(data):
    fields = struct.unpack(">25I", data[:100])
    header_size, version, pixmap_format, depth, width, height = fields[:6]
    byte_order = fields[7]
    bits_per_pixel = fields[11]
    bytes_per_line = fields[12]
    red_mask, green_mask, blue_mask = fields[14], fields[15], fields[16]
    ncolors = fields[19]
    if version != 7 or pixmap_format != 2 or bits_per_pixel not in (24, 32):
        raise ValueError("unsupported xwd picture")
    step = bits_per_pixel // 8
    offset = header_size + 12 * ncolors
    order = "<" if byte_order == 0 else ">"

    def shift(mask):
        s = 0
        while mask and not mask & 1:
            mask >>= 1
            s += 1
        return s

    rs, gs, bs = shift(red_mask), shift(green_mask), shift(blue_mask)
    rows = []
    for y in range(height):
        start = offset + y * bytes_per_line
        if step == 4:
            values = struct.unpack_from(order + "%dI" % width, data, start)
        else:  # packed 24-bit pixels (xwd of a root with several visuals)
            line = data[start:start + 3 * width]
            values = [int.from_bytes(line[3 * i:3 * i + 3], "little" if order == "<" else "big")
                      for i in range(width)]
        row = bytearray(3 * width)
        for x, v in enumerate(values):
            row[3 * x] = (v >> rs) & 255
            row[3 * x + 1] = (v >> gs) & 255
            row[3 * x + 2] = (v >> bs) & 255
        rows.append(row)
    return Shot(width, height, rows)


def close_box(window):
    """What a window manager's close box does: WM_DELETE_WINDOW in a
    WM_PROTOCOLS client message."""
    x11 = ctypes.CDLL("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                    ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                    ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5),
                    ("pad", ctypes.c_long * 24)]  # XEvent is 24 longs; this covers it

    display = x11.XOpenDisplay(None)
    assert display, "cannot reach the test display"
    event = ClientMessage()
    event.type = 33  # ClientMessage
    event.window = window
    event.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.format = 32
    event.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    assert x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
    x11.XFlush(display)
    x11.XCloseDisplay(display)


class Presents:
    """The frames that reach a window, seen from outside the program: every
    drawing into it is damage that the X server reports (the DAMAGE
    extension, libXdamage), and a frame that GLX presents on Xvfb is one
    update of the whole window. Records the wall time (time.time()) at
    which each report arrived."""

    def __init__(self, window, display=None):
        x11 = self.x11 = ctypes.CDLL("libX11.so.6")
        damage = self.damage = ctypes.CDLL("libXdamage.so.1")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        for name in ("XConnectionNumber", "XPending", "XCloseDisplay"):
            getattr(x11, name).argtypes = [ctypes.c_void_p]
        x11.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
        x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        damage.XDamageQueryExtension.argtypes = [ctypes.c_void_p] + [ctypes.POINTER(ctypes.c_int)] * 2
        damage.XDamageCreate.restype = ctypes.c_ulong
        damage.XDamageCreate.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int]
        self.display = x11.XOpenDisplay(display.encode() if display else None)
        assert self.display, "cannot reach the test display"
        event_base, error_base = ctypes.c_int(), ctypes.c_int()
        assert damage.XDamageQueryExtension(self.display, ctypes.byref(event_base),
                                            ctypes.byref(error_base)), "no DAMAGE extension"
        self.notify = event_base.value  # XDamageNotify
        damage.XDamageCreate(self.display, window, 0)  # XDamageReportRawRectangles
        x11.XSync(self.display, 0)
        self.event = ctypes.create_string_buffer(192)  # an XEvent: 24 longs

    def collect(self, seconds):
        """The arrival times of the reports in the next `seconds`."""
        times = []
        end = time.monotonic() + seconds
        while True:
            while self.x11.XPending(self.display):
                self.x11.XNextEvent(self.display, self.event)
                if ctypes.c_int.from_buffer(self.event).value == self.notify:
                    times.append(time.time())
            left = end - time.monotonic()
            if left <= 0:
                return times
            select.select([self.x11.XConnectionNumber(self.display)], [], [], left)

    def close(self):
        self.x11.XCloseDisplay(self.display)
