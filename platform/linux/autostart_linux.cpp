#include "platform/autostart.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

// XDG autostart: one desktop entry per program in the user's config folder.
static QString entryPath(const QString& name)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/") + name + QStringLiteral(".desktop");
}

// Escapes a value of type string of a desktop entry (applied on top of the Exec quoting).
static QString escapeEntryString(const QString& value)
{
    QString out;
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString autoStartCommand(const QString& executablePath)
{
    // Inside a quoted Exec argument these four characters need a backslash; '%' starts a field
    // code and is doubled.
    QString quoted;
    for (const QChar c : executablePath) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        else if (c == QLatin1Char('%'))
            quoted += QLatin1Char('%');
        quoted += c;
    }
    return QLatin1Char('"') + quoted + QStringLiteral("\" -s");
}

bool isAutoStartRegistered(const QString& name)
{
    QFile file(entryPath(name));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inMainGroup = line == QLatin1String("[Desktop Entry]");
        else if (inMainGroup && line.section(QLatin1Char('='), 0, 0).trimmed() == "Hidden" &&
                 line.section(QLatin1Char('='), 1).trimmed() == "true")
            return false;
    }
    return true;
}

bool writeAutoStart(const QString& name, const QString& data)
{
    const QString path = entryPath(name);
    qDebug().noquote() << path + QLatin1Char('\n') + name + QStringLiteral(": ") + data;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    const QString entry = QStringLiteral("[Desktop Entry]\nType=Application\nName=") +
                          escapeEntryString(name) + QStringLiteral("\nExec=") +
                          escapeEntryString(data) +
                          QStringLiteral("\nX-GNOME-Autostart-enabled=true\n");
    file.write(entry.toUtf8());
    return file.commit();
}

void removeAutoStart(const QString& name)
{
    QFile::remove(entryPath(name));
}
