"""A desktop of its own for one end-to-end test: a session bus (the accessibility bus comes up on
it), a virtual X server, a window manager, real X input through xdotool, and the accessibility
tree of the window under test. Everything started here is stopped again when a test ends or fails,
and killed with this script should it be killed."""

import ctypes
import os
import select
import shutil
import signal
import struct
import subprocess
import time
import zlib

SKIP = 77  # the exit status ctest reads as "skipped"

PROGRAMS = ["Xvfb", "openbox", "xdotool", "dbus-daemon"]
BUS_LAUNCHERS = ["/usr/libexec/at-spi-bus-launcher", "/usr/lib/at-spi2-core/at-spi-bus-launcher"]
SCREEN = (1280, 1024)


class Failure(Exception):
    """What the window did not do, in words."""


def missing_tools():
    """The tools this machine lacks for the tests; the set-up script installs them all."""
    missing = [program for program in PROGRAMS if shutil.which(program) is None]
    if not any(os.access(path, os.X_OK) for path in BUS_LAUNCHERS):
        missing.append("at-spi2-core")
    try:
        import gi

        gi.require_version("Atspi", "2.0")
        from gi.repository import Atspi  # noqa: F401
    except (ImportError, ValueError):
        missing.append("python3-gi with gir1.2-atspi-2.0")
    return missing


def wait_until(what, probe, timeout, interval=0.1):
    """Calls `probe` until it returns something true, then returns that; after `timeout` seconds
    fails naming `what`."""
    deadline = time.monotonic() + timeout
    while True:
        found = probe()
        if found:
            return found
        if time.monotonic() > deadline:
            raise Failure(f"after {timeout:g} s still waiting for {what}")
        time.sleep(interval)


def _end_with_parent():
    # PR_SET_PDEATHSIG: should this script itself be killed, what it started is killed too.
    ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGKILL)


class Processes:
    """Started programs, each in a process group of its own, stopped in reverse order."""

    def __init__(self):
        self._started = []

    def start(self, argv, env, log=None, **options):
        out = open(log, "ab") if log else subprocess.DEVNULL
        try:
            process = subprocess.Popen(argv, env=env, stdout=out, stderr=out, start_new_session=True,
                                       preexec_fn=_end_with_parent, **options)
        finally:
            if log:
                out.close()  # the program has its own copy
        self._started.append(process)
        return process

    def stop(self, process, grace=3.0):
        if process.poll() is None:
            os.killpg(process.pid, signal.SIGTERM)
            try:
                process.wait(grace)
            except subprocess.TimeoutExpired:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait()
        else:
            # The leader has gone; whatever it left in its group goes too.
            try:
                os.killpg(process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass

    def stop_all(self):
        while self._started:
            self.stop(self._started.pop())


class Desktop:
    """A session bus and a virtual screen with openbox on it, in `folder` (the screen's frame
    buffer is kept there as an XWD file, for the picture of a failure)."""

    def __init__(self, folder, env):
        self.folder = folder
        self.env = dict(env)
        self.processes = Processes()

    def __enter__(self):
        try:
            self._start_session_bus()
            self._start_display()
            self._start_window_manager()
        except BaseException:
            self.processes.stop_all()
            raise
        return self

    def __exit__(self, *exc):
        self.processes.stop_all()

    def _start_reporting(self, argv, what, log):
        """Starts a program that writes one line through the descriptor given last in `argv`
        (its address, its display) once it is ready, and returns that line."""
        readable, writable = os.pipe()
        try:
            self.processes.start([*argv, str(writable)], self.env, log=os.path.join(self.folder, log),
                                 pass_fds=[writable])
            os.close(writable)
            writable = None
            line = b""
            deadline = time.monotonic() + 15
            while not line.endswith(b"\n"):
                if not select.select([readable], [], [], max(0.0, deadline - time.monotonic()))[0]:
                    raise Failure(f"{argv[0]} did not say its {what} within 15 s")
                chunk = os.read(readable, 256)
                if not chunk:
                    raise Failure(f"{argv[0]} ended before it said its {what}")
                line += chunk
        finally:
            os.close(readable)
            if writable is not None:
                os.close(writable)
        return line.decode().strip()

    def _start_session_bus(self):
        # The accessibility bus is started on it when first asked for, and ends with it.
        address = self._start_reporting(["dbus-daemon", "--session", "--nofork", "--print-address"], "address",
                                        "bus.log")
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address
        # This script reads the tree over the same bus.
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = address

    def _start_display(self):
        number = self._start_reporting(["Xvfb", "-screen", "0", f"{SCREEN[0]}x{SCREEN[1]}x24", "-fbdir", self.folder,
                                        "-nolisten", "tcp", "-noreset", "-displayfd"], "display number", "xvfb.log")
        self.env["DISPLAY"] = ":" + number

    def _start_window_manager(self):
        ready = os.path.join(self.folder, "openbox-ready")
        self.processes.start(["openbox", "--startup", "touch " + ready], self.env,
                             log=os.path.join(self.folder, "openbox.log"))
        wait_until("openbox to manage the screen", lambda: os.path.exists(ready), 15)

    def xdotool(self, *arguments):
        subprocess.run(["xdotool", *arguments], env=self.env, check=True, timeout=60)

    def click(self, x, y):
        # Not --sync: it waits for a motion that never comes when the pointer is there already.
        self.xdotool("mousemove", str(x), str(y), "click", "1")

    def type(self, text, delay_ms=120):
        """Types `text` key by key, as a person does, into whatever has the keyboard focus."""
        self.xdotool("type", "--delay", str(delay_ms), "--", text)

    def press(self, key):
        self.xdotool("key", key)

    def screenshot(self, png):
        """The screen as it is now, as a PNG file."""
        with open(os.path.join(self.folder, "Xvfb_screen0"), "rb") as xwd:
            write_png(png, *read_xwd(xwd.read()))


def read_xwd(data):
    """Width, height and RGB rows of the XWD frame buffer Xvfb keeps (32 bits a pixel)."""
    fields = struct.unpack(">25I", data[:100])
    header_size, width, height, byte_order = fields[0], fields[4], fields[5], fields[7]
    bits_per_pixel, bytes_per_line, colours = fields[11], fields[12], fields[19]
    if bits_per_pixel != 32:
        raise Failure(f"the frame buffer has {bits_per_pixel} bits a pixel, not 32")
    start = header_size + 12 * colours
    rows = []
    for y in range(height):
        line = data[start + y * bytes_per_line : start + y * bytes_per_line + 4 * width]
        pixels = bytearray(3 * width)
        # Least significant byte first: blue, green, red, unused.
        order = (2, 1, 0) if byte_order == 0 else (1, 2, 3)
        for channel, offset in enumerate(order):
            pixels[channel::3] = line[offset::4]
        rows.append(bytes(pixels))
    return width, height, rows


def write_png(path, width, height, rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    raw = b"".join(b"\x00" + row for row in rows)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(raw, 6)))
        out.write(chunk(b"IEND", b""))


class Node:
    """One object of the accessibility tree, with what a person would read off it."""

    def __init__(self, accessible, Atspi):
        self.accessible = accessible
        self.role = accessible.get_role_name() or ""
        self.name = accessible.get_name() or ""
        self.description = accessible.get_description() or ""
        self.text = ""
        text = accessible.get_text_iface()
        if text is not None:
            self.text = Atspi.Text.get_text(text, 0, Atspi.Text.get_character_count(text)) or ""
        states = accessible.get_state_set()
        self.showing = states.contains(Atspi.StateType.SHOWING) and states.contains(Atspi.StateType.VISIBLE)
        self.enabled = states.contains(Atspi.StateType.ENABLED)
        self.focused = states.contains(Atspi.StateType.FOCUSED)

    def says(self, words):
        # A label given an accessible name hides its text from the name: both are read.
        return words in (self.name, self.text)

    def centre(self, Atspi):
        box = Atspi.Component.get_extents(self.accessible, Atspi.CoordType.SCREEN)
        if box.width <= 0 or box.height <= 0:
            raise Failure(f"'{self.name or self.text}' has no place on the screen")
        return box.x + box.width // 2, box.y + box.height // 2

    def __repr__(self):
        parts = [self.role]
        if self.name:
            parts.append(f"name={self.name!r}")
        if self.text and self.text != self.name:
            parts.append(f"text={self.text!r}")
        if self.description:
            parts.append(f"description={self.description!r}")
        if not self.enabled:
            parts.append("disabled")
        if self.focused:
            parts.append("focused")
        return " ".join(parts)


class Tree:
    """The accessibility tree of the application with process id `pid`, read afresh each time."""

    def __init__(self, pid):
        import gi

        gi.require_version("Atspi", "2.0")
        from gi.repository import Atspi, GLib

        self.Atspi = Atspi
        self.GLib = GLib
        self.pid = pid
        Atspi.init()
        # A call to an object the window has just deleted waits for its answer this long (ms), not
        # D-Bus's 25 s.
        Atspi.set_timeout(2000, 15000)
        self._app = None

    def _application(self):
        if self._app is not None:
            return self._app
        desktop = self.Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            if app is not None and app.get_process_id() == self.pid:
                app.set_cache_mask(self.Atspi.Cache.NONE)
                self._app = app
                return app
        return None

    def shown(self):
        """Every object on the screen now, in tree order."""
        app = self._application()
        if app is None:
            return []
        app.clear_cache()
        found = []
        pending = [app]
        try:
            while pending:
                accessible = pending.pop()
                node = Node(accessible, self.Atspi)
                if accessible is not app and not node.showing:
                    continue
                found.append(node)
                children = [accessible.get_child_at_index(i) for i in range(accessible.get_child_count())]
                pending.extend(child for child in reversed(children) if child is not None)
        except self.GLib.Error:  # the tree changed while it was read: read it again next time
            return []
        return found[1:]

    def describe(self):
        return "\n".join("  " + repr(node) for node in self.shown())

