#pragma once

#include <QRect>

enum LayoutType { LayoutUnset = 0, Layout1280x720 = 1, Layout2140x1080 = 2, Layout3160x1080 = 3 };

struct ScreenFit {
    LayoutType layout = LayoutUnset;
    QRect rect;       // window geometry, centred on the screen
    double scale = 1; // window width / design width
};

// Window placement for a screen of full geometry `screen`: the layout class from the aspect
// ratio (kept when `layout` is already chosen), the design size of that class scaled into two
// thirds of the screen (unless `originalSize`), centred. `resolutions` holds the design width
// and height of classes 1, 2 and 3.
ScreenFit fitToScreen(const QRect& screen, bool originalSize, LayoutType layout,
                      const int resolutions[6]);
