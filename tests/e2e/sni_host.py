#!/usr/bin/python3
"""A panel's tray as Wayland desktops have it: a StatusNotifierWatcher that
is its own host, on the session bus of $DBUS_SESSION_BUS_ADDRESS.

  sni_host.py serve FILE         own the watcher; for each item that
                                 registers, write to FILE (replaced whole):
                                   item SERVICE PATH
                                   tip TEXT
                                   icon WIDTHxHEIGHT   (its largest pixmap)
                                   entry ID LABEL      (its menu, in order;
                                                        separators as "-")
  sni_host.py click FILE LABEL   click that menu entry, as a host does
"""
import os
import signal
import sys

from gi.repository import Gio, GLib

WATCHER = "org.kde.StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"
MENU = "com.canonical.dbusmenu"
WATCHER_XML = """
<node><interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
  <method name="RegisterStatusNotifierHost"><arg type="s" direction="in"/></method>
  <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
  <property name="ProtocolVersion" type="i" access="read"/>
  <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
  <signal name="StatusNotifierHostRegistered"/>
</interface></node>"""


def bus():
    return Gio.DBusConnection.new_for_address_sync(
        os.environ["DBUS_SESSION_BUS_ADDRESS"],
        Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION,
        None, None)


def call(conn, service, path, interface, method, args, reply_type):
    return conn.call_sync(service, path, interface, method, args, GLib.VariantType(reply_type),
                          Gio.DBusCallFlags.NONE, 5000, None).unpack()


def menu_entries(layout):
    _id, props, children = layout
    for child in children:
        cid, cprops, _ = child
        if cprops.get("visible", True) is False:
            continue
        label = "-" if cprops.get("type") == "separator" else cprops.get("label", "")
        yield cid, label


def describe(conn, service, path):
    props = call(conn, service, path, "org.freedesktop.DBus.Properties", "GetAll",
                 GLib.Variant("(s)", (ITEM,)), "(a{sv})")[0]
    lines = [f"item {service} {path}"]
    tip = props.get("ToolTip")
    lines.append(f"tip {tip[2] if tip else ''}")
    pixmaps = props.get("IconPixmap") or []
    if pixmaps:
        w, h, _ = max(pixmaps, key=lambda p: p[0] * p[1])
        lines.append(f"icon {w}x{h}")
    menu = props.get("Menu")
    if menu:
        call(conn, service, menu, MENU, "AboutToShow", GLib.Variant("(i)", (0,)), "(b)")
        _rev, layout = call(conn, service, menu, MENU, "GetLayout",
                            GLib.Variant("(iias)", (0, -1, [])), "(u(ia{sv}av))")
        lines += [f"entry {cid} {label}" for cid, label in menu_entries(layout)]
        lines.append(f"menu {menu}")
    return lines


def serve(out):
    conn = bus()
    items = []

    def method_call(_conn, sender, _path, _iface, method, params, invocation):
        if method == "RegisterStatusNotifierItem":
            (arg,) = params.unpack()
            service, path = (sender, arg) if arg.startswith("/") else (arg, "/StatusNotifierItem")
            invocation.return_value(None)
            items.append(service)
            GLib.idle_add(record, service, path)
        else:
            invocation.return_value(None)

    def get_property(_conn, _sender, _path, _iface, name):
        return {"RegisteredStatusNotifierItems": GLib.Variant("as", items),
                "IsStatusNotifierHostRegistered": GLib.Variant("b", True),
                "ProtocolVersion": GLib.Variant("i", 0)}[name]

    def record(service, path):
        try:
            lines = describe(conn, service, path)
        except GLib.Error as e:
            lines = [f"error {e.message}"]
        with open(out + ".new", "w") as f:
            f.write("\n".join(lines) + "\n")
        os.replace(out + ".new", out)
        return False

    node = Gio.DBusNodeInfo.new_for_xml(WATCHER_XML)
    conn.register_object("/StatusNotifierWatcher", node.interfaces[0], method_call, get_property, None)
    loop = GLib.MainLoop()

    def owned(*_):
        conn.emit_signal(None, "/StatusNotifierWatcher", WATCHER, "StatusNotifierHostRegistered", None)

    Gio.bus_own_name_on_connection(conn, WATCHER, Gio.BusNameOwnerFlags.NONE, owned, lambda *_: loop.quit())
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, loop.quit)
    loop.run()


def click(out, label):
    lines = open(out).read().split("\n")
    _, service, _path = next(l for l in lines if l.startswith("item ")).split(" ", 2)
    menu = next(l for l in lines if l.startswith("menu ")).split(" ", 1)[1]
    entry = next(l for l in lines if l.startswith("entry ") and l.split(" ", 2)[2] == label)
    call(bus(), service, menu, MENU, "Event",
         GLib.Variant("(isvu)", (int(entry.split(" ")[1]), "clicked", GLib.Variant("i", 0), 0)), "()")


if __name__ == "__main__":
    if sys.argv[1:2] == ["serve"] and len(sys.argv) == 3:
        serve(sys.argv[2])
    elif sys.argv[1:2] == ["click"] and len(sys.argv) == 4:
        click(sys.argv[2], sys.argv[3])
    else:
        sys.exit(__doc__)
