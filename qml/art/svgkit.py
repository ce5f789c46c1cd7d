"""SVG building blocks every picture is made of, so the whole set keeps one look.

No text elements: fonts differ between machines, so lettering is drawn as strokes (see glyphs.py).
"""

import math

# The scene's colours and the dark greys everything sits on.
TEXT = "#d9d9d9"
SELECT = "#ffffff"
RED = "#e4002b"
RED_DARK = "#7a0018"
DIM = "#6e6e76"
BG0 = "#09090b"
BG1 = "#111114"
BG2 = "#18181c"
BG3 = "#212126"
LINE = "#2b2b31"
LINE2 = "#3d3d45"

# Per button state: icon colour, face gradient (top, bottom), edge colour.
STATES = {
    "normal": dict(ink=DIM, face=(BG3, BG2), edge=LINE2),
    "hover": dict(ink=TEXT, face=("#2c2c33", "#1d1d22"), edge="#5a5a64"),
    "press": dict(ink=RED, face=("#2a0f14", "#17090c"), edge=RED),
}


def num(v):
    """Short number text: sources stay small and diffs stay readable."""
    if isinstance(v, str):
        return v
    r = round(float(v), 2)
    return str(int(r)) if r == int(r) else f"{r:g}"


def attrs(kw):
    out = []
    for k, v in kw.items():
        if v is None:
            continue
        name = k.rstrip("_").replace("_", "-")
        out.append(f'{name}="{num(v)}"')
    return " ".join(out)


class Svg:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.defs = []
        self.body = []
        self._ids = 0

    def _id(self, prefix):
        self._ids += 1
        return f"{prefix}{self._ids}"

    def add(self, tag, **kw):
        self.body.append(f"<{tag} {attrs(kw)}/>")

    def path(self, d, **kw):
        self.add("path", d=d, **kw)

    def rect(self, x, y, w, h, rx=0, **kw):
        self.add("rect", x=x, y=y, width=w, height=h, rx=rx or None, **kw)

    def circle(self, cx, cy, r, **kw):
        self.add("circle", cx=cx, cy=cy, r=r, **kw)

    def line(self, x1, y1, x2, y2, **kw):
        self.add("line", x1=x1, y1=y1, x2=x2, y2=y2, **kw)

    def group(self, transform=None, **kw):
        """Open a group; close it with end()."""
        self.body.append(f"<g {attrs(dict(transform=transform, **kw))}>")

    def end(self):
        self.body.append("</g>")

    def _stops(self, stops):
        out = []
        for s in stops:
            off, col = s[0], s[1]
            op = f' stop-opacity="{num(s[2])}"' if len(s) > 2 else ""
            out.append(f'<stop offset="{num(off)}" stop-color="{col}"{op}/>')
        return "".join(out)

    def _gradient(self, tag, stops, geometry):
        gid = self._id(tag[0])
        self.defs.append(f'<{tag} id="{gid}" {attrs(geometry)}>{self._stops(stops)}</{tag}>')
        return f"url(#{gid})"

    def linear(self, stops, x1=0, y1=0, x2=0, y2=1):
        """Stops are (offset, colour[, opacity]); the default runs top to bottom."""
        return self._gradient("linearGradient", stops, dict(x1=x1, y1=y1, x2=x2, y2=y2))

    def radial(self, stops, cx=0.5, cy=0.5, r=0.5):
        return self._gradient("radialGradient", stops, dict(cx=cx, cy=cy, r=r))

    def blur(self, std):
        fid = self._id("f")
        self.defs.append(
            f'<filter id="{fid}" x="-50%" y="-50%" width="200%" height="200%">'
            f'<feGaussianBlur stdDeviation="{num(std)}"/></filter>')
        return f"url(#{fid})"

    def clip(self, d):
        cid = self._id("c")
        self.defs.append(f'<clipPath id="{cid}"><path d="{d}"/></clipPath>')
        return f"url(#{cid})"

    def __str__(self):
        head = (f'<svg xmlns="http://www.w3.org/2000/svg" width="{self.w}" height="{self.h}" '
                f'viewBox="0 0 {self.w} {self.h}">')
        defs = f"<defs>{''.join(self.defs)}</defs>" if self.defs else ""
        return "\n".join([head, defs, *self.body, "</svg>", ""]).replace("\n\n", "\n")


# Outlines shared by panels and buttons.


def rrect_d(x, y, w, h, r):
    r = min(r, w / 2, h / 2)
    return (f"M{num(x + r)} {num(y)}h{num(w - 2 * r)}a{num(r)} {num(r)} 0 0 1 {num(r)} {num(r)}"
            f"v{num(h - 2 * r)}a{num(r)} {num(r)} 0 0 1 {num(-r)} {num(r)}h{num(-(w - 2 * r))}"
            f"a{num(r)} {num(r)} 0 0 1 {num(-r)} {num(-r)}v{num(-(h - 2 * r))}"
            f"a{num(r)} {num(r)} 0 0 1 {num(r)} {num(-r)}z")


def chamfer_d(x, y, w, h, c):
    """Rectangle with the top-left and bottom-right corners cut: the set's signature shape."""
    c = min(c, w / 3, h / 3)
    return (f"M{num(x + c)} {num(y)}H{num(x + w)}V{num(y + h - c)}L{num(x + w - c)} {num(y + h)}"
            f"H{num(x)}V{num(y + c)}z")


def gear_d(cx, cy, r_out, r_in, teeth=8):
    pts = []
    for i in range(teeth * 4):
        a = 2 * math.pi * i / (teeth * 4) - math.pi / 2
        r = r_out if i % 4 in (0, 1) else r_in
        pts.append(f"{num(cx + r * math.cos(a))} {num(cy + r * math.sin(a))}")
    return "M" + "L".join(pts) + "z"


def panel(svg, x, y, w, h, c=10, face=(BG3, BG1), edge=LINE2, edge_w=1, glow=None):
    """A chamfered panel with a soft top light and a thin edge."""
    inset = edge_w / 2
    d = chamfer_d(x + inset, y + inset, w - 2 * inset, h - 2 * inset, c)
    if glow:
        svg.path(d, fill="none", stroke=glow, stroke_width=4, opacity=0.55, filter=svg.blur(3))
    svg.path(d, fill=svg.linear([(0, face[0]), (1, face[1])]), stroke=edge, stroke_width=edge_w)
    sheen = svg.linear([(0, SELECT, 0.07), (0.35, SELECT, 0)])
    svg.path(d, fill=sheen)


def hatch(svg, x, y, w, h, step=6, color=SELECT, opacity=0.035, corner=None):
    """Fine diagonal lines: texture without noise. Clipped to the box, or with `corner` ("tl" or
    "bl") to the triangle at that corner so the texture fades out along a diagonal."""
    box = {None: f"M{num(x)} {num(y)}h{num(w)}v{num(h)}h{num(-w)}z",
           "tl": f"M{num(x)} {num(y)}h{num(w)}L{num(x)} {num(y + h)}z",
           "bl": f"M{num(x)} {num(y)}L{num(x + w)} {num(y + h)}H{num(x)}z"}[corner]
    cid = svg.clip(box)
    d = "".join(f"M{num(x + i)} {num(y + h)}l{num(h)} {num(-h)}"
                for i in range(-int(h), int(w) + 1, step))
    svg.path(d, stroke=color, stroke_width=1, opacity=opacity, clip_path=cid)


def accent(svg, x, y, w, h=3):
    """The red tick that marks a heading or the active element."""
    svg.path(f"M{num(x)} {num(y)}h{num(w)}l{num(-h)} {num(h)}h{num(-(w - h))}z", fill=RED)
