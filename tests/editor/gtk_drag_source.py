#!/usr/bin/python3
"""Usage: gtk_drag_source.py PATH X Y [uri|text|both]
A file manager's stand-in for the drop test: a GTK 3 window at X, Y offering PATH as
text/uri-list, plain text or both. It prints "ready X Y WIDTH HEIGHT" once shown, "data"
when a target asks for the data, "failed REASON" when a drag ends without a drop, and "end".
"""
import sys

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("Gdk", "3.0")
from gi.repository import Gdk, GLib, Gtk  # noqa: E402


def report(line):
    print(line, flush=True)


def main():
    path, x, y = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    offer = sys.argv[4] if len(sys.argv) > 4 else "uri"
    uri = GLib.filename_to_uri(path, None)

    window = Gtk.Window(title="drag source")
    window.set_default_size(140, 90)
    window.move(x, y)
    source = Gtk.EventBox()
    source.add(Gtk.Label(label="drag me"))
    window.add(source)

    source.drag_source_set(Gdk.ModifierType.BUTTON1_MASK, [], Gdk.DragAction.COPY)
    if offer in ("uri", "both"):
        source.drag_source_add_uri_targets()
    if offer in ("text", "both"):
        source.drag_source_add_text_targets()

    def on_data_get(_widget, _context, selection, _info, _time):
        if selection.get_target().name() == "text/uri-list":
            selection.set_uris([uri])
        else:
            selection.set_text(uri, -1)
        report("data")

    def on_failed(_widget, _context, result):
        report("failed " + result.value_nick)
        return False

    def on_mapped(_widget, _event):
        _, left, top = source.get_window().get_origin()
        allocation = source.get_allocation()
        report(f"ready {left} {top} {allocation.width} {allocation.height}")
        return False

    source.connect("drag-data-get", on_data_get)
    source.connect("drag-failed", on_failed)
    source.connect("drag-end", lambda *_: report("end"))
    source.connect("map-event", on_mapped)
    source.add_events(Gdk.EventMask.STRUCTURE_MASK)
    window.connect("destroy", Gtk.main_quit)
    window.show_all()
    Gtk.main()


if __name__ == "__main__":
    main()
