#!/usr/bin/env python3
"""Writes qml/art/<folder>/<name>.svg for every picture listed in manifest.txt.

Run it after changing a drawing or the manifest; the build only rasterizes the SVGs it writes.
SVGs of pictures no longer listed are removed so the sources never drift from the manifest.
"""

import pathlib
import re
import sys

sys.dont_write_bytecode = True  # keep the source folder free of caches

import backgrounds as bg
import controls as ui
import illustrations as ill
from svgkit import Svg

ART = pathlib.Path(__file__).resolve().parent
STATES = ("normal", "hover", "press")

# Three-state buttons: base -> drawing(svg, state).
BUTTONS = {
    "PageMain/nav_dpi": ui.nav_dpi,
    "PageMain/nav_key": lambda s, st: ui.state_icon(s, "key", st, pad=2),
    "PageMain/nav_macro": ui.nav_macro,
    "PageMain/nav_led": lambda s, st: ui.state_icon(s, "light", st, pad=2),
    "PageMain/nav_update": ui.nav_update,
    "PageMain/setting": lambda s, st: ui.state_icon(s, "settings", st, pad=3),
    "PageMain/min": lambda s, st: ui.state_icon(s, "minimise", st, pad=3, glow=False),
    "PageMain/close": lambda s, st: ui.state_icon(s, "close", st, pad=4, glow=False),
    "GlobalModule/card": bg.card,
    "GlobalModule/btn": ui.button,
    "GlobalModule/fick": lambda s, st: ui.button(s, st, chamfer=6, bar=True),
    "PageDpi/stage": ui.stage,
    "PageKey/slot": ui.slot,
    "PageMacro/record": ui.record,
}

PICTURES = {
    "PageMain/bg": bg.main_bg,
    "PageMain/logo": bg.logo_small,
    "PageMain/cable_on": lambda s: ui.status_icon(s, "cable", True),
    "PageMain/cable_off": lambda s: ui.status_icon(s, "cable", False),
    "PageMain/receiver_on": lambda s: ui.status_icon(s, "receiver", True),
    "PageMain/receiver_off": lambda s: ui.status_icon(s, "receiver", False),
    "PageMain/receiver_busy": lambda s: ui.busy_icon(s, "dongle"),
    "PageMain/battery": ui.battery,
    "PageMain/separator": ui.separator,
    "GlobalModule/start_bg": bg.start_bg,
    "GlobalModule/logo": bg.logo,
    "GlobalModule/card_mouse": ill.card_mouse,
    "GlobalModule/icon_receiver": lambda s: ui.status_icon(s, "receiver", True),
    "GlobalModule/icon_cable": lambda s: ui.status_icon(s, "cable", True),
    "GlobalModule/icon_8k": ui.badge_8k,
    "GlobalModule/check_normal": lambda s: ui.check(s, "normal"),
    "GlobalModule/check_hover": lambda s: ui.check(s, "hover"),
    "GlobalModule/check_checked": lambda s: ui.check(s, "checked"),
    "GlobalModule/dropdown_bg": ui.dropdown,
    "GlobalModule/dropdown_arrow": ui.chevron,
    "GlobalModule/dropdown_item": ui.dropdown_item,
    "GlobalModule/list_bg": ui.list_bg,
    "GlobalModule/lineedit_bg": ui.field,
    "GlobalModule/setting_bg": bg.setting_bg,
    "GlobalModule/slider_groove": ui.groove,
    "GlobalModule/slider_knob": ui.knob,
    "PageDpi/bg": lambda s: bg.page_bg(s, [(6, 4, 1048, 290), (6, 300, 1048, 336)],
                                       dividers=[(575, 350, 276)]),
    "PageDpi/link": lambda s: ui.status_icon(s, "link", True),
    "PageKey/bg": lambda s: bg.page_bg(s, [(6, 4, 392, 632), (404, 4, 650, 632)],
                                       dividers=[(665, 54, 572)]),
    "PageKey/mouse": ill.key_mouse,
    "PageMacro/bg": lambda s: bg.page_bg(s, [(6, 4, 314, 632), (326, 4, 300, 632),
                                             (632, 4, 422, 632)]),
    "Pageled/bg": lambda s: bg.page_bg(s, [(6, 4, 432, 632), (444, 4, 610, 632, 62)]),
    "Pageled/mouse": ill.led_mouse,
    "PageLed/hue": ui.hue,
    "PageLed/swatch_ring": ui.swatch_ring,
    "PageUpdate/bg": lambda s: bg.page_bg(s, [(22, 56, 498, 574), (542, 56, 498, 574)]),
    "PageUpdate/mouse": ill.side_mouse,
    "PageUpdate/receiver": ill.usb_receiver,
    "PageUpdate/bar_bg": lambda s: ui.bar(s, False),
    "PageUpdate/bar_fill": lambda s: ui.bar(s, True),
    "PageUpdate/step_badge": ui.step_badge,
}

LINE = re.compile(r"^(\w+)/(\w+)\s+(\d+)x(\d+)(\s.*)?$")


def read_manifest(path):
    entries = []
    for n, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        line = line.strip()
        if not line or line.startswith("#"):
            continue
        m = LINE.match(line)
        if not m:
            sys.exit(f"{path}:{n}: expected '<folder>/<name> <w>x<h> <description>'")
        entries.append((m[1], m[2], int(m[3]), int(m[4])))
    return entries


def drawing(key):
    if key in PICTURES:
        return PICTURES[key]
    base, _, state = key.rpartition("_")
    if base in BUTTONS and state in STATES:
        return lambda svg: BUTTONS[base](svg, state)
    return None


def main():
    entries = read_manifest(ART / "manifest.txt")
    missing = [f"{f}/{n}" for f, n, _, _ in entries if drawing(f"{f}/{n}") is None]
    if missing:
        sys.exit("no drawing for: " + ", ".join(missing))
    wanted = set()
    for folder, name, w, h in entries:
        svg = Svg(w, h)
        drawing(f"{folder}/{name}")(svg)
        out = ART / folder / f"{name}.svg"
        out.parent.mkdir(exist_ok=True)
        text = str(svg)
        if not out.exists() or out.read_text(encoding="utf-8") != text:
            out.write_text(text, encoding="utf-8")
        wanted.add(out)
    for old in ART.glob("*/*.svg"):
        if old not in wanted:
            old.unlink()
    print(f"{len(wanted)} pictures")


if __name__ == "__main__":
    main()
