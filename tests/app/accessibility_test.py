#!/usr/bin/env python3
"""The desktop app as a screen reader sees it.

Starts the app under Xvfb with a private session bus and the AT-SPI bus, its documents and XDG
folders in a temporary folder and its transfer server on a free loopback port, walks the
accessible tree and checks the names and roles of the tabs, the main buttons, the splash and the
QR code of the transfer address and the rows of the settings sheet. Skips (exit code 77) when Xvfb, D-Bus, the AT-SPI bus or
pyatspi are missing.

usage: accessibility_test.py PATH_TO_TIDEWELL
Set TIDEWELL_A11Y_SCREENSHOT=file.png to keep a screenshot of the transfer tab.
"""

import os
import select
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77
LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
INNER = "TIDEWELL_A11Y_INNER"
QR_PREFIX = "QR code of the address "


def skip(reason):
    print("SKIP: " + reason)
    return SKIP


def start_xvfb():
    """An X server on a display it picks itself (-displayfd: no race with other servers starting
    at the same moment); (process, display) once it accepts clients, or (None, reason)."""
    read_end, write_end = os.pipe()
    # -noreset: the AT-SPI launcher connects and leaves before the app comes, and a server that
    # resets when its last client leaves refuses the app meanwhile.
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-noreset", "-screen", "0", "600x1000x24",
                             "-nolisten", "tcp"], pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    deadline = time.monotonic() + 60
    with os.fdopen(read_end, "rb", buffering=0) as pipe:
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            ready, _, _ = select.select([pipe], [], [], 1)
            if ready:
                chunk = pipe.read(16)
                if not chunk:
                    break
                number += chunk
    if not number.strip().isdigit():
        xvfb.kill()
        xvfb.wait()
        return None, "Xvfb did not start"
    return xvfb, ":" + number.strip().decode()


def outer(app):
    missing = [tool for tool in ("Xvfb", "dbus-run-session") if not shutil.which(tool)]
    if not os.access(LAUNCHER, os.X_OK):
        missing.append(LAUNCHER + " (at-spi2-core)")
    if subprocess.run([sys.executable, "-c", "import pyatspi"], capture_output=True).returncode != 0:
        missing.append("pyatspi for " + sys.executable + " (python3-pyatspi)")
    if missing:
        return skip("missing " + ", ".join(missing))
    xvfb, display = start_xvfb()
    if xvfb is None:
        print("FAIL: " + display)
        return 1
    try:
        env = dict(os.environ, **{INNER: "1"}, DISPLAY=display)
        command = ["dbus-run-session", "--", sys.executable, os.path.abspath(__file__), app]
        return subprocess.run(command, env=env, timeout=150).returncode
    finally:
        xvfb.terminate()
        xvfb.wait()


class Tree:
    """The app's accessible objects as (role, name, node), read again on each refresh."""

    def __init__(self, app):
        self.app = app
        self.nodes = []

    def refresh(self):
        self.nodes = []
        self._walk(self.app)
        return self

    def _walk(self, node):
        self.nodes.append((node.getRoleName(), node.name, node))
        for index in range(node.childCount):
            child = node.getChildAtIndex(index)
            if child is not None:
                self._walk(child)

    def find(self, role, name=None, prefix=None):
        for node_role, node_name, node in self.nodes:
            if node_role != role:
                continue
            if name is not None and node_name != name:
                continue
            if prefix is not None and not node_name.startswith(prefix):
                continue
            return node
        return None


def wait_for(condition, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        result = condition()
        if result:
            return result
        time.sleep(0.25)
    return condition()


def inner(app_path):
    import pyatspi

    root = tempfile.mkdtemp(prefix="tidewell-a11y-")
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
               TIDEWELL_DOCUMENTS=os.path.join(root, "Documents"),
               XDG_CONFIG_HOME=os.path.join(root, "config"), XDG_DATA_HOME=os.path.join(root, "data"),
               XDG_CACHE_HOME=os.path.join(root, "cache"), XDG_RUNTIME_DIR=os.path.join(root, "runtime"),
               # The app asks Avahi over the system bus; here it finds none rather than the machine's.
               DBUS_SYSTEM_BUS_ADDRESS="unix:path=" + os.path.join(root, "no-system-bus"))
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
    os.makedirs(env["TIDEWELL_DOCUMENTS"])
    with open(os.path.join(env["TIDEWELL_DOCUMENTS"], "notes.txt"), "w") as note:
        note.write("a file the browser lists\n")
    bus = subprocess.Popen([LAUNCHER, "--launch-immediately"])
    app = None
    failures = []

    def check(condition, message):
        if not condition:
            failures.append(message)

    try:
        time.sleep(0.5)
        app = subprocess.Popen([app_path, "--port", "0", "--bind", "127.0.0.1"], env=env)

        def find_app():
            for candidate in pyatspi.Registry.getDesktop(0):
                if candidate is not None and candidate.name == "Tidewell":
                    return candidate
            return None

        accessible = wait_for(find_app, 30)
        if accessible is None:
            print("FAIL: the app never appeared on the AT-SPI bus")
            return 1
        tree = Tree(accessible)
        wait_for(lambda: tree.refresh().find("page tab", "Settings"), 10)

        for title in ("Files", "Wi-Fi Transfer", "Settings"):
            check(tree.find("page tab", title), "no page tab named " + title)
        check(tree.find("push button", "Close"), "no push button named Close")
        for button in ("More", "Add"):
            check(tree.find("push button", button), "no push button named " + button + " in the file browser")
        check(tree.find("list item", "notes.txt"), "no list item named after the file notes.txt")
        check(tree.find("label", "Wi-Fi Transfer"), "no label for the transfer screen's title")
        # The splash covers the window for several seconds after launch.
        check(tree.find("progress bar", "Loading progress"), "no progress bar named Loading progress")
        check(any(name == "Loading" for _, name, _ in tree.nodes), "no splash named Loading")
        for role in ("push button", "page tab", "label", "progress bar"):
            unnamed = [node for node_role, name, node in tree.nodes if node_role == role and not name.strip()]
            check(not unnamed, "%d %s object(s) without a name" % (len(unnamed), role))

        # Showing the transfer tab looks up the address and draws its code.
        transfer = tree.find("page tab", "Wi-Fi Transfer")
        if transfer is not None:
            transfer.queryAction().doAction(0)
            url_label = wait_for(lambda: tree.refresh().find("label", prefix="http://"), 10)
            code = tree.find("image", prefix=QR_PREFIX) or tree.find("label", prefix=QR_PREFIX)
            check(code is not None, "no QR code named '%s…'" % QR_PREFIX)
            if url_label is not None and code is not None:
                check(code.name == QR_PREFIX + url_label.name,
                      "QR code named %r for the address %r" % (code.name, url_label.name))
                check(code.getRoleName() == "image", "QR code has the role " + code.getRoleName())
            elif code is not None:
                print("note: no network address here; the QR code is named %r" % code.name)
                check(code.name == QR_PREFIX, "QR code named %r without an address" % code.name)

        # The settings tab opens the settings sheet: its rows are buttons named by their titles.
        settings_tab = tree.find("page tab", "Settings")
        if settings_tab is not None:
            settings_tab.queryAction().doAction(0)
            wait_for(lambda: tree.refresh().find("push button", "Write a Review"), 10)
            for row in ("Write a Review", "Share Tidewell", "FAQs", "Report an Error", "Request a Feature",
                        "Contact Us", "Privacy Policy", "Terms & Conditions"):
                check(tree.find("push button", row), "no push button named " + row + " in the settings")
            check(tree.find("push button", "More Apps"), "the settings header is no button named More Apps")
            unnamed = [node for role, name, node in tree.nodes if role == "push button" and not name.strip()]
            check(not unnamed, "%d push button(s) without a name with the settings open" % len(unnamed))

        screenshot = os.environ.get("TIDEWELL_A11Y_SCREENSHOT")
        if screenshot:
            wait_for(lambda: not any(name == "Loading" for _, name, _ in tree.refresh().nodes), 25)
            time.sleep(1)
            subprocess.run(["/usr/bin/convert", "x:root", screenshot], check=False)
    finally:
        if app is not None:
            app.terminate()
            try:
                app.wait(timeout=10)
            except subprocess.TimeoutExpired:
                app.kill()
        bus.terminate()
        shutil.rmtree(root, ignore_errors=True)

    for failure in failures:
        print("FAIL: " + failure)
    if not failures:
        print("accessible tree: %d objects, tabs, buttons, splash, QR code and settings rows named" % len(tree.nodes))
    return 1 if failures else 0


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    if os.environ.get(INNER) == "1":
        return inner(sys.argv[1])
    return outer(sys.argv[1])


if __name__ == "__main__":
    sys.exit(main())
