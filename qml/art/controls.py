"""Buttons, fields and small marks. Functions take the canvas and, for buttons, the state name."""

from glyphs import lettering, text_width
from icons import icon
from svgkit import (BG0, BG1, BG2, BG3, DIM, LINE, LINE2, RED, SELECT, STATES, TEXT, chamfer_d,
                    num, panel, rrect_d)


def state_icon(svg, name, state, pad=0.0, glow=True):
    """A bare icon in the colour of the state; the pressed one glows a little."""
    ink = STATES[state]["ink"]
    size = min(svg.w, svg.h) - 2 * pad
    x, y = (svg.w - size) / 2, (svg.h - size) / 2
    if glow and state == "press":
        svg.group(opacity=0.6, filter=svg.blur(size / 16))
        icon(svg, name, x, y, size, RED, weight=2.6)
        svg.end()
    icon(svg, name, x, y, size, ink)


def nav_macro(svg, state):
    """The macro mark: an M in a rounded square with a record dot."""
    ink = STATES[state]["ink"]
    s = svg.w
    if state == "press":
        svg.path(rrect_d(s * 0.1, s * 0.14, s * 0.8, s * 0.72, s * 0.12), fill="none", stroke=RED,
                 stroke_width=s * 0.08, opacity=0.5, filter=svg.blur(s / 16))
    svg.path(rrect_d(s * 0.1, s * 0.14, s * 0.8, s * 0.72, s * 0.12), fill="none", stroke=ink,
             stroke_width=s * 0.066)
    h = s * 0.3
    lettering(svg, "M", s * 0.25, (s - h) / 2, h, ink, weight=2.6)
    svg.circle(s * 0.68, s * 0.38, s * 0.07, fill=RED if state != "normal" else ink)


def nav_update(svg, state):
    """Circular arrows around a chip."""
    ink = STATES[state]["ink"]
    s = svg.w
    state_icon(svg, "update", state, pad=s * 0.04)
    icon(svg, "chip", s * 0.34, s * 0.34, s * 0.32, ink, weight=2.2)


def nav_dpi(svg, state):
    """A gauge: scale arc, ticks and a needle."""
    ink = STATES[state]["ink"]
    s = svg.w
    c, r = s / 2, s * 0.38
    arc = (f"M{num(c - r * 0.87)} {num(c + r * 0.5)}"
           f"A{num(r)} {num(r)} 0 1 1 {num(c + r * 0.87)} {num(c + r * 0.5)}")
    if state == "press":
        svg.path(arc, fill="none", stroke=RED, stroke_width=s * 0.1, opacity=0.5,
                 filter=svg.blur(s / 16))
    svg.path(arc, fill="none", stroke=ink, stroke_width=s * 0.066, stroke_linecap="round")
    tick = f"M{num(c)} {num(c - r + s * 0.08)}v{num(s * 0.06)}"
    for a in (-60, -30, 0, 30, 60):
        svg.path(tick, stroke=ink, stroke_width=s * 0.04,
                 transform=f"rotate({a} {num(c)} {num(c)})")
    needle = RED if state != "normal" else ink
    svg.path(f"M{num(c)} {num(c)}L{num(c + r * 0.55)} {num(c - r * 0.45)}", stroke=needle,
             stroke_width=s * 0.06, stroke_linecap="round")
    svg.circle(c, c, s * 0.07, fill=ink)


def status_icon(svg, name, on):
    icon(svg, name, 2, 2, svg.w - 4, TEXT if on else "#4a4a52")


def busy_icon(svg, name):
    """There but occupied: the icon in light ink with a red hourglass beside it."""
    icon(svg, name, 2, 2, svg.w - 4, TEXT)
    icon(svg, "hourglass", 2, 2, svg.w - 4, RED)


def battery(svg):
    """Outline only: the level bar is drawn by the scene at x 5..32, y 5..15."""
    svg.path(rrect_d(1.75, 1.75, 33.5, 16.5, 3), fill=BG0, fill_opacity=0.6, stroke=TEXT,
             stroke_width=1.5)
    svg.path(rrect_d(36, 6.5, 3, 7, 1), fill=TEXT)


def separator(svg):
    svg.rect(0.5, 0, 1, svg.h, fill=svg.linear([(0, TEXT, 0), (0.5, TEXT, 0.5), (1, TEXT, 0)]))


def badge_8k(svg):
    s = svg.w
    svg.path(chamfer_d(1, s * 0.2, s - 2, s * 0.6, s * 0.12), fill=RED, fill_opacity=0.12,
             stroke=RED, stroke_width=1.5)
    h = s * 0.32
    lettering(svg, "8K", (s - text_width("8K", h)) / 2, (s - h) / 2, h, RED, weight=2.4)


def button(svg, state, chamfer=8, bar=False):
    """The generic face: chamfered panel, state border; `bar` adds a red base line when pressed."""
    st = STATES[state]
    panel(svg, 0, 0, svg.w, svg.h, c=chamfer, face=st["face"], edge=st["edge"])
    if state == "press" and bar:
        svg.rect(chamfer, svg.h - 3, svg.w - 2 * chamfer, 2, fill=RED)


def slot(svg, state):
    """Button-slot tile: a darker number square on the left."""
    button(svg, state)
    h = svg.h
    svg.path(chamfer_d(1, 1, h - 1, h - 2, 8), fill=BG0, opacity=0.55)
    svg.rect(h, 6, 1, h - 12, fill=STATES[state]["edge"])


def record(svg, state):
    st = STATES[state]
    face = ("#c8002a", "#7a0018") if state == "press" else st["face"]
    panel(svg, 0, 0, svg.w, svg.h, c=8, face=face, edge=st["edge"])
    cy = svg.h / 2
    svg.circle(24, cy, 9, fill=RED if state != "press" else SELECT, opacity=0.35,
               filter=svg.blur(3))
    svg.circle(24, cy, 6, fill=RED if state != "press" else SELECT)


def check(svg, kind):
    s = svg.w
    if kind == "checked":
        svg.path(rrect_d(1, 1, s - 2, s - 2, 3), fill=RED, stroke=RED, stroke_width=1)
        icon(svg, "check", 2, 2, s - 4, SELECT, weight=2.8)
        return
    edge = TEXT if kind == "hover" else "#55555e"
    svg.path(rrect_d(1.5, 1.5, s - 3, s - 3, 3), fill=BG0, stroke=edge, stroke_width=1.4)


def field(svg, chamfer=6):
    """Sunken text-field face."""
    d = chamfer_d(0.5, 0.5, svg.w - 1, svg.h - 1, chamfer)
    svg.path(d, fill=svg.linear([(0, BG0), (1, BG1)]), stroke=LINE2, stroke_width=1)
    svg.path(f"M{chamfer + 1} 1.5H{svg.w - 1.5}", stroke=BG0, stroke_width=2, opacity=0.8)


def dropdown(svg):
    field(svg)
    x = svg.w - svg.h
    svg.rect(x, 7, 1, svg.h - 14, fill=LINE2)


def dropdown_item(svg):
    svg.rect(0, 0, svg.w, svg.h, fill=BG2)
    svg.rect(10, svg.h - 1, svg.w - 20, 1, fill=LINE)


def chevron(svg):
    w, h = svg.w, svg.h
    svg.path(f"M1.5 1.5L{num(w / 2)} {num(h - 1.5)}L{num(w - 1.5)} 1.5", fill="none", stroke=TEXT,
             stroke_width=1.8, stroke_linecap="round", stroke_linejoin="round")


def list_bg(svg):
    panel(svg, 0, 0, svg.w, svg.h, c=12, face=(BG2, BG1), edge=LINE2)
    svg.rect(12, 0.5, 40, 2, fill=RED)


def groove(svg):
    h = svg.h
    svg.path(rrect_d(0, 0, svg.w, h, h / 2), fill=BG0, stroke=LINE2, stroke_width=1)
    svg.rect(h / 2, h / 2 - 0.5, svg.w - h, 1, fill=DIM, opacity=0.5)


def knob(svg):
    w, h = svg.w, svg.h
    svg.path(rrect_d(1, 1, w - 2, h - 2, 3), fill=svg.linear([(0, SELECT), (1, "#b8b8be")]),
             stroke="#8a8a92", stroke_width=1)
    svg.rect(w / 2 - 1, 5, 2, h - 10, fill=RED)


def hue(svg):
    colours = ["#ff0000", "#ffff00", "#00ff00", "#00ffff", "#0000ff", "#ff00ff", "#ff0000"]
    stops = [(i / 6, c) for i, c in enumerate(colours)]
    svg.rect(0, 0, svg.w, svg.h, 3, fill=svg.linear(stops, x2=1, y2=0))
    svg.rect(0, 0, svg.w, svg.h, 3, fill=svg.linear([(0, SELECT, 0.25), (0.5, SELECT, 0),
                                                     (1, BG0, 0.2)]))


def swatch_ring(svg):
    c = svg.w / 2
    svg.circle(c, c, c - 2, fill="none", stroke=BG0, stroke_width=3, opacity=0.8)
    svg.circle(c, c, c - 3.5, fill="none", stroke=SELECT, stroke_width=2)


def bar(svg, filled):
    h = svg.h
    if filled:
        svg.path(rrect_d(0, 0, svg.w, h, h / 2),
                 fill=svg.linear([(0, "#7a0018"), (1, RED)], x2=1, y2=0))
        svg.path(rrect_d(1, 1, svg.w - 2, h / 2 - 1, h / 4), fill=SELECT, opacity=0.22)
    else:
        svg.path(rrect_d(0.5, 0.5, svg.w - 1, h - 1, h / 2), fill=BG0, stroke=LINE2,
                 stroke_width=1)


def step_badge(svg):
    c = svg.w / 2
    svg.circle(c, c, c - 3, fill=RED, opacity=0.35, filter=svg.blur(2))
    svg.circle(c, c, c - 4, fill=svg.linear([(0, BG3), (1, BG0)]), stroke=RED, stroke_width=2)


def stage(svg, state):
    button(svg, state, chamfer=10, bar=True)
    if state == "press":
        svg.path(chamfer_d(1, 1, svg.w - 2, svg.h - 2, 10), fill=RED, opacity=0.08)
