"""The mouse and its receiver, drawn once and reused by every picture that shows them.

The top view lives in a 200 x 340 box; callers place and scale it with a transform.
"""

from svgkit import BG0, LINE2, RED, RED_DARK, SELECT, TEXT, num

TOP_W, TOP_H = 200, 340
BODY = ("M100 4C150 4 182 40 186 110C189 160 177 192 180 232C184 292 160 336 100 336"
        "C40 336 16 292 20 232C23 192 11 160 14 110C18 40 50 4 100 4z")
SPLIT = "M100 4V134M16 126C52 142 148 142 184 126"
LEFT_BTN = "M98 6C52 8 21 42 16 112L16 126C40 137 70 140 98 140z"
WHEEL = (90, 38, 20, 52)
DPI_BTN = (94, 100, 12, 20)
TOP_BTN = (93, 156, 14, 18)
FORWARD = "M15 148C9 160 9 182 14 192L23 192C21 180 21 160 23 148z"
BACK = "M15 198C10 210 11 230 16 240L25 240C23 228 23 210 24 198z"
STRIP = "M58 252L100 282L142 252"
SIDE_STRIPS = "M26 250C30 290 52 318 82 328M174 250C170 290 148 318 118 328"

# Where each numbered button sits on the top view (button number -> point), for callouts.
BUTTON_SPOTS = {1: (58, 70), 2: (142, 70), 3: (100, 64), 4: (16, 170), 5: (18, 219),
                6: (100, 110), 7: (100, 165)}


def _rr(svg, box, r, **kw):
    x, y, w, h = box
    svg.rect(x, y, w, h, r, **kw)


def mouse_top(svg, transform, lit=None, glow_strength=1.0):
    """Top view. `lit` is the colour of the light strip, or None for an unlit strip."""
    svg.group(transform=transform)
    svg.path(BODY, fill=BG0, opacity=0.6, transform="translate(0 8)", filter=svg.blur(8))
    for side in (FORWARD, BACK):
        svg.path(side, fill="#1c1c21", stroke=LINE2, stroke_width=1.2)
    body = svg.linear([(0, "#2b2b32"), (0.45, "#1b1b20"), (1, "#0e0e11")], x2=1, y2=0.3)
    svg.path(BODY, fill=body)
    svg.path(LEFT_BTN, fill=SELECT, opacity=0.035)
    svg.path(BODY, fill=svg.radial([(0, SELECT, 0.16), (1, SELECT, 0)], cx=0.32, cy=0.2, r=0.45))
    svg.path(SPLIT, fill="none", stroke=BG0, stroke_width=3)
    svg.path(SPLIT, fill="none", stroke=LINE2, stroke_width=0.8, transform="translate(0.8 0.8)")
    _rr(svg, (WHEEL[0] - 3, WHEEL[1] - 3, WHEEL[2] + 6, WHEEL[3] + 6), 12, fill=BG0)
    _rr(svg, WHEEL, 10, fill=svg.linear([(0, "#4a4a52"), (0.5, "#2a2a30"), (1, "#17171b")],
                                        x2=1, y2=0))
    ridges = "".join(f"M{WHEEL[0] + 3} {num(y)}h{WHEEL[2] - 6}"
                     for y in range(WHEEL[1] + 8, WHEEL[1] + WHEEL[3] - 4, 5))
    svg.path(ridges, stroke=BG0, stroke_width=1.2, opacity=0.7)
    _rr(svg, DPI_BTN, 4, fill="#26262c", stroke=LINE2, stroke_width=1)
    _rr(svg, TOP_BTN, 5, fill="#26262c", stroke=LINE2, stroke_width=1)
    svg.path(BODY, fill="none", stroke="#4a4a54", stroke_width=1.5)
    if lit:
        strips = STRIP + SIDE_STRIPS
        svg.path(strips, fill="none", stroke=lit, stroke_width=14 * glow_strength, opacity=0.45,
                 filter=svg.blur(7), stroke_linecap="round")
        svg.path(strips, fill="none", stroke=lit, stroke_width=4, stroke_linecap="round")
        svg.path(strips, fill="none", stroke=SELECT, stroke_width=1.2, opacity=0.7,
                 stroke_linecap="round")
    else:
        svg.path(STRIP + SIDE_STRIPS, fill="none", stroke=RED_DARK, stroke_width=3,
                 stroke_linecap="round")
    svg.end()


SIDE = ("M6 86C12 66 44 46 84 40C122 34 150 52 154 78L154 90C154 95 150 98 145 98H14"
        "C8 98 5 94 6 86z")


def mouse_side(svg, transform):
    """Side view in a 160 x 110 box, nose to the left."""
    svg.group(transform=transform)
    svg.path("M14 104H146", stroke=BG0, stroke_width=8, opacity=0.7, filter=svg.blur(4),
             stroke_linecap="round")
    svg.path(SIDE, fill=svg.linear([(0, "#2d2d34"), (0.6, "#18181c"), (1, "#0d0d10")]))
    svg.path(SIDE, fill=svg.radial([(0, SELECT, 0.14), (1, SELECT, 0)], cx=0.55, cy=0.1, r=0.5))
    svg.path("M24 62C50 52 70 50 92 50", fill="none", stroke=BG0, stroke_width=2)
    _rr(svg, (46, 64, 22, 8), 4, fill="#25252b", stroke=LINE2, stroke_width=1)
    _rr(svg, (72, 63, 22, 8), 4, fill="#25252b", stroke=LINE2, stroke_width=1)
    svg.path("M16 92H144", stroke=RED, stroke_width=6, opacity=0.5, filter=svg.blur(3))
    svg.path("M16 92H144", stroke=RED, stroke_width=2, stroke_linecap="round")
    svg.path(SIDE, fill="none", stroke="#4a4a54", stroke_width=1.4)
    svg.end()


def receiver(svg, transform):
    """USB receiver in a 160 x 110 box, plug to the left."""
    svg.group(transform=transform)
    svg.path("M24 100H150", stroke=BG0, stroke_width=8, opacity=0.7, filter=svg.blur(4),
             stroke_linecap="round")
    metal = svg.linear([(0, "#8c8c94"), (0.5, "#d0d0d6"), (1, "#6a6a72")])
    svg.rect(8, 38, 58, 40, 2, fill=metal, stroke="#55555c", stroke_width=1)
    for x in (22, 42):
        svg.rect(x, 48, 10, 7, fill="#2a2a30")
    svg.path("M8 62H66", stroke="#55555c", stroke_width=1)
    body = svg.linear([(0, "#2e2e35"), (0.5, "#1b1b20"), (1, "#0e0e11")])
    svg.path("M62 30H140C148 30 152 36 152 44V72C152 80 148 86 140 86H62z", fill=body,
             stroke="#4a4a54", stroke_width=1.4)
    svg.path("M66 36H138", stroke=SELECT, stroke_width=1, opacity=0.12)
    svg.circle(136, 58, 8, fill=RED, opacity=0.5, filter=svg.blur(4))
    svg.circle(136, 58, 3.2, fill=RED)
    for i, r in enumerate((8, 14, 20)):
        svg.path(f"M{num(136 - r * 0.7)} {num(24 - r * 0.7)}a{r} {r} 0 0 1 {num(r * 1.4)} 0",
                 fill="none", stroke=TEXT, stroke_width=1.6, opacity=0.6 - i * 0.15)
    svg.end()
