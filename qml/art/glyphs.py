"""An angular stroke alphabet for the few words drawn into pictures (logo, badges).

Glyphs sit on a 10 x 14 grid; each is a list of polylines, with "z" closing one.
"""

from svgkit import num

GLYPHS = {
    "A": ["0 14 0 2 2 0 10 0 10 14", "0 8 10 8"],
    "E": ["10 0 0 0 0 14 10 14", "0 7 8 7"],
    "G": ["10 0 2 0 0 2 0 14 10 14 10 7 5 7"],
    "I": ["0 0 0 14"],
    "K": ["0 0 0 14", "10 0 1 7 10 14"],
    "L": ["0 0 0 14 10 14"],
    "M": ["0 14 0 0 5 7 10 0 10 14"],
    "N": ["0 14 0 0 10 14 10 0"],
    "O": ["2 0 10 0 10 12 8 14 0 14 0 2 z"],
    "Q": ["2 0 10 0 10 12 8 14 0 14 0 2 z", "6 10 10.5 14.5"],
    "R": ["0 14 0 0 10 0 10 7 0 7", "4 7 10 14"],
    "U": ["0 0 0 14 8 14 10 12 10 0"],
    "V": ["0 0 5 14 10 0"],
    "X": ["0 0 10 14", "10 0 0 14"],
    "1": ["2 2 5 0 5 14"],
    "2": ["0 2 2 0 8 0 10 2 10 5 0 14 10 14"],
    "3": ["0 0 8 0 10 2 10 5 8 7 10 9 10 12 8 14 0 14", "3 7 8 7"],
    "4": ["7 14 7 0 0 9 10 9"],
    "5": ["10 0 0 0 0 6 8 6 10 8 10 12 8 14 0 14"],
    "6": ["10 0 0 0 0 14 10 14 10 7 0 7"],
    "7": ["0 0 10 0 4 14"],
    "8": ["1 0 9 0 10 1 10 5.5 8.5 7 10 8.5 10 13 9 14 1 14 0 13 0 8.5 1.5 7 0 5.5 0 1 z",
          "1.5 7 8.5 7"],
}
WIDTH = {"I": 0, "1": 5}
GAP = 4.5
SPACE = 8


def advance(ch):
    return SPACE if ch == " " else WIDTH.get(ch, 10) + GAP


def text_width(text, height):
    """Width of `text` drawn at `height`, without the trailing gap."""
    return (sum(advance(c) for c in text) - GAP) * height / 14


def lettering(svg, text, x, y, height, color, weight=2.2):
    """Draw `text` with its top-left corner at (x, y); weight is in grid units."""
    s = height / 14
    d = []
    cx = 0
    for ch in text:
        for line in GLYPHS.get(ch, []):
            closed = line.endswith("z")
            nums = [float(v) for v in line.rstrip("z ").split()]
            pts = [f"{num(cx + nums[i])} {num(nums[i + 1])}" for i in range(0, len(nums), 2)]
            d.append("M" + "L".join(pts) + ("z" if closed else ""))
        cx += advance(ch)
    svg.group(transform=f"translate({num(x)} {num(y)}) scale({s:.4g})")
    svg.path("".join(d), fill="none", stroke=color, stroke_width=weight, stroke_linejoin="miter",
             stroke_linecap="square")
    svg.end()
