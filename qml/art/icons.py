"""Line icons on a 24-unit grid, drawn with one stroke weight so they read as one family."""

from svgkit import gear_d, num

DONGLE = "M5.5 2.5h6v5h-6zM4 7.5h9v12a2 2 0 0 1-2 2H6a2 2 0 0 1-2-2z"
CONTACTS = "M7 4h1v1.5H7zM9 4h1v1.5H9z"
MOUSE = "M12 2.5c-4 0-6.5 3-6.5 7.5v4.5c0 4.5 2.8 7 6.5 7s6.5-2.5 6.5-7V10c0-4.5-2.5-7.5-6.5-7.5z"

# name -> list of (path data, filled?)
ICONS = {
    "dpi": [("M12 5a7 7 0 1 0 0.01 0zM12 1.5v5M12 17.5v5M1.5 12h5M17.5 12h5", False),
            ("M12 10.2a1.8 1.8 0 1 0 0.01 0z", True)],
    "key": [(MOUSE + "M12 2.5v7M5.5 10.5h13", False),
            ("M12 3.3c-3 0-5.6 2-5.7 6.4H11.2V3.4z", True)],
    "macro": [("M2.5 6.5h19v12h-19zM5.5 10h2M9.5 10h2M13.5 10h2M17.5 10h1M5.5 13.5h1M8.5 13.5h7"
               "M17.5 13.5h1M7.5 16h9", False)],
    "light": [("M12 8a4 4 0 1 0 0.01 0zM12 1.5v3M12 19.5v3M1.5 12h3M19.5 12h3M4.6 4.6l2.1 2.1"
               "M17.3 17.3l2.1 2.1M4.6 19.4l2.1-2.1M17.3 6.7l2.1-2.1", False)],
    "update": [("M19.5 12a7.5 7.5 0 0 1-13.3 4.8M4.5 12a7.5 7.5 0 0 1 13.3-4.8M18.5 3v4.5H14"
                "M5.5 21v-4.5H10", False)],
    "cable": [("M9 2v4M15 2v4M6.5 6h11v6.5a3 3 0 0 1-3 3h-5a3 3 0 0 1-3-3zM12 15.5v7", False)],
    "receiver": [(DONGLE + "M16.5 6.5a3.5 3.5 0 0 1 0 5M19 4a7 7 0 0 1 0 10", False),
                 (CONTACTS, True)],
    "dongle": [(DONGLE, False), (CONTACTS, True)],
    "hourglass": [("M15 4.5h6M15 16.5h6M16 4.5v1.5l2 4.5-2 4.5v1.5M20 4.5v1.5l-2 4.5 2 4.5v1.5",
                   False), ("M16.8 15.5l1.2-2.6 1.2 2.6z", True)],
    "settings": [(gear_d(12, 12, 9.5, 7.2, 8) + "M12 8.6a3.4 3.4 0 1 0 .01 0z", False)],
    "minimise": [("M5.5 12.5h13", False)],
    "close": [("M6 6l12 12M18 6L6 18", False)],
    "link": [("M13.5 3.5h7v7M20.5 3.5l-9 9M18 14v5.5a1 1 0 0 1-1 1H4.5a1 1 0 0 1-1-1V7a1 1 0 0 1"
              " 1-1H10", False)],
    "record": [("M12 4a8 8 0 1 0 .01 0z", False), ("M12 8.5a3.5 3.5 0 1 0 .01 0z", True)],
    "stop": [("M12 4a8 8 0 1 0 .01 0z", False), ("M9.2 9.2h5.6v5.6H9.2z", True)],
    "add": [("M12 4.5v15M4.5 12h15", False)],
    "delete": [("M4 6.5h16M9.5 6.5V4h5v2.5M6.5 6.5l1 14h9l1-14M10 10v7M14 10v7", False)],
    "edit": [("M4 20l1-4.5L16 4.5l3.5 3.5-11 11zM13.5 7l3.5 3.5", False)],
    "save": [("M4.5 3.5h12l3 3v14h-15zM8 3.5v5h7v-5M7.5 20.5v-6.5h9v6.5", False)],
    "pair": [("M7 9.5L4.5 12a3.5 3.5 0 0 0 5 5L12 14.5M17 14.5l2.5-2.5a3.5 3.5 0 0 0-5-5L12 9.5"
              "M9 15l6-6", False)],
    "chip": [("M7 7h10v10H7zM9.5 3.5V7M14.5 3.5V7M9.5 17v3.5M14.5 17v3.5M3.5 9.5H7M3.5 14.5H7"
              "M17 9.5h3.5M17 14.5h3.5", False), ("M10 10h4v4h-4z", True)],
    "arrow_down": [("M6 9l6 6 6-6", False)],
    "arrow_up": [("M6 15l6-6 6 6", False)],
    "check": [("M5 12.5l4.5 4.5L19 7.5", False)],
    "mouse": [(MOUSE + "M12 2.5v7", False), ("M11.2 5.5h1.6v3h-1.6z", True)],
}


def icon(svg, name, x, y, size, color, weight=1.6):
    """Draw icon `name` with its 24-unit box scaled into the square at (x, y)."""
    s = size / 24
    svg.group(transform=f"translate({num(x)} {num(y)}) scale({s:.4g})")
    for d, filled in ICONS[name]:
        if filled:
            svg.path(d, fill=color)
        else:
            svg.path(d, fill="none", stroke=color, stroke_width=weight, stroke_linecap="round",
                     stroke_linejoin="round")
    svg.end()
