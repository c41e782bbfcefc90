#!/usr/bin/python3
"""Usage: AccessibilityTreeTest.py QUORVANE

Runs the window on a virtual X display in a private D-Bus session with the AT-SPI registry and reads
its accessibility tree through pyatspi, as a screen reader does. Exit status 0 when every check
passes, 1 when one fails, 77 (skipped) only when the AT-SPI bus cannot start here.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77
NO_DISPLAY = 75  # the program could not reach the virtual display: tried again on another one
LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
# Bounds for the polling loops: the program and the buses start within seconds.
STEPS, STEP_SECONDS = 600, 0.1


def outer(program):
    # Each tool comes from scripts/setup's test group; a missing one is a broken set-up, not a skip.
    for tool in ("xvfb-run", "dbus-run-session", LAUNCHER):
        if not shutil.which(tool):
            print(f"FAIL: {tool} is missing (scripts/setup test installs it)")
            return 1
    env = dict(os.environ, QV_ATSPI_SESSION="1")
    env.pop("DBUS_SESSION_BUS_ADDRESS", None)
    env.pop("AT_SPI_BUS_ADDRESS", None)
    # A display number of its own: xvfb-run -a alone starts at 99 and races other runs for it.
    for attempt in range(3):
        display = 100 + (os.getpid() + 1700 * attempt) % 5000
        command = ["xvfb-run", "-a", "-n", str(display), "dbus-run-session", "--", sys.executable,
                   os.path.abspath(__file__), os.path.abspath(program)]
        status = subprocess.run(command, env=env, timeout=240).returncode
        if status != NO_DISPLAY:
            return status
    print("FAIL: the program could not reach a virtual display in three tries")
    return 1


def wait_for(probe):
    for _ in range(STEPS):
        found = probe()
        if found:
            return found
        time.sleep(STEP_SECONDS)
    return None


def a11y_bus_address():
    from gi.repository import Gio, GLib

    try:
        bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        reply = bus.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None,
                              GLib.VariantType.new("(s)"), Gio.DBusCallFlags.NO_AUTO_START, 1000, None)
        return reply.unpack()[0]
    except GLib.Error:
        return None


def press(node):
    action = node.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    return "Press" in names and action.doAction(names.index("Press"))


def walk(node, depth=0):
    if node is None or depth > 12:
        return
    yield node
    for index in range(node.childCount):
        yield from walk(node.getChildAtIndex(index), depth + 1)


def inner(program):
    try:
        import pyatspi  # noqa: F401 (imported here: it connects to the bus when loaded)
    except ImportError:
        print("FAIL: pyatspi is missing (python3-pyatspi, gir1.2-atspi-2.0; scripts/setup test)")
        return 1
    launcher = subprocess.Popen([LAUNCHER, "--launch-immediately"], stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
    work = tempfile.mkdtemp()
    app_process = None
    try:
        if not wait_for(a11y_bus_address):
            print(f"SKIP: the AT-SPI bus did not start ({LAUNCHER} gave no address)")
            return SKIP
        import pyatspi
        from gi.repository import GLib

        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb",
                   XDG_CONFIG_HOME=os.path.join(work, "config"))
        # A copy beside a judge list of its own: the shipped placeholders would stop Start.
        copy = os.path.join(work, "quorvane")
        shutil.copy(program, copy)
        with open(os.path.join(work, "judgescripts.txt"), "w") as judges:
            judges.write("http://127.0.0.1:9/azenv.php\r\n")
        app_process = subprocess.Popen([copy], env=env, cwd=work)
        desktop = pyatspi.Registry.getDesktop(0)

        def application():
            for index in range(desktop.childCount):
                app = desktop.getChildAtIndex(index)
                if app is not None and app.name == "Quorvane":
                    return app
            return None

        app = wait_for(application)
        if app is None and app_process.poll() is not None and app_process.returncode != 0:
            print(f"the program ended with {app_process.returncode} before it showed: display {os.environ.get('DISPLAY')}")
            return NO_DISPLAY
        if app is None:
            print("FAIL: Quorvane never appeared in the accessibility tree")
            return 1

        def find(role, name=None, root=None):
            for node in walk(root or app):
                if node.getRoleName() == role and (name is None or node.name == name):
                    return node
            return None

        failures = []

        def check(condition, message):
            print(("ok   " if condition else "FAIL ") + message)
            if not condition:
                failures.append(message)

        # The window is built before it shows: wait until its status bar is in the tree.
        bar = wait_for(lambda: find("status bar"))
        check(bar is not None, "a status bar")
        if bar is not None:
            panels = [bar.getChildAtIndex(i).name for i in range(bar.childCount)]
            check(panels == ["Status: Idle..", "Good: 0", "Loaded: 0"], f"its panels read {panels}")
        for role, name in (("push button", "Start"), ("push button", "Load Proxies"), ("slider", "Sockets"),
                           ("text", "Timeout in milliseconds")):
            check(find(role, name) is not None, f"a {role} named {name!r}")
        check(any(node.name == "Found proxies" for node in walk(app)), "the found list named 'Found proxies'")

        # Start with nothing loaded writes a new status: the reader hears the status panel's new name.
        heard = []
        pyatspi.Registry.registerEventListener(
            lambda event: heard.append((event.source.parent.getRoleName(), event.source.name)),
            "object:property-change:accessible-name")
        press(find("push button", "Start"))

        def announced():
            GLib.MainContext.default().iteration(False)
            status = bar.getChildAtIndex(0).name if bar is not None else None
            return status != "Status: Idle.." and ("status bar", status) in heard

        check(wait_for(announced), f"the new status announced (heard {heard})")

        edit = find("push button", "Edit")
        check(edit is not None, "a push button named 'Edit'")
        if edit is not None:
            check(edit.description == "Add Script List", f"Edit described as {edit.description!r}")
            check(press(edit), "Edit has the Press action")
            editor = wait_for(lambda: find("text", "Judge URLs, one per line"))
            check(editor is not None, "Press on Edit opens the judge-list editor, its text box named")
            check(find("push button", "Save Changes") is not None, "the editor's Save Changes button")

        print(f"accessibility tree: {len(failures)} checks failed")
        return 1 if failures else 0
    finally:
        if app_process is not None:
            app_process.terminate()
            try:
                app_process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                app_process.kill()
        launcher.terminate()
        try:
            launcher.wait(timeout=10)
        except subprocess.TimeoutExpired:
            launcher.kill()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        print(__doc__)
        sys.exit(2)
    sys.exit(inner(sys.argv[1]) if os.environ.get("QV_ATSPI_SESSION") == "1" else outer(sys.argv[1]))
