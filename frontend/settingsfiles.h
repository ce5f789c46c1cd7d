#pragma once

// Size bounds of the files read through QSettings, which loads a file whole before the first
// value is looked up. Each bound is far above anything the app or its shipped files hold.

#include <QString>
#include <QVariantList>

constexpr qint64 kAppSettingsMaxBytes = 64 * 1024;
// Ten stored macros at their size bound, with the INI escapes, fit with room to spare.
constexpr qint64 kProfileMaxBytes = 4 * 1024 * 1024;
constexpr qint64 kLanguageFileMaxBytes = 256 * 1024;
// A settings file (export, import) of ten full macros stays far below; a larger one is not read.
constexpr qint64 kSettingsDocumentMaxBytes = 1024 * 1024;

// Whether `path` is absent or a plain file of at most `maxBytes`.
bool fitsSizeBound(const QString& path, qint64 maxBytes);

struct BoundedSettingsFile {
    QString path;   // the file to open
    QString keptAs; // where a file the app did not write was moved; empty when none was
};

// The settings file `path` within `maxBytes`. A file above them, or no plain file, is not one the
// app wrote: it is kept for the user as "<path>.oversized" (".oversized.1" and on when earlier
// copies are kept) and the settings start empty. Where it cannot be moved, the path to open is
// beside it, so nothing of it is read or overwritten.
BoundedSettingsFile boundedSettingsFile(const QString& path, qint64 maxBytes);

// A list as stored in a settings file. The INI backend returns a single value without commas as
// plain text, not as a list.
QVariantList settingsList(const QVariant& value);

enum class DocumentWrite { Written, NotRegularFile, Failed };
// Writes a settings document to `path` whole or not at all. A folder, a device or a pipe named
// there is refused: putting a file in its place would destroy it. On Failed, `failure` says why.
DocumentWrite writeSettingsDocument(const QString& path, const QByteArray& bytes, QString* failure);
