#include "frontend/macrostore.h"
#include "frontend/myqquickview.h"
#include "frontend/settingsfiles.h"
#include "updater/boundedfile.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QFileDialog>

QString myQQuickView::chooseSettingsFile(bool forSaving, QString caption, QString filterName)
{
    const QString suggested =
        QDir::home().filePath(QStringLiteral("quillex-profile%1.json").arg(currentProfile + 1));
    // No parent, as the program's message boxes: the window's transparent style would reach the
    // dialog's buttons.
    QFileDialog dialog(nullptr, caption, suggested, filterName + QStringLiteral(" (*.json)"));
    dialog.setAcceptMode(forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(forSaving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("json"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

QVariantMap myQQuickView::readSettingsFile(QString path)
{
    // Never a pipe or a device: the window would wait on it for as long as nobody writes.
    const QFileInfo file(path);
    if (!file.isFile() || !file.isReadable())
        return {{QStringLiteral("error"), QStringLiteral("unreadable")},
                {QStringLiteral("reason"), file.exists() ? QStringLiteral("not a readable file")
                                                         : QStringLiteral("no such file")}};
    if (file.size() > kSettingsDocumentMaxBytes)
        return {{QStringLiteral("error"), QStringLiteral("tooLarge")}};
    const std::optional<QByteArray> bytes =
        boundedfile::readRegularFile(path, kSettingsDocumentMaxBytes);
    if (!bytes)
        return {{QStringLiteral("error"), QStringLiteral("unreadable")},
                {QStringLiteral("reason"), QStringLiteral("not a readable file")}};
    return {{QStringLiteral("text"), QString::fromUtf8(*bytes)}};
}

QString myQQuickView::writeSettingsFile(QString path, QString text)
{
    const QString problem = writeSettingsDocument(path, text.toUtf8());
    if (!problem.isEmpty())
        qDebug() << "settings file not written:" << path << problem;
    return problem;
}

QVariantList myQQuickView::storedMacros(QString strID)
{
    // Opens the profile file of the device's current profile as the macro page does.
    getOtherProperty(QString(), QVariant(), strID);
    return storedMacroList(*profileSettings);
}
