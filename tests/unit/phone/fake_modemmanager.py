#!/usr/bin/python3
"""A stand-in for ModemManager on a private bus, for the provider's tests.

Usage: fake_modemmanager.py BUS_ADDRESS

It offers two modems, one with voice support and one without, places calls on the first
when asked (refusing to create one to "000"), and records each method called on it. The test reads the record and acts as the
other side of the call through org.kivrano.FakeModemManager on /control. Prints "ready"
once it owns the ModemManager name.
"""
import sys

import dbus
import dbus.bus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

SERVICE = "org.freedesktop.ModemManager1"
ROOT = "/org/freedesktop/ModemManager1"
MODEM = SERVICE + ".Modem"
VOICE = SERVICE + ".Modem.Voice"
CALL = SERVICE + ".Call"
CONTROL = "org.kivrano.FakeModemManager"

# ModemManager's call states and reasons.
DIALING, RINGING_OUT, ACTIVE, TERMINATED = 1, 2, 4, 7
REASON_OUTGOING_STARTED, REASON_ACCEPTED, REASON_TERMINATED = 1, 3, 4

record = []


class Call(dbus.service.Object):
    def __init__(self, bus, path, number):
        super().__init__(bus, path)
        self.path = path
        self.number = number
        self.state = 0

    def change(self, state, reason):
        old, self.state = self.state, state
        self.StateChanged(old, state, reason)

    @dbus.service.signal(CALL, signature="iiu")
    def StateChanged(self, old, new, reason):
        pass

    @dbus.service.method(CALL, in_signature="", out_signature="")
    def Start(self):
        record.append("Start " + self.path)
        self.change(DIALING, REASON_OUTGOING_STARTED)
        # The network answers after the method has returned.
        GLib.idle_add(lambda: self.change(RINGING_OUT, REASON_OUTGOING_STARTED) or False)
        GLib.timeout_add(20, lambda: self.change(ACTIVE, REASON_ACCEPTED) or False)

    @dbus.service.method(CALL, in_signature="", out_signature="")
    def Hangup(self):
        record.append("Hangup " + self.path)
        GLib.idle_add(lambda: self.change(TERMINATED, REASON_TERMINATED) or False)

    @dbus.service.method(CALL, in_signature="s", out_signature="")
    def SendDtmf(self, tones):
        record.append("SendDtmf " + tones)


class Modem(dbus.service.Object):
    def __init__(self, bus, path):
        super().__init__(bus, path)
        self.bus = bus
        self.count = 0
        self.calls = {}

    @dbus.service.method(VOICE, in_signature="a{sv}", out_signature="o")
    def CreateCall(self, properties):
        number = str(properties["number"])
        record.append("CreateCall " + number)
        if number == "000":
            raise dbus.exceptions.DBusException(
                "Invalid number", name="org.freedesktop.ModemManager1.Error.Core.InvalidArgs")
        path = "%s/Call/%d" % (ROOT, self.count)
        self.count += 1
        self.calls[path] = Call(self.bus, path, number)
        return dbus.ObjectPath(path)

    @dbus.service.method(VOICE, in_signature="o", out_signature="")
    def DeleteCall(self, path):
        record.append("DeleteCall " + str(path))
        call = self.calls.pop(str(path), None)
        if call:
            call.remove_from_connection()


class Manager(dbus.service.Object):
    def __init__(self, bus, modem):
        super().__init__(bus, ROOT)
        self.modem = modem

    @dbus.service.method("org.freedesktop.DBus.ObjectManager", in_signature="",
                         out_signature="a{oa{sa{sv}}}")
    def GetManagedObjects(self):
        record.append("GetManagedObjects")
        text = lambda s: dbus.String(s, variant_level=1)
        return {
            dbus.ObjectPath(ROOT + "/Modem/0"): {
                MODEM: {"Manufacturer": text("Quectel"), "Model": text("EG25")},
                VOICE: {"Calls": dbus.Array([], signature="o", variant_level=1)},
            },
            dbus.ObjectPath(ROOT + "/Modem/1"): {
                MODEM: {"Manufacturer": text("Data"), "Model": text("Only")},
            },
        }


class Control(dbus.service.Object):
    def __init__(self, bus, modem):
        super().__init__(bus, "/control")
        self.modem = modem

    @dbus.service.method(CONTROL, in_signature="", out_signature="as")
    def Calls(self):
        return record

    @dbus.service.method(CONTROL, in_signature="u", out_signature="")
    def RemoteHangup(self, reason):
        for call in self.modem.calls.values():
            if call.state != TERMINATED:
                call.change(TERMINATED, reason)


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.bus.BusConnection(sys.argv[1])
    modem = Modem(bus, ROOT + "/Modem/0")
    Manager(bus, modem)
    Control(bus, modem)
    name = dbus.service.BusName(SERVICE, bus, do_not_queue=True)
    print("ready", flush=True)
    GLib.MainLoop().run()
    del name


if __name__ == "__main__":
    main()
