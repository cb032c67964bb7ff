"""The desktop portals as the KDE test scripts call them (python3-dbus on GLib's main loop):
the session bus, the portal object, waiting by condition and a request answered through its
Request object's Response signal, and the keyboard of a RemoteDesktop session. Imported by kwin_portals.py and kwin_e2e_desktop.py."""
import time

import dbus
import dbus.mainloop.glib
from gi.repository import GLib

dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
portal = bus.get_object("org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop")
# Request objects are named after our unique name and a token of ours.
sender = bus.get_unique_name()[1:].replace(".", "_")
tokens = iter(range(1, 1000000))
remote_desktop = dbus.Interface(portal, "org.freedesktop.portal.RemoteDesktop")
KEYBOARD = dbus.UInt32(1)


class Failure(Exception):
    pass


def run_until(done, seconds, reason):
    """Runs the main loop until done() holds; raises Failure with the reason after the time."""
    deadline = time.monotonic() + seconds
    context = GLib.MainContext.default()
    while not done():
        if time.monotonic() > deadline:
            raise Failure(reason)
        if not context.iteration(False):
            time.sleep(0.01)


def request(interface, method, *arguments, options=None):
    """Calls a portal method that answers through a Request object's Response signal."""
    token = "kivrano%d" % next(tokens)
    path = "/org/freedesktop/portal/desktop/request/%s/%s" % (sender, token)
    answer = {}
    match = bus.add_signal_receiver(
        lambda code, results: answer.update(code=int(code), results=results),
        "Response", "org.freedesktop.portal.Request", None, path)
    getattr(interface, method)(*arguments, dict(options or {}, handle_token=token))
    run_until(lambda: answer, 30, "no response to " + method)
    match.remove()
    if answer["code"] != 0:
        raise Failure("%s answered %d" % (method, answer["code"]))
    return answer["results"]


def start_keyboard(session_token):
    """A RemoteDesktop session with the keyboard only, which KDE starts without asking."""
    session = dbus.ObjectPath(request(remote_desktop, "CreateSession",
                                      options={"session_handle_token": session_token})
                              ["session_handle"])
    request(remote_desktop, "SelectDevices", session, options={"types": KEYBOARD})
    started = request(remote_desktop, "Start", session, "")
    if not int(started.get("devices", 0)) & KEYBOARD:
        raise Failure("the session was started without the keyboard: %r" % started)
    return session
