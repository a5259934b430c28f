#!/usr/bin/env python3
"""An X display of its own for a real desktop program: a virtual X server with a window manager
on it, as every desktop has one. Without one, some toolkits wait many seconds for the frame a
window manager would put around their windows before they show them.

`with XDisplay(log_dir) as display:` gives `display.name` (":N") and `display.env` (the
environment with DISPLAY set). The window manager has announced itself on the root window before
the block starts, and both servers are ended by their own process ids afterwards.
"""

import os
import select
import signal
import subprocess
import time

START_LIMIT = 10.0  # seconds for each server to come up; more is a broken machine, not a slow one
SCREEN = "1280x800x24"


class DisplayFailure(Exception):
    pass


def _tail(path, lines=5):
    try:
        with open(path, "rb") as f:
            text = f.read().decode("utf-8", errors="replace")
    except OSError:
        return ""
    return "\n".join(text.splitlines()[-lines:])


class XDisplay:
    def __init__(self, log_dir, screen=SCREEN):
        self.log_dir = log_dir
        self.screen = screen
        self.processes = []
        self.name = None
        self.env = None

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *_):
        self.stop()

    def start(self):
        """Both servers up, or neither left running."""
        try:
            self._start()
        except BaseException:
            self.stop()
            raise

    def _start(self):
        os.makedirs(self.log_dir, exist_ok=True)
        self.name = self._start_server()
        home = os.path.join(self.log_dir, "wm-home")
        os.makedirs(home, exist_ok=True)
        self.env = dict(os.environ, DISPLAY=self.name)
        self._wait("the X server takes connections", lambda: self._query("xdpyinfo"),
                   "xvfb.txt")
        wm_log = os.path.join(self.log_dir, "openbox.txt")
        with open(wm_log, "wb") as log:
            self.processes.append(subprocess.Popen(
                ["openbox", "--sm-disable"], env=dict(self.env, HOME=home),
                stdin=subprocess.DEVNULL, stdout=log, stderr=log))
        self._wait("the window manager announces itself on the root window",
                   self._wm_announced, "openbox.txt")

    def stop(self):
        for proc in reversed(self.processes):
            if proc.poll() is None:
                proc.send_signal(signal.SIGTERM)
                try:
                    proc.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()
        self.processes = []

    def _start_server(self):
        read_end, write_end = os.pipe()
        with open(os.path.join(self.log_dir, "xvfb.txt"), "wb") as log:
            self.processes.append(subprocess.Popen(
                # Without -noreset the server resets when its last client leaves (the probes
                # below) and turns away whoever connects in that moment.
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", self.screen,
                 "-nolisten", "tcp", "-noreset"], pass_fds=(write_end,), stdin=subprocess.DEVNULL,
                stdout=log, stderr=log))
        os.close(write_end)
        number = b""
        end = time.monotonic() + START_LIMIT
        try:
            while not number.endswith(b"\n"):
                ready, _, _ = select.select([read_end], [], [], max(0.0, end - time.monotonic()))
                chunk = os.read(read_end, 16) if ready else b""
                if not chunk:
                    raise DisplayFailure("the X server starts: it gave no display number; "
                                         + _tail(os.path.join(self.log_dir, "xvfb.txt")))
                number += chunk
        finally:
            os.close(read_end)
        return ":" + number.decode().strip()

    def _query(self, *command):
        proc = subprocess.run(command, env=self.env, stdin=subprocess.DEVNULL,
                              capture_output=True, timeout=START_LIMIT)
        return proc.stdout.decode(errors="replace") if proc.returncode == 0 else None

    def _wm_announced(self):
        out = self._query("xprop", "-root", "_NET_SUPPORTING_WM_CHECK")
        return out is not None and "window id #" in out

    def _wait(self, step, probe, log_name):
        end = time.monotonic() + START_LIMIT
        while not probe():
            for proc in self.processes:
                if proc.poll() is not None:
                    raise DisplayFailure(f"{step}: {proc.args[0]} ended with exit status "
                                         f"{proc.returncode}; "
                                         f"{_tail(os.path.join(self.log_dir, log_name))}")
            if time.monotonic() > end:
                raise DisplayFailure(f"{step}: did not happen within {START_LIMIT:.0f} s; "
                                     f"{_tail(os.path.join(self.log_dir, log_name))}")
            time.sleep(0.02)

