"""A real X drag source, as a file manager is one: a small GTK window that,
dragged with the mouse, offers the files given on the command line as a
text/uri-list (XDND). It prints "ready X Y WIDTH HEIGHT" (its place on the
screen) once it is mapped, and "dropped" when a drag from it has ended.

    dragsource.py LEFT TOP FILE...
"""
import sys

import gi

gi.require_version("Gdk", "3.0")
gi.require_version("Gtk", "3.0")
from gi.repository import Gdk, GLib, Gtk  # noqa: E402


def main():
    left, top = int(sys.argv[1]), int(sys.argv[2])
    uris = [GLib.filename_to_uri(path, None) for path in sys.argv[3:]]

    window = Gtk.Window(title="drag source")
    window.set_default_size(120, 60)
    window.move(left, top)
    box = Gtk.EventBox()
    box.add(Gtk.Label(label="%d file(s)" % len(uris)))
    window.add(box)

    box.drag_source_set(Gdk.ModifierType.BUTTON1_MASK, [], Gdk.DragAction.COPY)
    box.drag_source_add_uri_targets()
    box.connect("drag-data-get", lambda w, ctx, data, info, time: data.set_uris(uris))
    # A drop the target refused or never answered ends as "failed".
    box.connect("drag-failed", lambda w, ctx, result: print("failed", result.value_nick, flush=True))
    box.connect("drag-end", lambda *a: print("dropped", flush=True))

    def mapped(*_):
        # The position the X server really gave the window: without a window
        # manager it is the one asked for, but the caller should not guess.
        def report():
            x, y = window.get_window().get_origin()[1:]
            alloc = window.get_allocation()
            print("ready", x, y, alloc.width, alloc.height, flush=True)
            return False

        GLib.timeout_add(100, report)

    window.connect("map-event", mapped)
    window.connect("destroy", Gtk.main_quit)
    window.show_all()
    Gtk.main()


if __name__ == "__main__":
    main()
