#include "updater/updatejob.h"

#include "updater/bootloaderprotocol.h"
#include "updater/boundedfile.h"
#include "updater/engine/engineprotocol.h"
#include "updater/firmwareimage.h"
#include "updater/statustexts.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QTextCodec>
#include <optional>

namespace updjob
{

static_assert(kBootLoaderMaxBytes == bootloader::kMaxBlocks * bootloader::kBlockSize,
              "every boot-loader block is addressable without wrapping");

namespace
{

Validation refuse(const char* status, const QString& detail)
{
    Validation v;
    v.status = status;
    v.detail = detail;
    return v;
}

bool readableFile(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isReadable();
}

// A first-image file holds its plain image, two key bytes and a 4-byte trailer.
qint64 firstFileLimit(FirstImageKind kind)
{
    const int plain = kind == FirstImageKind::Ch32 ? kCh32MaxBytes : kBootLoaderMaxBytes;
    return plain + 2 + fwimage::kTrailerSize;
}

} // namespace

bool devImageWellFormed(const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9A-Fa-f]{16}$"));
    if (!digits.match(text).hasMatch())
        return false;
    const DeviceId id = deviceIdFromImage(text);
    return id.vid != 0 && id.pid != 0;
}

FirstImageKind firstImageKind(const QString& b0Name)
{
    // An empty key would name the image folder itself, which is no image.
    if (b0Name.isEmpty())
        return FirstImageKind::None;
    return b0Name.startsWith(QLatin1Char('C')) ? FirstImageKind::Ch32 : FirstImageKind::BootLoader;
}

bool firstImageSizeOk(FirstImageKind kind, int plainSize)
{
    switch (kind) {
    case FirstImageKind::BootLoader:
        return plainSize >= kBootLoaderMinBytes && plainSize <= kBootLoaderMaxBytes;
    case FirstImageKind::Ch32:
        return plainSize > 0 && plainSize <= kCh32MaxBytes;
    case FirstImageKind::None:
        break;
    }
    return false;
}

Validation validateJob(const QString& configFolder)
{
    const QString cfgPath = configFolder + QStringLiteral("cfg.dat");
    if (!readableFile(cfgPath))
        return refuse(status::kConfigInvalid, cfgPath + " is missing or unreadable");
    if (QFileInfo(cfgPath).size() > kConfigFileMaxBytes)
        return refuse(status::kConfigInvalid, cfgPath + " is too large for a configuration");
    QSettings settings(cfgPath, QSettings::IniFormat);
    settings.setIniCodec(QTextCodec::codecForName("UTF-8"));
    if (settings.status() != QSettings::NoError)
        return refuse(status::kConfigInvalid, cfgPath + " cannot be read as settings");

    const QString devImage = settings.value(QStringLiteral("ApConfig/devImage")).toString();
    if (!devImageWellFormed(devImage))
        return refuse(status::kConfigInvalid, "devImage \"" + devImage + "\" is not a device");

    Validation v;
    Job& job = v.job;
    job.normalMode = deviceIdFromImage(devImage);
    job.title = settings.value(QStringLiteral("ApConfig/title")).toString();
    const QString b0Name = settings.value(QStringLiteral("ApConfig/b0_Dat")).toString();
    const QString b1Name = settings.value(QStringLiteral("ApConfig/b1_Dat")).toString();
    job.b0Path = configFolder + QStringLiteral("b0/") + b0Name;
    job.b1Path = configFolder + QStringLiteral("b1/") + b1Name;

    job.firstKind = firstImageKind(b0Name);
    if (job.hasFirstImage()) {
        const std::optional<QByteArray> file =
            boundedfile::readRegularFile(job.b0Path, firstFileLimit(job.firstKind));
        if (!file)
            return refuse(status::kImageInvalid,
                          job.b0Path + " is missing, unreadable or too large");
        job.firstImage = fwimage::decodeSecrecy(*file);
        if (!firstImageSizeOk(job.firstKind, job.firstImage.size()))
            return refuse(status::kImageInvalid,
                          QString("%1 holds %2 bytes, outside what its protocol can write")
                              .arg(job.b0Path)
                              .arg(job.firstImage.size()));
    }
    if (!b1Name.isEmpty()) {
        const std::optional<QByteArray> file =
            boundedfile::readRegularFile(job.b1Path, esproto::kImageFileMaxBytes);
        if (!file || !esproto::parseImageFile(*file))
            return refuse(status::kImageInvalid, job.b1Path + " is not an engine image");
        job.hasSecondImage = true;
    }
    if (!job.hasFirstImage() && !job.hasSecondImage)
        return refuse(status::kNothingToWrite, cfgPath + " names no image");
    v.ok = true;
    return v;
}

} // namespace updjob
