#!/usr/bin/python3
"""Has Parlotto read a text through its automation object, from Python with Gio.

Usage: read_with_python.py PROGRAM TEXT
Starts "PROGRAM /Automation" unless a server runs, creates a ReadSomeText,
sets Text2 (which returns once the text has been read) and lets it go; a
server started for it then ends by itself.
"""
import subprocess
import sys
import time

from gi.repository import Gio, GLib

NAME = "org.parlotto.Com.C_C2EBB9A2_32EF_4F1D_B779_3BCDE2FEDFEE"
CLASS = "/org/parlotto/Com/Classes/C_C2EBB9A2_32EF_4F1D_B779_3BCDE2FEDFEE"
IREADSOMETEXT = "{6476FAC5-4C28-4F55-9556-66EBDB080CAE}"

bus = Gio.bus_get_sync(Gio.BusType.SESSION)


def call(dest, path, interface, method, signature=None, *args):
    params = GLib.Variant(signature, args) if signature else None
    # A reading takes as long as it takes: no time limit.
    reply = bus.call_sync(dest, path, interface, method, params, None,
                          Gio.DBusCallFlags.NONE, GLib.MAXINT, None)
    return reply.unpack()


def server_runs():
    return call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                "NameHasOwner", "(s)", NAME)[0]


def main():
    program, text = sys.argv[1], sys.argv[2]
    if not server_runs():
        subprocess.Popen([program, "/Automation"])
        deadline = time.monotonic() + 30
        while not server_runs():
            if time.monotonic() > deadline:
                sys.exit("no server")
            time.sleep(0.05)
    (path,) = call(NAME, CLASS, "org.parlotto.Com.IClassFactory", "CreateInstance", "(s)",
                   IREADSOMETEXT)
    call(NAME, path, "Vocato.IReadSomeText", "put_Text2", "(s)", text)
    call(NAME, path, "org.parlotto.Com.IUnknown", "Release", "(u)", 0)


if __name__ == "__main__":
    main()
