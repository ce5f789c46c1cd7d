#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Test firmware: plain images that carry a version the virtual devices report after an update,
// the scrambled first-image file, the engine's image file, and a firmware folder laid out as the
// updater reads it.
namespace testfw
{

// The device an image is built for; a device refuses to start an image of another kind.
enum class ImageKind : char { BootLoader = 'B', Ch32 = 'C', Engine = 'E' };
// The kind of a first image: a b0 name starting with "C" selects the CH32 protocol.
ImageKind firstImageKind(const QString& b0Name);

// A plain image of `size` bytes. From 7 bytes on it carries its tag: "QXVR", the version
// big-endian and the kind byte, at offset 16 when it fits, else at 0.
QByteArray plainImage(int size, quint16 version, int seed = 1,
                      ImageKind kind = ImageKind::BootLoader);
// The first-image file of a plain image (key bytes and trailer embedded).
QByteArray firstImageFile(const QByteArray& plain, quint8 keyA = 0x5C, quint8 keyB = 0x93);
// The engine's file of a plain image (header with length and CRC).
QByteArray engineImageFile(const QByteArray& plain);

// "ApConfig/devImage" text for a device in normal mode (digits in the order the updater reads).
QString devImageText(quint16 vid, quint16 pid, quint16 usagePage, quint16 usage);

struct Folder {
    QString devImage;
    QString b0Name; // empty: no b0_Dat key and no file
    QByteArray b0File;
    QString b1Name;
    QByteArray b1File;
    QString title = "Quillex";
};

// Writes prefix + "cfg.dat", prefix + "b0/" + b0Name and prefix + "b1/" + b1Name, concatenating
// exactly as the updater does (a prefix without a trailing slash is not a folder).
bool writeFolder(const QString& prefix, const Folder& folder);

} // namespace testfw
