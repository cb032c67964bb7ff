"""The desktop portals of a KDE Plasma session, driven as our portal clients will drive them:
the RemoteDesktop portal types an ASCII text into a Wayland window (kivrano_e2e_target), and a
GlobalShortcuts shortcut fires, once pressed through the RemoteDesktop keyboard and once invoked
through KDE's own shortcut service. Runs inside run-under-kwin.sh.
Usage: kwin_portals.py TARGET_PROGRAM"""
import os
import subprocess
import sys

import dbus

from portal_client import (Failure, bus, portal, remote_desktop, request, run_until,
                           start_keyboard)

global_shortcuts = dbus.Interface(portal, "org.freedesktop.portal.GlobalShortcuts")

PRESSED, RELEASED = dbus.UInt32(1), dbus.UInt32(0)
CONTROL_L, ALT_L = 0xFFE3, 0xFFE9


def version(interface):
    return int(portal.Get(interface, "version", dbus_interface="org.freedesktop.DBus.Properties"))


class Target:
    """The target program's window and what it reports on its standard output."""

    def __init__(self, program, title):
        self.lines = []
        self.process = subprocess.Popen([program, "--title", title], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, env=dict(os.environ,
                                                                         QT_QPA_PLATFORM="wayland"))
        os.set_blocking(self.process.stdout.fileno(), False)
        self.pending = b""

    def poll(self):
        chunk = self.process.stdout.read() or b""
        self.pending += chunk
        *complete, self.pending = self.pending.split(b"\n")
        self.lines += [line.decode() for line in complete]

    def wait_for(self, predicate, reason, seconds=20):
        def seen():
            self.poll()
            return any(predicate(line) for line in self.lines)
        run_until(seen, seconds, reason)

    def close(self):
        self.process.stdin.write(b"quit\n")
        self.process.stdin.close()
        self.process.wait(10)


def type_text(session, text):
    for character in text:
        keysym = dbus.Int32(ord(character))
        for state in (PRESSED, RELEASED):
            remote_desktop.NotifyKeyboardKeysym(session, {}, keysym, state)


def main():
    print("RemoteDesktop version %d, GlobalShortcuts version %d"
          % (version("org.freedesktop.portal.RemoteDesktop"),
             version("org.freedesktop.portal.GlobalShortcuts")))
    target = Target(sys.argv[1], "Portal Target")
    target.wait_for(lambda line: line == "active", "the target window never became active")

    session = start_keyboard("kivranotyping")
    text = "Kivrano-Pass 123!"
    type_text(session, text)
    expected = "text 0 " + text.encode().hex()
    target.wait_for(lambda line: line == expected, "the target never showed %r: %r"
                    % (text, target.lines[-5:]))
    print("typed %r through the RemoteDesktop portal" % text)

    # GlobalShortcuts: KDE 5.27 binds the shortcuts given to CreateSession.
    fired = []
    for signal in ("Activated", "Deactivated"):
        bus.add_signal_receiver(
            lambda handle, shortcut, timestamp, options, signal=signal:
                fired.append((signal, str(handle), str(shortcut))),
            signal, "org.freedesktop.portal.GlobalShortcuts")
    shortcuts = dbus.Array([("hotkey-2", {"description": "Type the password",
                                          "preferred_trigger": "CTRL+ALT+P"})],
                           signature="(sa{sv})")
    created = request(global_shortcuts, "CreateSession",
                      options={"session_handle_token": "kivrano", "shortcuts": shortcuts})
    shortcut_session = str(created["session_handle"])
    bound = {str(s[0]): str(s[1].get("trigger_description", "")) for s in created["shortcuts"]}
    if bound.get("hotkey-2") != "Ctrl+Alt+P":
        raise Failure("the shortcut was not bound as asked: %r" % bound)

    # The real key, pressed through the RemoteDesktop keyboard.
    for keysym, state in ((CONTROL_L, PRESSED), (ALT_L, PRESSED), (ord("p"), PRESSED),
                          (ord("p"), RELEASED), (ALT_L, RELEASED), (CONTROL_L, RELEASED)):
        remote_desktop.NotifyKeyboardKeysym(session, {}, dbus.Int32(keysym), state)
    run_until(lambda: ("Deactivated", shortcut_session, "hotkey-2") in fired, 20,
              "Ctrl+Alt+P did not fire the shortcut: %r" % fired)
    if fired[0] != ("Activated", shortcut_session, "hotkey-2"):
        raise Failure("the shortcut's signals came in another order: %r" % fired)
    print("Ctrl+Alt+P fired hotkey-2: %r" % fired)

    # The same shortcut invoked through KDE's shortcut service, as a test can do it without keys;
    # the component is named after the session token.
    fired.clear()
    component = bus.get_object("org.kde.kglobalaccel", "/component/kivrano")
    component.invokeShortcut("hotkey-2", dbus_interface="org.kde.kglobalaccel.Component")
    run_until(lambda: ("Activated", shortcut_session, "hotkey-2") in fired, 20,
              "invokeShortcut did not fire the shortcut")
    print("invokeShortcut fired hotkey-2")

    for handle in (session, shortcut_session):
        bus.get_object("org.freedesktop.portal.Desktop", handle).Close(
            dbus_interface="org.freedesktop.portal.Session")
    target.close()


try:
    main()
except (Failure, dbus.DBusException) as error:
    print("FAILED: %s" % error, file=sys.stderr)
    sys.exit(1)
