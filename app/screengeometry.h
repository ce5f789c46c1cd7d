#pragma once

#include <QRect>

enum LayoutType { LayoutUnset = 0, Layout1280x720 = 1, Layout2140x1080 = 2, Layout3160x1080 = 3 };

// The smallest scale at which the scene's body text (14 px at design size) keeps 12 px.
constexpr double minReadableScale = 12.0 / 14.0;

struct ScreenFit {
    LayoutType layout = LayoutUnset;
    QRect rect;       // window geometry, centred on the screen
    double scale = 1; // window width / design width
};

// Window placement for a screen of full geometry `screen`: the layout class from the aspect
// ratio (kept when `layout` is already chosen), the design size of that class scaled into two
// thirds of the screen (unless `originalSize`), centred. Where two thirds would shrink the body
// text below 12 px, the window grows to the readable scale, at most to the whole screen.
// `resolutions` holds the design width and height of classes 1, 2 and 3.
ScreenFit fitToScreen(const QRect& screen, bool originalSize, LayoutType layout,
                      const int resolutions[6]);

// `window` moved as little as possible to lie within `screen`; a window larger than the screen
// keeps its top-left corner on it.
QRect keptOnScreen(const QRect& window, const QRect& screen);
