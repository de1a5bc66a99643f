#!/usr/bin/python3
"""A small MPRIS player for the live tests, on the session bus as org.mpris.MediaPlayer2.NAME.

It plays nothing. Its org.mpris.MediaPlayer2.Player properties are what the test sets through
the player's control object (/org/velloway/TestPlayer, interface org.velloway.TestPlayer), and
each change goes out as PropertiesChanged, as a real player sends it. A control call returns
once its signal is sent.

    mpris_test_player.py NAME                  serve until SIGTERM
    mpris_test_player.py --png FILE SIDE SEED  write a SIDE x SIDE gradient PNG and exit
"""
import struct
import sys
import zlib

PLAYER = "org.mpris.MediaPlayer2.Player"
CONTROL = "org.velloway.TestPlayer"


def write_png(path, side, seed):
    """A smooth RGB gradient: small on disk, long to decode."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    blue = (seed * 97) % 256
    columns = bytes(v for x in range(side) for v in (x * 255 // side, 0, blue))
    compressor = zlib.compressobj(1)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 2, 0, 0, 0)))
        data = []
        for y in range(side):
            green = y * 255 // side
            row = bytearray(columns)
            row[1::3] = bytes([green]) * side
            data.append(compressor.compress(b"\x00" + bytes(row)))
        data.append(compressor.flush())
        out.write(chunk(b"IDAT", b"".join(data)) + chunk(b"IEND", b""))


def serve(name):
    import dbus
    import dbus.service
    from dbus.mainloop.glib import DBusGMainLoop
    from gi.repository import GLib

    class Player(dbus.service.Object):
        def __init__(self, bus):
            super().__init__(bus, "/org/mpris/MediaPlayer2")
            self.properties = {
                "PlaybackStatus": "Playing", "LoopStatus": "None", "Shuffle": dbus.Boolean(False),
                "CanPlay": dbus.Boolean(True), "CanPause": dbus.Boolean(True), "CanGoNext": dbus.Boolean(True),
                "CanGoPrevious": dbus.Boolean(True), "Rate": 1.0,
                "Metadata": dbus.Dictionary({}, signature="sv"),
            }

        @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
        def Get(self, interface, prop):
            return self.properties[prop]

        @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="s", out_signature="a{sv}")
        def GetAll(self, interface):
            return dbus.Dictionary(self.properties if interface == PLAYER else {}, signature="sv")

        @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ssv")
        def Set(self, interface, prop, value):
            self.change({prop: value})

        @dbus.service.signal(dbus.PROPERTIES_IFACE, signature="sa{sv}as")
        def PropertiesChanged(self, interface, changed, invalidated):
            pass

        @dbus.service.method(PLAYER)
        def PlayPause(self):
            playing = self.properties["PlaybackStatus"] == "Playing"
            self.change({"PlaybackStatus": "Paused" if playing else "Playing"})

        def change(self, changed):
            self.properties.update(changed)
            self.PropertiesChanged(PLAYER, dbus.Dictionary(changed, signature="sv"), dbus.Array([], signature="s"))

    class Control(dbus.service.Object):
        def __init__(self, bus, player):
            super().__init__(bus, "/org/velloway/TestPlayer")
            self.player = player

        @dbus.service.method(CONTROL, in_signature="sss")
        def Track(self, title, artist, art_url):
            metadata = {"mpris:trackid": dbus.ObjectPath("/org/velloway/track"), "xesam:title": title,
                        "xesam:artist": dbus.Array([artist], signature="s")}
            if art_url:
                metadata["mpris:artUrl"] = art_url
            self.player.change({"Metadata": dbus.Dictionary(metadata, signature="sv")})

    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    player = Player(bus)
    Control(bus, player)
    # The name last: whoever sees it can call at once.
    bus.request_name("org.mpris.MediaPlayer2." + name)
    loop = GLib.MainLoop()
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, 15, loop.quit)
    loop.run()


if __name__ == "__main__":
    if len(sys.argv) == 5 and sys.argv[1] == "--png":
        write_png(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]))
    elif len(sys.argv) == 2:
        serve(sys.argv[1])
    else:
        sys.exit(__doc__)
