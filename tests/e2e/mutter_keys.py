"""The keyboard of a test under GNOME's compositor: one virtual keyboard of mutter's own
RemoteDesktop service (no consent asked: it is the compositor's private interface), kept for
the whole session. Commands arrive on stdin, one per line, as kivrano_e2e_keys takes them:
  type <hex>   type the UTF-8 text, each character by its keysym
  down <name>  press a key: shift, ctrl, alt, super, return, tab, escape,
               home, right, down, f1 ... f12
  up <name>    release it
Each command is answered on stdout with "done <n>" (n counts from 1) once mutter has it.
Before the first command it presses and releases Shift and says "ready": mutter creates the
keyboard at its first key, and only programs started after that see a keyboard at all.
Usage: mutter_keys.py (on the session bus of a running mutter)"""
import sys

import dbus

NAMED = {"shift": 0xFFE1, "ctrl": 0xFFE3, "alt": 0xFFE9, "super": 0xFFEB, "return": 0xFF0D,
         "tab": 0xFF09, "escape": 0xFF1B, "home": 0xFF50, "right": 0xFF53, "down": 0xFF54}
NAMED.update({"f%d" % n: 0xFFBE + n - 1 for n in range(1, 13)})

bus = dbus.SessionBus()
service = "org.gnome.Mutter.RemoteDesktop"
remote_desktop = dbus.Interface(bus.get_object(service, "/org/gnome/Mutter/RemoteDesktop"),
                                service)
session = dbus.Interface(bus.get_object(service, remote_desktop.CreateSession()),
                         service + ".Session")
session.Start()


def key(keysym, pressed):
    # Each call returns once mutter has queued the key, so "done" follows the keys it names.
    session.NotifyKeyboardKeysym(dbus.UInt32(keysym), dbus.Boolean(pressed))


def keysym_of(character):
    code = ord(character)
    # Latin-1 characters are their own keysyms; every other character has the Unicode range's.
    return code if 0x20 <= code <= 0x7E or 0xA0 <= code <= 0xFF else 0x1000000 + code


key(NAMED["shift"], True)
key(NAMED["shift"], False)
print("ready", flush=True)
for answered, line in enumerate(sys.stdin, start=1):
    command, _, argument = line.strip().partition(" ")
    if command == "type":
        for character in bytes.fromhex(argument).decode():
            key(keysym_of(character), True)
            key(keysym_of(character), False)
    elif command in ("down", "up") and argument in NAMED:
        key(NAMED[argument], command == "down")
    else:
        print("unknown command: " + line.strip(), file=sys.stderr, flush=True)
    print("done %d" % answered, flush=True)
session.Stop()
