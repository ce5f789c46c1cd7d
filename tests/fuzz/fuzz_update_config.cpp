// libFuzzer target: the updater's cfg.dat as the updater and the app check it, with the images it
// may name lying in the folder (a boot-loader image, a CH32 image and an engine image).
#include "tests/fuzz/fuzzcheck.h"
#include "updater/engine/engineprotocol.h"
#include "updater/firmwareimage.h"
#include "updater/updatejob.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

static QString configFolder;

static void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort();
}

static QByteArray filler(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(i * 7 + 3);
    return bytes;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static QTemporaryDir folder;
    if (!folder.isValid() || !QDir(folder.path()).mkpath("b0") || !QDir(folder.path()).mkpath("b1"))
        std::abort();
    configFolder = folder.path() + QLatin1Char('/');
    writeFile(configFolder + "b0/firmware.bin",
              fwimage::encodeSecrecy(filler(4096), 0x5A, 0xC3, 0x01020304));
    writeFile(configFolder + "b0/C32.bin",
              fwimage::encodeSecrecy(filler(3000), 0x11, 0xEE, 0x0A0B0C0D));
    writeFile(configFolder + "b1/engine.bin", esproto::makeImageFile(filler(1000)));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray text = QByteArray(reinterpret_cast<const char*>(data), int(size));
    writeFile(configFolder + "cfg.dat", text);
    const updjob::Validation v = updjob::validateJob(configFolder);
    if (!v.ok) {
        FUZZ_REQUIRE(v.status != nullptr);
        return 0;
    }
    FUZZ_REQUIRE(text.size() <= updjob::kConfigFileMaxBytes);
    const updjob::Job& job = v.job;
    FUZZ_REQUIRE(job.normalMode.vid != 0 && job.normalMode.pid != 0);
    FUZZ_REQUIRE(job.hasFirstImage() || job.hasSecondImage);
    if (job.hasFirstImage())
        FUZZ_REQUIRE(updjob::firstImageSizeOk(job.firstKind, job.firstImage.size()));
    else
        FUZZ_REQUIRE(job.firstImage.isEmpty());
    return 0;
}
