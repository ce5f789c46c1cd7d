"""Window and page backgrounds, device cards and the logo."""

from glyphs import lettering, text_width
from svgkit import (BG0, BG1, BG2, BG3, DIM, LINE, LINE2, RED, SELECT, STATES, TEXT, accent,
                    chamfer_d, hatch, num, panel, rrect_d)

WINDOW_RADIUS = 12


def window(svg):
    """The rounded window face; returns its clip so decorations stay inside the corners."""
    d = rrect_d(0, 0, svg.w, svg.h, WINDOW_RADIUS)
    svg.path(d, fill=svg.linear([(0, BG2), (1, BG0)]))
    return svg.clip(d)


def emblem(svg, x, y, size):
    """A quill blade inside a shield: the product's mark."""
    svg.group(transform=f"translate({num(x)} {num(y)}) scale({size / 100:.4g})")
    shield = "M50 4L92 24V64L50 96L8 64V24z"
    svg.path(shield, fill=svg.linear([(0, BG3), (1, BG0)]), stroke=TEXT, stroke_width=4,
             stroke_linejoin="round")
    blade = "M30 78C34 52 48 32 74 18C68 44 54 62 30 78z"
    svg.path(blade, fill=RED, opacity=0.6, filter=svg.blur(4))
    svg.path(blade, fill=svg.linear([(0, RED), (1, "#ff4060")], x1=0, y1=1, x2=1, y2=0))
    svg.path("M22 88L64 34", stroke=SELECT, stroke_width=3, stroke_linecap="round")
    svg.end()


def wordmark(svg, x, y, height, color=SELECT):
    lettering(svg, "QUILLEX", x, y, height, color, weight=2.4)


def logo_small(svg):
    size = svg.h - 4
    emblem(svg, 2, 2, size)
    h = svg.h * 0.4
    wordmark(svg, size + 12, (svg.h - h) / 2, h)


def logo(svg):
    size = svg.h - 20
    emblem(svg, 10, 10, size)
    x = size + 34
    h = svg.h * 0.33
    wordmark(svg, x, svg.h * 0.2, h)
    line_y = svg.h * 0.2 + h + 14
    accent(svg, x, line_y, 40)
    svg.rect(x + 46, line_y + 1, text_width("QUILLEX", h) - 46, 1, fill=LINE2)
    lettering(svg, "NORVIK GAMING", x, line_y + 12, svg.h * 0.1, DIM, weight=2.6)


def main_bg(svg):
    clip = window(svg)
    svg.group(clip_path=clip)
    svg.rect(0, 0, svg.w, 60, fill=svg.linear([(0, BG3), (1, BG1)]))
    svg.rect(0, 59, svg.w, 1, fill=LINE)
    svg.rect(0, 60, 200, svg.h - 60, fill=svg.linear([(0, BG1), (1, BG0)]))
    svg.rect(199, 60, 1, svg.h - 60, fill=LINE)
    hatch(svg, 0, svg.h - 300, 200, 300, step=7, opacity=0.04, corner="bl")
    svg.circle(0, svg.h, 220, fill=svg.radial([(0, RED, 0.12), (1, RED, 0)]))
    svg.rect(24, 0, 150, 2, fill=RED)
    svg.rect(24, 0, 150, 6, fill=RED, opacity=0.4, filter=svg.blur(3))
    svg.end()
    page_face = svg.linear([(0, "#1d1d22"), (1, "#131316")])
    svg.path(chamfer_d(210.5, 70.5, 1059, 639, 16), fill=page_face, stroke=LINE, stroke_width=1)
    svg.path(rrect_d(0.5, 0.5, svg.w - 1, svg.h - 1, WINDOW_RADIUS), fill="none", stroke=LINE2,
             stroke_width=1)


def start_bg(svg):
    clip = window(svg)
    w, h = svg.w, svg.h
    svg.group(clip_path=clip)
    svg.rect(0, 0, w, h, fill=svg.radial([(0, "#26262d"), (1, BG0, 0)], cx=0.5, cy=0.42, r=0.6))
    horizon, vx = h * 0.62, w / 2
    grid = "".join(f"M{num(vx)} {num(horizon)}L{num(vx + i * 160)} {num(h)}" for i in range(-8, 9))
    grid += "".join(f"M0 {num(horizon + (h - horizon) * t * t)}H{w}"
                    for t in (0.15, 0.3, 0.5, 0.72, 1))
    svg.path(grid, stroke=TEXT, stroke_width=1, opacity=0.06)
    svg.rect(0, horizon - 2, w, 60, fill=svg.linear([(0, BG0, 0.9), (1, BG0, 0)]))
    svg.rect(0, horizon, w, 1,
             fill=svg.linear([(0, RED, 0), (0.5, RED, 0.6), (1, RED, 0)], x2=1, y2=0))
    svg.path(f"M{w - 150} 0h6L{w - 330} {h}h-6z", fill=RED, opacity=0.3, filter=svg.blur(8))
    for dx, op in ((0, 0.32), (18, 0.14)):
        svg.path(f"M{w - 150 + dx} 0h4L{w - 330 + dx} {h}h-4z", fill=RED, opacity=op)
    hatch(svg, 0, 0, 520, 300, step=7, opacity=0.035, corner="tl")
    svg.end()
    svg.path(rrect_d(0.5, 0.5, w - 1, h - 1, WINDOW_RADIUS), fill="none", stroke=LINE2,
             stroke_width=1)


def setting_bg(svg):
    w, h, r = svg.w, svg.h, WINDOW_RADIUS
    d = f"M0 0H{w - r}A{r} {r} 0 0 1 {w} {r}V{h - r}A{r} {r} 0 0 1 {w - r} {h}H0z"
    svg.path(d, fill=svg.linear([(0, BG1), (1, BG0)]))
    svg.path(d, fill=svg.linear([(0, RED, 0.08), (0.4, RED, 0)], x2=1, y2=0))
    hatch(svg, 0, 0, w, 70, step=7, opacity=0.04)
    svg.rect(0, 70, w, 1, fill=LINE)
    svg.rect(0, 0, 2, h, fill=RED)
    svg.rect(0, 0, 6, h, fill=RED, opacity=0.35, filter=svg.blur(3))


HEADER = 44  # height of a section's title band


def frame(svg, x, y, w, h, header=HEADER):
    """One framed section of a page, with a title band at the top."""
    panel(svg, x, y, w, h, c=14, face=("#1f1f25", "#151519"), edge=LINE2)
    c = 13
    svg.path(f"M{num(x + 1 + c)} {num(y + 1)}H{num(x + w - 1)}V{num(y + header)}H{num(x + 1)}"
             f"V{num(y + 1 + c)}z", fill=BG0, opacity=0.35)
    svg.rect(x + 14, y + header, w - 28, 1,
             fill=svg.linear([(0, LINE2), (1, LINE2, 0)], x2=1, y2=0))
    accent(svg, x + 18, y, 48)
    svg.path(f"M{num(x + w - 30)} {num(y + h - 5)}h20", stroke=RED, stroke_width=1, opacity=0.6)


def page_bg(svg, frames, dividers=()):
    """Framed sections at the given (x, y, w, h[, title band height]) boxes, where the page puts
    its groups of controls; dividers are (x, y, h) hairlines that split a section."""
    for box in frames:
        frame(svg, *box)
    for x, y, h in dividers:
        svg.rect(x, y, 1, h, fill=svg.linear([(0, LINE2, 0), (0.5, LINE2), (1, LINE2, 0)]))


def card(svg, state):
    st = STATES[state]
    w, h = svg.w, svg.h
    panel(svg, 1, 1, w - 2, h - 2, c=18, face=st["face"], edge=st["edge"],
          glow=RED if state == "press" else None)
    hatch(svg, 1, 1, w * 0.7, h * 0.45, step=8, opacity=0.04, corner="tl")
    # The device string sits below this line, the mouse picture and state icons above it.
    svg.rect(20, h - 73, w - 40, 1, fill=LINE2 if state == "normal" else st["edge"], opacity=0.7)
    if state != "normal":
        svg.circle(w / 2, 140, 120, fill=svg.radial([(0, st["ink"], 0.1), (1, st["ink"], 0)]))
    accent(svg, 30, 1, 60 if state == "press" else 36)
    svg.rect(w - 60, h - 4, 30, 2, fill=RED if state != "normal" else DIM)
