#pragma once

// A server of the test's own (an X server, a message bus), whatever the environment has. Each
// prints where it can be reached on its standard output once it listens.

#include <QProcess>
#include <QTest>

class PrivateServer
{
public:
    ~PrivateServer() { stop(); }

    // The display name of a new Xvfb with one screen of `screen` (WxHxDepth), or an empty one.
    QByteArray startXvfb(const QString& screen)
    {
        const QByteArray number =
            start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                           QStringLiteral("-screen"), QStringLiteral("0"), screen,
                                           QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        return number.isEmpty() ? number : ':' + number;
    }

    // The address of a new session message bus, or an empty one.
    QByteArray startSessionBus()
    {
        return start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"),
                      QStringLiteral("--print-address=1")});
    }

    void stop()
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        process.waitForFinished();
    }

private:
    // The first line the server prints.
    QByteArray start(const QString& program, const QStringList& arguments)
    {
        process.start(program, arguments);
        if (!process.waitForStarted())
            return QByteArray();
        QByteArray output;
        const bool printed = QTest::qWaitFor([&] {
            process.waitForReadyRead(100);
            output += process.readAllStandardOutput();
            return output.endsWith('\n');
        });
        return printed ? output.trimmed() : QByteArray();
    }

    QProcess process;
};
