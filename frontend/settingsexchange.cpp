#include "frontend/macrostore.h"
#include "frontend/myqquickview.h"
#include "frontend/settingsfiles.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QSaveFile>

QString myQQuickView::chooseSettingsFile(bool forSaving, QString caption, QString filterName)
{
    const QString suggested =
        QDir::home().filePath(QStringLiteral("quillex-profile%1.json").arg(currentProfile + 1));
    QFileDialog dialog(window(), caption, suggested, filterName + QStringLiteral(" (*.json)"));
    dialog.setAcceptMode(forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(forSaving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("json"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QVariantMap myQQuickView::readSettingsFile(QString path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {{QStringLiteral("error"), QStringLiteral("unreadable")},
                {QStringLiteral("reason"), file.errorString()}};
    // One byte past the bound tells a larger file, whatever its size claims (a pipe, a device).
    const QByteArray bytes = file.read(kSettingsDocumentMaxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return {{QStringLiteral("error"), QStringLiteral("unreadable")},
                {QStringLiteral("reason"), file.errorString()}};
    if (bytes.size() > kSettingsDocumentMaxBytes) {
        qDebug() << path << "is larger than a settings file";
        return {{QStringLiteral("error"), QStringLiteral("tooLarge")}};
    }
    return {{QStringLiteral("text"), QString::fromUtf8(bytes)}};
}

QString myQQuickView::writeSettingsFile(QString path, QString text)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0 && file.commit())
        return QString();
    qDebug() << "settings file not written:" << path << file.errorString();
    return file.errorString();
}

QVariantList myQQuickView::storedMacros(QString strID)
{
    // Opens the profile file of the device's current profile as the macro page does.
    getOtherProperty(QString(), QVariant(), strID);
    return storedMacroList(*profileSettings);
}
