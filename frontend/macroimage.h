#pragma once

// The mouse's copy of a macro, built from the macro page's action list. Pure: no files, no
// device.

#include <QVariantList>
#include <QtGlobal>
#include <array>
#include <optional>

namespace macroimage
{

constexpr int kImageSize = 256;

struct Image {
    std::array<quint8, kImageSize> bytes{}; // always whole, as the upload copies 256 bytes
    int length = 0;
};

// The image of `actions` (playback count high and low byte, then press, release and delay items
// up to an end item). Nothing when the list is damaged: fewer than the two count entries, or an
// entry that is not a whole number from 0 to 255. Lists longer than the image are cut at a whole
// record and still end with the end item.
std::optional<Image> fromActionList(const QVariantList& actions);

} // namespace macroimage
