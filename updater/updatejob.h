#pragma once

#include "updater/deviceid.h"

#include <QByteArray>
#include <QString>

// What one run of the updater is asked to do, read from its configuration folder and checked
// whole before any device is touched. The app uses the same check to decide whether an update is
// on offer at all.
namespace updjob
{

enum class FirstImageKind { None, BootLoader, Ch32 };

// Boot-loader blocks are addressed by one byte from 0x60 in steps of 4 per KiB: 40 KiB keep every
// block (0x60 ... 0xFC) in the application area. Below 2 KiB no block would ever be CRC-checked.
constexpr int kBootLoaderMinBytes = 2048;
constexpr int kBootLoaderMaxBytes = 40960;
// CH32 chunk offsets are 16 bits wide.
constexpr int kCh32MaxBytes = 65535;
// A real cfg.dat is a few short lines; a larger one is damaged and is not parsed at all.
constexpr qint64 kConfigFileMaxBytes = 64 * 1024;

struct Job {
    DeviceId normalMode;
    QString title;
    QString b0Path;
    QString b1Path;
    FirstImageKind firstKind = FirstImageKind::None;
    bool hasSecondImage = false;
    // The unscrambled first image, as it will be written.
    QByteArray firstImage;

    bool hasFirstImage() const { return firstKind != FirstImageKind::None; }
};

struct Validation {
    bool ok = false;
    Job job;
    // Status text of a refused job, and a detail for the debug channel.
    const char* status = nullptr;
    QString detail;
};

// Reads configFolder + "cfg.dat" and the images it names (paths concatenated as given).
Validation validateJob(const QString& configFolder);

// Pure parts of the check, for the loader above and for tests.
bool devImageWellFormed(const QString& text);
FirstImageKind firstImageKind(const QString& b0Name);
bool firstImageSizeOk(FirstImageKind kind, int plainSize);

} // namespace updjob
