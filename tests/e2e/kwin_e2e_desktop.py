"""The test's own hands on a KDE Plasma Wayland session, for the desktop scripts that run inside
run-under-kwin.sh: one RemoteDesktop portal session (the test's keyboard, which KDE grants
without asking when no screen is shared) and a KWin script that reports the windows. It lives
as long as the script, so that no keyboard comes or goes while the program under test types.
Commands arrive on stdin, one per line:
  type <hex>        type the UTF-8 text (characters of the US layout), key by key
  down <name>       press a key: shift, ctrl, right-ctrl, alt, super, return, tab, f1 ... f12,
                    or a character of the US layout
  up <name>         release it
  activate <regex>  wait (up to 30 s) for a window whose title matches (Python's re.search),
                    bring it to the front and wait until KWin reports it active
  windows           list the windows
Each command is answered with "done <n>" (n counts from 1) once KWin has it; "activate" first
reports "window <id>", "windows" one "view <id> <active 0|1> <title>" a window. A command that
cannot be carried out is answered with "error <n> <reason>" instead of "done <n>".
Usage: kwin_e2e_desktop.py"""
import json
import os
import re
import sys
import tempfile

import dbus
import dbus.service
from gi.repository import GLib

from portal_client import Failure, bus, remote_desktop, run_until, start_keyboard

kwin_scripting = dbus.Interface(bus.get_object("org.kde.KWin", "/Scripting"),
                                "org.kde.kwin.Scripting")

PRESSED, RELEASED = dbus.UInt32(1), dbus.UInt32(0)
KEYSYMS = {"shift": 0xFFE1, "ctrl": 0xFFE3, "alt": 0xFFE9, "super": 0xFFEB, "return": 0xFF0D,
           "tab": 0xFF09, "right-ctrl": 0xFFE4}
KEYSYMS.update({"f%d" % n: 0xFFBE + n - 1 for n in range(1, 13)})
REPORTER_PATH = "/org/kivrano/E2eWindows"
REPORTER_INTERFACE = "org.kivrano.E2eWindows"


def say(line):
    sys.stdout.write(line + "\n")
    sys.stdout.flush()


class Windows(dbus.service.Object):
    """What the resident KWin script reports: the windows, the active one, by KWin's ids."""

    def __init__(self):
        super().__init__(bus, REPORTER_PATH)
        self.views = []
        self.active = ""
        self.reports = 0

    @dbus.service.method(REPORTER_INTERFACE, in_signature="s", out_signature="")
    def Report(self, text):
        report = json.loads(str(text))
        self.views = report["windows"]
        self.active = report["active"]
        self.reports += 1

    def matching(self, pattern):
        return [v for v in self.views if re.search(pattern, v["caption"])]


def run_script(text, name):
    """Loads and runs a KWin script; 5.27 has it at /N, Plasma 6 at /Scripting/ScriptN."""
    with tempfile.NamedTemporaryFile("w", suffix=".js") as file:
        file.write(text)
        file.flush()
        # loadScript has two forms: the one with a name is meant.
        script_id = int(kwin_scripting.loadScript(file.name, name, signature="ss"))
        if script_id < 0:
            raise Failure("KWin refused the script " + name)
        for path in ("/%d" % script_id, "/Scripting/Script%d" % script_id):
            try:
                bus.get_object("org.kde.KWin", path).run(dbus_interface="org.kde.kwin.Script")
                return
            except dbus.DBusException:
                continue
    raise Failure("KWin did not run the script " + name)


WORKSPACE = """
    var ws = workspace;
    function windows() { return ws.windowList ? ws.windowList() : ws.clientList(); }
    function activeWindow() { return ws.activeWindow !== undefined ? ws.activeWindow : ws.activeClient; }
"""

REPORTER = "(function () {" + WORKSPACE + """
    function report(gone) {
        var all = windows(), listed = [], active = activeWindow();
        for (var i = 0; i < all.length; ++i) {
            var w = all[i];
            if (w === gone || !(w.normalWindow || w.dialog)) continue;
            listed.push({id: String(w.internalId), caption: String(w.caption)});
        }
        callDBus(%(service)s, %(path)s, %(interface)s, "Report",
                 JSON.stringify({active: active ? String(active.internalId) : "", windows: listed}));
    }
    function follow(w) { w.captionChanged.connect(function () { report(null); }); }
    var all = windows();
    for (var i = 0; i < all.length; ++i) follow(all[i]);
    (ws.windowAdded || ws.clientAdded).connect(function (w) { follow(w); report(null); });
    (ws.windowRemoved || ws.clientRemoved).connect(function (w) { report(w); });
    (ws.windowActivated || ws.clientActivated).connect(function () { report(null); });
    report(null);
})();
"""

ACTIVATE = "(function () {" + WORKSPACE + """
    var all = windows();
    for (var i = 0; i < all.length; ++i) {
        if (String(all[i].internalId) !== %(id)s) continue;
        if (ws.activeWindow !== undefined) ws.activeWindow = all[i]; else ws.activeClient = all[i];
    }
})();
"""


def main():
    keyboard = start_keyboard("kivranoe2e")
    windows = Windows()
    run_script(REPORTER % {"service": json.dumps(bus.get_unique_name()),
                           "path": json.dumps(REPORTER_PATH),
                           "interface": json.dumps(REPORTER_INTERFACE)},
               "kivrano-e2e-windows-%d" % os.getpid())
    run_until(lambda: windows.reports > 0, 10, "the KWin script sent no report")
    activations = iter(range(1, 1000000))

    def key(keysym, state):
        remote_desktop.NotifyKeyboardKeysym(keyboard, {}, dbus.Int32(keysym), state)

    def keysym_of(name):
        if name in KEYSYMS:
            return KEYSYMS[name]
        if len(name) == 1:
            return ord(name)
        raise Failure("no key named " + name)

    def activate(pattern):
        run_until(lambda: windows.matching(pattern), 30, "no window %r" % pattern)
        view = windows.matching(pattern)[0]
        if windows.active != view["id"]:
            name = "kivrano-e2e-activate-%d-%d" % (os.getpid(), next(activations))
            run_script(ACTIVATE % {"id": json.dumps(view["id"])}, name)
            try:
                run_until(lambda: windows.active == view["id"], 10,
                          "window %r never became active" % pattern)
            finally:
                kwin_scripting.unloadScript(name)
        say("window " + view["id"])

    def command(line):
        verb, _, argument = line.partition(" ")
        if verb == "type":
            for character in bytes.fromhex(argument).decode():
                key(ord(character), PRESSED)
                key(ord(character), RELEASED)
        elif verb in ("down", "up"):
            key(keysym_of(argument), PRESSED if verb == "down" else RELEASED)
        elif verb == "activate":
            activate(argument)
        elif verb == "windows":
            for view in windows.views:
                say("view %s %d %s" % (view["id"], view["id"] == windows.active, view["caption"]))
        else:
            raise Failure("not a command: " + line)

    commands = iter(range(1, 1000000))
    pending = [b""]

    def readable(source, condition):
        chunk = os.read(source, 4096)
        if not chunk:
            loop.quit()
            return False
        pending[0] += chunk
        *lines, pending[0] = pending[0].split(b"\n")
        for line in lines:
            number = next(commands)
            try:
                command(line.decode())
                say("done %d" % number)
            except (Failure, dbus.DBusException) as error:
                say("error %d %s" % (number, error))
        return True

    GLib.io_add_watch(sys.stdin.fileno(), GLib.IO_IN | GLib.IO_HUP, readable)
    say("ready")
    loop = GLib.MainLoop()
    loop.run()
    bus.get_object("org.freedesktop.portal.Desktop", keyboard).Close(
        dbus_interface="org.freedesktop.portal.Session")


try:
    main()
except (Failure, dbus.DBusException) as error:
    print("kwin_e2e_desktop: %s" % error, file=sys.stderr)
    sys.exit(1)
