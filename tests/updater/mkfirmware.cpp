// quillex-mkfirmware: lays out a firmware folder for the updater from plain images.
//
//   quillex-mkfirmware <prefix> <vid>:<pid>:<usagePage>:<usage>
//                      [--b0 <name> <plain file>] [--b1 <name> <plain file>] [--title <text>]
//   quillex-mkfirmware --sample <prefix> <b0 size> <b1 size> <version hex>
//                      [<b0 name> [<vid>:<pid>:<usagePage>:<usage>]]
//
// The first image is scrambled into the boot-loader file format, the second wrapped in the
// engine's header. A b0 name starting with "C" selects the CH32 protocol. --sample makes
// generated images instead of reading plain files: tagged with the given version and their kind
// (the first image CH32 or boot loader by its name, default firmware.bin; the second engine), for
// the mouse unless a device is given.
#include "tests/updater/firmwarefolder.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <cstdio>

namespace
{

int usage()
{
    std::fputs("usage: quillex-mkfirmware <prefix> <vid>:<pid>:<usagePage>:<usage> "
               "[--b0 <name> <plain>] [--b1 <name> <plain>] [--title <text>]\n"
               "       quillex-mkfirmware --sample <prefix> <b0 size> <b1 size> <version hex> "
               "[<b0 name> [<vid>:<pid>:<usagePage>:<usage>]]\n",
               stderr);
    return 2;
}

bool readPlain(const QString& path, QByteArray& out)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    out = file.readAll();
    return true;
}

// "<vid>:<pid>:<usagePage>:<usage>" in hexadecimal.
bool setDevice(const QString& text, testfw::Folder& folder)
{
    const QStringList ids = text.split(':');
    if (ids.size() != 4)
        return false;
    folder.devImage = testfw::devImageText(
        quint16(ids[0].toUInt(nullptr, 16)), quint16(ids[1].toUInt(nullptr, 16)),
        quint16(ids[2].toUInt(nullptr, 16)), quint16(ids[3].toUInt(nullptr, 16)));
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    testfw::Folder folder;
    folder.devImage = testfw::devImageText(0x093A, 0xC791, 0xFF10, 0x0001);

    if (args.size() >= 5 && args.size() <= 7 && args[0] == "--sample") {
        if (args.size() == 7 && !setDevice(args[6], folder))
            return usage();
        const quint16 version = quint16(args[4].toUInt(nullptr, 16));
        if (args[2].toInt() > 0) {
            folder.b0Name = args.value(5, "firmware.bin");
            folder.b0File = testfw::firstImageFile(testfw::plainImage(
                args[2].toInt(), version, 1, testfw::firstImageKind(folder.b0Name)));
        }
        if (args[3].toInt() > 0) {
            folder.b1Name = "engine.bin";
            folder.b1File = testfw::engineImageFile(
                testfw::plainImage(args[3].toInt(), version, 2, testfw::ImageKind::Engine));
        }
        return testfw::writeFolder(args[1], folder) ? 0 : 1;
    }

    if (args.size() < 2 || !setDevice(args[1], folder))
        return usage();
    for (int i = 2; i < args.size(); ++i) {
        QByteArray plain;
        if ((args[i] == "--b0" || args[i] == "--b1") && i + 2 < args.size()) {
            if (!readPlain(args[i + 2], plain)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(args[i + 2]));
                return 1;
            }
            if (args[i] == "--b0") {
                folder.b0Name = args[i + 1];
                folder.b0File = testfw::firstImageFile(plain);
            } else {
                folder.b1Name = args[i + 1];
                folder.b1File = testfw::engineImageFile(plain);
            }
            i += 2;
        } else if (args[i] == "--title" && i + 1 < args.size()) {
            folder.title = args[++i];
        } else {
            return usage();
        }
    }
    return testfw::writeFolder(args[0], folder) ? 0 : 1;
}
