#include "cli/console.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

bool Console::interactive()
{
#ifdef Q_OS_WIN
    return _isatty(_fileno(stdout)) != 0;
#else
    return isatty(fileno(stdout)) == 1;
#endif
}

void Console::line(const QString& text) const
{
    std::fputs(qPrintable(text + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

void Console::document(const QJsonValue& value) const
{
    const QJsonDocument doc =
        value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    std::fputs(doc.toJson(QJsonDocument::Indented).constData(), stdout);
    std::fflush(stdout);
}

void Console::say(const QString& text) const
{
    std::fputs(qPrintable(QStringLiteral("quillexctl: ") + text + QLatin1Char('\n')), stderr);
}

int Console::fail(int code, const QString& text) const
{
    say(text);
    return code;
}

void Console::progress(const QString& step, uint percent) const
{
    if (!interactive()) {
        line(QStringLiteral("%1 %2 %").arg(step).arg(percent));
        return;
    }
    const int width = 30;
    const int filled = int(percent) * width / 100;
    const QString bar =
        QString(filled, QLatin1Char('#')) + QString(width - filled, QLatin1Char('.'));
    std::fputs(qPrintable(QStringLiteral("\r%1 [%2] %3 %").arg(step, bar).arg(percent, 3)), stdout);
    std::fflush(stdout);
}

void Console::endProgress() const
{
    if (interactive())
        line(QString());
}
