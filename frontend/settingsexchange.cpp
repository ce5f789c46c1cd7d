#include "frontend/macrostore.h"
#include "frontend/myqquickview.h"
#include "frontend/settingsfiles.h"
#include "updater/boundedfile.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

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

// Why a file cannot be used: "missing" and "notRegular" for the scene's own words, "tooLarge", or
// "failed" with the system's reason.
static QVariantMap fileProblem(const QString& problem, const QString& reason = QString())
{
    return {{QStringLiteral("error"), problem}, {QStringLiteral("reason"), reason}};
}

QVariantMap myQQuickView::readSettingsFile(QString path)
{
    // Never a pipe or a device: the window would wait on it for as long as nobody writes.
    const QFileInfo info(path);
    if (!info.exists())
        return fileProblem(QStringLiteral("missing"));
    if (!info.isFile())
        return fileProblem(QStringLiteral("notRegular"));
    if (info.size() > kSettingsDocumentMaxBytes)
        return fileProblem(QStringLiteral("tooLarge"));
    const std::optional<QByteArray> bytes =
        boundedfile::readRegularFile(path, kSettingsDocumentMaxBytes);
    if (!bytes) {
        QFile file(path);
        return fileProblem(QStringLiteral("failed"),
                           file.open(QIODevice::ReadOnly) ? QString() : file.errorString());
    }
    return {{QStringLiteral("text"), QString::fromUtf8(*bytes)}};
}

QVariantMap myQQuickView::writeSettingsFile(QString path, QString text)
{
    QString failure;
    switch (writeSettingsDocument(path, text.toUtf8(), &failure)) {
    case DocumentWrite::Written:
        return {};
    case DocumentWrite::NotRegularFile:
        return fileProblem(QStringLiteral("notRegular"));
    case DocumentWrite::Failed:
        break;
    }
    qDebug() << "settings file not written:" << path << failure;
    return fileProblem(QStringLiteral("failed"), failure);
}

QVariantList myQQuickView::storedMacros(QString strID)
{
    // Opens the profile file of the device's current profile as the macro page does.
    getOtherProperty(QString(), QVariant(), strID);
    return storedMacroList(*profileSettings);
}
