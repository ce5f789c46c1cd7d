#include "app/screengeometry.h"

#include <QSize>

#include <algorithm>

ScreenFit fitToScreen(const QRect& screen, bool originalSize, LayoutType layout,
                      const int resolutions[6])
{
    const QSize screenSize = screen.size();
    const double ratio1 = double(resolutions[0]) / resolutions[1];
    const double ratio3 = double(resolutions[4]) / resolutions[5];
    const double screenRatio = double(screenSize.width()) / screenSize.height();
    // QSize arithmetic rounds each step to the nearest integer, halves away from zero.
    const QSize fitBox = (screenSize * 2) / 3;

    ScreenFit fit;
    fit.layout = layout;
    if (fit.layout == LayoutUnset)
        fit.layout = screenRatio <= ratio1   ? Layout1280x720
                     : screenRatio >= ratio3 ? Layout3160x1080
                                             : Layout2140x1080;
    QSize design(resolutions[2], resolutions[3]);
    if (fit.layout == Layout1280x720)
        design = QSize(resolutions[0], resolutions[1]);
    else if (fit.layout == Layout3160x1080)
        design = QSize(resolutions[4], resolutions[5]);

    QSize size = design;
    if (!originalSize)
        size.scale(fitBox, Qt::KeepAspectRatio); // truncating integer arithmetic
    fit.scale = double(size.width()) / design.width();
    if (!originalSize && fit.scale < minReadableScale) {
        const double whole = std::min(double(screenSize.width()) / design.width(),
                                      double(screenSize.height()) / design.height());
        size = QSize(qRound(design.width() * std::min(minReadableScale, whole)),
                     qRound(design.height() * std::min(minReadableScale, whole)));
        fit.scale = double(size.width()) / design.width();
    }
    fit.rect = QRect(QPoint(0, 0), size);
    fit.rect.moveCenter(screen.center());
    return fit;
}

QRect keptOnScreen(const QRect& window, const QRect& screen)
{
    QRect kept = window;
    kept.moveLeft(
        std::max(screen.left(), std::min(window.left(), screen.right() - window.width() + 1)));
    kept.moveTop(
        std::max(screen.top(), std::min(window.top(), screen.bottom() - window.height() + 1)));
    return kept;
}
