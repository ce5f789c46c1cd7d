#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The firmware updater ships in its own folder beside the program.
inline QString updaterProgram()
{
#ifdef Q_OS_WIN
    return QStringLiteral("./updateEx/update.exe");
#else
    return QStringLiteral("./updateEx/update");
#endif
}

// The updater's standard output, read in pieces: a line is counted once it is complete, so a
// number split across two reads is read whole.
class UpdaterProgressLines
{
public:
    // The latest progress among the lines `piece` completes: a decimal number from 0 to 100;
    // other lines are not progress. Nothing when no such line was completed.
    std::optional<uint> feed(const QByteArray& piece);

private:
    QByteArray partialLine;
};
