#!/usr/bin/python3
"""A small stand-in of the desktop's secret service for the tests: the parts
of the Secret Service D-Bus interface that libsecret's password calls use
(plain sessions, the default collection, items created, searched, read and
deleted), kept in memory, on the session bus. Prints "ready" once it owns
org.freedesktop.secrets, and ends when its standard input closes."""

import itertools
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

SERVICE = "org.freedesktop.Secret.Service"
COLLECTION = "org.freedesktop.Secret.Collection"
ITEM = "org.freedesktop.Secret.Item"
PROPERTIES = "org.freedesktop.DBus.Properties"
ROOT = "/org/freedesktop/secrets"
DEFAULT = ROOT + "/collection/login"
ALIAS = ROOT + "/aliases/default"  # where libsecret reaches the default collection
SESSION = ROOT + "/session/1"


class PropertiesObject(dbus.service.Object):
    """An object whose D-Bus properties are those its properties() gives."""

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.properties()[name]

    @dbus.service.method(PROPERTIES, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return self.properties()


class Item(PropertiesObject):
    def __init__(self, bus, path, store, attributes, label, secret):
        super().__init__(bus, path)
        self.path, self.store = path, store
        self.attributes, self.label, self.secret = dict(attributes), str(label), bytes(secret)

    def properties(self):
        return {"Attributes": dbus.Dictionary(self.attributes, signature="ss"), "Label": self.label,
                "Locked": False, "Created": dbus.UInt64(0), "Modified": dbus.UInt64(0)}

    @dbus.service.method(ITEM, out_signature="o")
    def Delete(self):
        del self.store[self.path]
        self.remove_from_connection()
        return dbus.ObjectPath("/")


class Collection(PropertiesObject):
    created = itertools.count(1)

    def __init__(self, bus, path, store):
        super().__init__(bus, path)
        self.bus, self.store = bus, store

    def properties(self):
        return {"Items": dbus.Array(list(self.store), signature="o"), "Label": "Login", "Locked": False,
                "Created": dbus.UInt64(0), "Modified": dbus.UInt64(0)}

    @dbus.service.method(COLLECTION, in_signature="a{sv}(oayays)b", out_signature="oo")
    def CreateItem(self, properties, secret, replace):
        attributes = properties.get(ITEM + ".Attributes", {})
        if replace:
            for path in [p for p, item in self.store.items() if item.attributes == dict(attributes)]:
                self.store[path].Delete()
        path = DEFAULT + "/" + str(next(Collection.created))
        self.store[path] = Item(self.bus, path, self.store, attributes, properties.get(ITEM + ".Label", ""),
                                secret[2])
        return dbus.ObjectPath(path), dbus.ObjectPath("/")


class Service(PropertiesObject):
    def __init__(self, bus, store):
        super().__init__(bus, ROOT)
        self.store = store

    def properties(self):
        return {"Collections": dbus.Array([dbus.ObjectPath(DEFAULT)], signature="o")}

    @dbus.service.method(SERVICE, in_signature="sv", out_signature="vo")
    def OpenSession(self, algorithm, argument):
        if algorithm != "plain":
            raise dbus.exceptions.DBusException("only plain", name="org.freedesktop.DBus.Error.NotSupported")
        return dbus.String("", variant_level=1), dbus.ObjectPath(SESSION)

    @dbus.service.method(SERVICE, in_signature="a{ss}", out_signature="aoao")
    def SearchItems(self, attributes):
        found = [dbus.ObjectPath(p) for p, item in self.store.items()
                 if all(item.attributes.get(k) == v for k, v in attributes.items())]
        return dbus.Array(found, signature="o"), dbus.Array([], signature="o")

    @dbus.service.method(SERVICE, in_signature="ao", out_signature="aoo")
    def Unlock(self, objects):
        return dbus.Array(objects, signature="o"), dbus.ObjectPath("/")

    @dbus.service.method(SERVICE, in_signature="aoo", out_signature="a{o(oayays)}")
    def GetSecrets(self, items, session):
        return {dbus.ObjectPath(p): (dbus.ObjectPath(SESSION), dbus.ByteArray(b""),
                                     dbus.ByteArray(self.store[p].secret), "text/plain")
                for p in items if p in self.store}

    @dbus.service.method(SERVICE, in_signature="a{sv}s", out_signature="oo")
    def CreateCollection(self, properties, alias):
        return dbus.ObjectPath(DEFAULT), dbus.ObjectPath("/")

    @dbus.service.method(SERVICE, in_signature="s", out_signature="o")
    def ReadAlias(self, name):
        return dbus.ObjectPath(DEFAULT if name == "default" else "/")


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    store = {}
    keep = [Service(bus, store), Collection(bus, DEFAULT, store), Collection(bus, ALIAS, store)]
    name = dbus.service.BusName("org.freedesktop.secrets", bus, do_not_queue=True)
    loop = GLib.MainLoop()
    GLib.io_add_watch(sys.stdin.fileno(), GLib.IO_IN | GLib.IO_HUP, lambda *args: loop.quit() or False)
    print("ready", flush=True)
    loop.run()
    del keep, name


if __name__ == "__main__":
    main()
