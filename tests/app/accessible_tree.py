"""Prints the accessible tree of a running program as AT-SPI gives it to
screen readers, one element a line: role | name | text, once its first list
is there. Then, for each name given, presses the element of that name (a tab
button, say) and prints the tree again after a line "== NAME".

Usage: accessible_tree.py APPLICATION [PRESS...]"""
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def application(name, seconds=20):
    end = time.time() + seconds
    while time.time() < end:
        desktop = Atspi.get_desktop(0)
        for index in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(index)
            if app is not None and app.get_name() == name:
                return app
        time.sleep(0.2)
    sys.exit(f"no application {name} on the accessibility bus")


def elements(node):
    yield node
    for index in range(node.get_child_count()):
        child = node.get_child_at_index(index)
        if child is not None:
            yield from elements(child)


def text_of(node):
    if "Text" not in node.get_interfaces():
        return ""
    return Atspi.Text.get_text(node, 0, Atspi.Text.get_character_count(node))


def press(app, name):
    for node in elements(app):
        if node.get_name() == name and "Action" in node.get_interfaces():
            Atspi.Action.do_action(node, 0)
            return
    sys.exit(f"nothing named {name} can be pressed")


def dump(app):
    # Elements the program replaced would otherwise be read from the cache.
    app.clear_cache()
    for node in elements(app):
        print(f"{node.get_role_name()} | {node.get_name() or ''} | {text_of(node)}")


def settle(app, seconds=20):
    end = time.time() + seconds
    while time.time() < end:
        if any(node.get_role_name() == "list" for node in elements(app)):
            # What was loaded is drawn a moment after the list appears.
            time.sleep(1)
            return
        time.sleep(0.2)
    sys.exit("the program showed no list")


app = application(sys.argv[1])
settle(app)
dump(app)
for name in sys.argv[2:]:
    press(app, name)
    time.sleep(1.5)
    print(f"== {name}")
    dump(app)
