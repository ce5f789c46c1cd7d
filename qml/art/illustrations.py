"""The mouse and receiver placed for each page that shows them."""

from glyphs import lettering, text_width
from mouse import BUTTON_SPOTS, TOP_H, TOP_W, mouse_side, mouse_top, receiver
from svgkit import BG0, RED, SELECT, TEXT, num

# Callout label positions on the 360 x 460 key picture, left or right of the mouse.
LABELS = {1: (24, 60), 2: (336, 60), 3: (336, 130), 4: (24, 220), 5: (24, 290), 6: (336, 200),
          7: (336, 270)}


def _fit(svg, margin_x, margin_y):
    """Scale and offset that centre the top view in the canvas with the given margins."""
    s = min((svg.w - 2 * margin_x) / TOP_W, (svg.h - 2 * margin_y) / TOP_H)
    return s, (svg.w - TOP_W * s) / 2, (svg.h - TOP_H * s) / 2


def card_mouse(svg):
    s = min(svg.w, svg.h) * 0.94 / TOP_H
    cx, cy = svg.w / 2, svg.h / 2
    svg.circle(cx, cy, min(svg.w, svg.h) / 2, fill=svg.radial([(0, RED, 0.14), (1, RED, 0)]))
    mouse_top(svg, f"translate({num(cx)} {num(cy)}) rotate(-28) scale({s:.4g}) "
                   f"translate({-TOP_W / 2} {-TOP_H / 2})", lit=RED, glow_strength=0.6)


def key_mouse(svg):
    s, ox, oy = _fit(svg, 80, 40)
    mouse_top(svg, f"translate({num(ox)} {num(oy)}) scale({s:.4g})")
    for n, (bx, by) in BUTTON_SPOTS.items():
        px, py = ox + bx * s, oy + by * s
        lx, ly = LABELS[n]
        elbow = lx + (26 if lx < svg.w / 2 else -26)
        svg.path(f"M{num(px)} {num(py)}L{num(elbow)} {num(ly)}H{num(lx)}", fill="none",
                 stroke=TEXT, stroke_width=1, opacity=0.45)
        svg.circle(px, py, 3.5, fill=RED)
        svg.circle(px, py, 7, fill=RED, opacity=0.35, filter=svg.blur(2))
        svg.circle(lx, ly, 12, fill=BG0, stroke=RED, stroke_width=1.6)
        h = 10
        lettering(svg, str(n), lx - text_width(str(n), h) / 2, ly - h / 2, h, SELECT, weight=2.4)


def led_mouse(svg):
    s, ox, oy = _fit(svg, 30, 30)
    svg.add("ellipse", cx=svg.w / 2, cy=svg.h / 2 + 30, rx=svg.w * 0.4, ry=svg.h * 0.42,
            fill=svg.radial([(0, RED, 0.18), (1, RED, 0)]))
    mouse_top(svg, f"translate({num(ox)} {num(oy)}) scale({s:.4g})", lit=RED)


def side_mouse(svg):
    s = min(svg.w / 160, svg.h / 110)
    mouse_side(svg, f"translate({num((svg.w - 160 * s) / 2)} {num((svg.h - 110 * s) / 2)}) "
                    f"scale({s:.4g})")


def usb_receiver(svg):
    s = min(svg.w / 160, svg.h / 110)
    receiver(svg, f"translate({num((svg.w - 160 * s) / 2)} {num((svg.h - 110 * s) / 2)}) "
                  f"scale({s:.4g})")
