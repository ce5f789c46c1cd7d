#include "frontend/datafolder.h"

#include "frontend/demomode.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include "platform/win/core/folderaccess.h"
#endif

static const char appModulesDir[] = "./modules";

static bool runsFromInstalledFolder()
{
    const QString installed =
        QFileInfo(QStringLiteral(QUILLEX_INSTALLED_APP_DIR)).canonicalFilePath();
    return !installed.isEmpty() &&
           QFileInfo(QCoreApplication::applicationDirPath()).canonicalFilePath() == installed;
}

static QString& settledDir()
{
    static QString dir = QLatin1String(appModulesDir);
    return dir;
}

QString modulesDir()
{
    return settledDir();
}

void settleModulesDir()
{
    static bool settled = false;
    if (settled)
        return;
    settled = true;
    // The demo never writes beside the program, where the real settings may live. Nor does the
    // installed program, even run by root: an upgrade would overwrite what it wrote there, and
    // every new user's copy would start from it.
    const auto usable = [](const QString& path) {
        return !isDemoMode() && !runsFromInstalledFolder() && isFolderWritable(path);
    };
    settledDir() = chooseModulesDir(
        QLatin1String(appModulesDir),
        QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation), usable);
    removeAbandonedLocks(settledDir());
}

void removeAbandonedLocks(const QString& folder)
{
    QDirIterator it(folder, {QStringLiteral("*.ini.lock")}, QDir::Files | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString lock = it.next();
        if (it.fileInfo().size() == 0 && QFile::remove(lock))
            qDebug() << "removed an abandoned settings lock" << lock;
    }
}

// Copied beside its place and moved in only when complete: a first start killed or short of
// space halfway must not leave a folder that passes for the user's data with settings missing.
static void copyInWhole(const QString& source, const QString& target)
{
    const QString partial = target + QStringLiteral(".partial");
    QDir(partial).removeRecursively(); // what a killed start left
    if (!copyDirectory(source, partial, ReplaceExisting) || !QDir().rename(partial, target))
        QDir(partial).removeRecursively();
}

QString chooseModulesDir(const QString& appModules, const QString& dataLocation,
                         const std::function<bool(const QString&)>& isWritable)
{
    if (isWritable(appModules))
        return appModules;
    const QString relocated = dataLocation + QStringLiteral("/modules");
    if (QFileInfo(relocated).isDir())
        // Shipped files the copy lacks, such as a newer program's; the user's own stay as they are.
        copyDirectory(appModules, relocated, KeepExisting);
    else
        copyInWhole(appModules, relocated);
    // Without a copy the shipped settings are still read; only saving them fails, which the
    // user is told about.
    if (!QFileInfo(relocated).isDir()) {
        qDebug() << "no writable data folder; settings are read from" << appModules;
        return appModules;
    }
    return relocated;
}

bool isFolderWritable(const QString& path)
{
#ifdef Q_OS_WIN
    // Decided by the folder's ACL for this user; Qt's check would also refuse a folder that
    // merely carries the read-only attribute, which Windows ignores on folders.
    return wincore::canWriteFolder(QDir::toNativeSeparators(path).toStdWString());
#else
    return QFileInfo(path).isWritable();
#endif
}

bool copyDirectory(const QString& source, const QString& target, ExistingFiles existing)
{
    const QDir from(source);
    if (!from.exists())
        return true;
    bool complete = QDir().mkpath(target);
    const auto hidden = QDir::Hidden | QDir::System;
    for (const QString& name : from.entryList(QDir::Dirs | QDir::NoDotAndDotDot | hidden))
        complete &= copyDirectory(source + QLatin1Char('/') + name,
                                  target + QLatin1Char('/') + name, existing);
    for (const QString& name : from.entryList(QDir::Files | hidden)) {
        const QString to = target + QLatin1Char('/') + name;
        if (existing == KeepExisting && QFileInfo::exists(to))
            continue;
        QFile::remove(to);
        // The copy is the user's own data: it must stay writable even when the installed
        // original is read-only.
        if (QFile::copy(source + QLatin1Char('/') + name, to))
            QFile::setPermissions(to, QFile::permissions(to) | QFileDevice::WriteOwner);
        else
            complete = false;
    }
    return complete;
}
