#!/usr/bin/python3
"""A file manager's stand-in for the editor's drop test: a small GTK 3 window whose label
is a drag source offering one file as text/uri-list, the way file managers built on GTK
offer files.

Usage: gtk_drag_source.py PATH X Y

The window is placed with its top left corner at X, Y of the root window. One line goes to
standard output for each event, for the test to follow:
  ready X Y WIDTH HEIGHT   the source widget is mapped at these root coordinates
  uri URI                  the URI offered (GLib's escaping of PATH)
  data                     a drop target asked for the URI list
  failed REASON            the drag ended without a drop (GTK's reason)
  end                      the drag is over
The program ends when its standard input closes.
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
    uri = GLib.filename_to_uri(path, None)

    window = Gtk.Window(title="drag source")
    window.set_default_size(140, 90)
    window.move(x, y)
    source = Gtk.EventBox()
    source.add(Gtk.Label(label="drag me"))
    window.add(source)

    source.drag_source_set(Gdk.ModifierType.BUTTON1_MASK, [], Gdk.DragAction.COPY)
    source.drag_source_add_uri_targets()

    def on_data_get(_widget, _context, selection, _info, _time):
        selection.set_uris([uri])
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

    def on_input(_channel, _condition):
        Gtk.main_quit()
        return False

    GLib.io_add_watch(GLib.IOChannel.unix_new(sys.stdin.fileno()),
                      GLib.IO_IN | GLib.IO_HUP | GLib.IO_ERR, on_input)
    report("uri " + uri)
    window.show_all()
    Gtk.main()


if __name__ == "__main__":
    main()
