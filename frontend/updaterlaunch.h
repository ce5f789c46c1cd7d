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

// Progress carried by one read of the updater's standard output: the first non-empty line as a
// decimal number (0 when it is not one); nothing when the read holds no line at all.
std::optional<uint> parseUpdaterProgress(const QByteArray& output);
