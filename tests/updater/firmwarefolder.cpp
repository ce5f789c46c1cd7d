#include "tests/updater/firmwarefolder.h"

#include "updater/engine/engineprotocol.h"
#include "updater/firmwareimage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace testfw
{

namespace
{

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// Digits of a 16-bit value in the updater's reading order: c1 c0 c3 c2 form the value.
QString swappedDigits(quint16 value)
{
    const QString hex = QString("%1").arg(value, 4, 16, QChar('0')).toUpper();
    return QString() + hex[1] + hex[0] + hex[3] + hex[2];
}

} // namespace

ImageKind firstImageKind(const QString& b0Name)
{
    return b0Name.startsWith('C') ? ImageKind::Ch32 : ImageKind::BootLoader;
}

QByteArray plainImage(int size, quint16 version, int seed, ImageKind kind)
{
    QByteArray image(size, '\0');
    for (int i = 0; i < size; ++i)
        image[i] = char((i * 31 + seed * 17 + (i >> 8)) & 0xFF);
    const QByteArray tag =
        QByteArray("QXVR") + char(version >> 8) + char(version & 0xFF) + char(kind);
    if (size >= tag.size())
        image.replace(size >= 16 + tag.size() ? 16 : 0, tag.size(), tag);
    return image;
}

QByteArray firstImageFile(const QByteArray& plain, quint8 keyA, quint8 keyB)
{
    return fwimage::encodeSecrecy(plain, keyA, keyB, 0xC0DEC0DEu);
}

QByteArray engineImageFile(const QByteArray& plain)
{
    return esproto::makeImageFile(plain);
}

QString devImageText(quint16 vid, quint16 pid, quint16 usagePage, quint16 usage)
{
    return swappedDigits(pid) + swappedDigits(vid) + swappedDigits(usagePage) +
           swappedDigits(usage);
}

bool writeFolder(const QString& prefix, const Folder& folder)
{
    QByteArray cfg = "[ApConfig]\n";
    cfg += "devImage=" + folder.devImage.toUtf8() + "\n";
    if (!folder.b0Name.isEmpty())
        cfg += "b0_Dat=" + folder.b0Name.toUtf8() + "\n";
    if (!folder.b1Name.isEmpty())
        cfg += "b1_Dat=" + folder.b1Name.toUtf8() + "\n";
    cfg += "title=" + folder.title.toUtf8() + "\n";
    bool ok = writeFile(prefix + "cfg.dat", cfg);
    if (!folder.b0Name.isEmpty())
        ok = ok && writeFile(prefix + "b0/" + folder.b0Name, folder.b0File);
    if (!folder.b1Name.isEmpty())
        ok = ok && writeFile(prefix + "b1/" + folder.b1Name, folder.b1File);
    return ok;
}

} // namespace testfw
