#pragma once

#include <QString>
#include <functional>

// The folder that holds "apConfig.ini" and the profile files: "./modules" beside the program, or
// the per-user application data location + "/modules" when the former cannot be written.
QString modulesDir();

// Settles modulesDir() on the first call of the process; later calls change nothing.
void settleModulesDir();

// The decision itself, apart from the process-wide state: `appModules` when `isWritable` accepts
// it; otherwise `dataLocation` + "/modules", filled from `appModules` only when it does not
// exist yet as a folder (so the user's data there is never overwritten).
QString chooseModulesDir(const QString& appModules, const QString& dataLocation,
                         const std::function<bool(const QString&)>& isWritable);

// Whether the current user may write into `path` (honouring ACLs on Windows).
bool isFolderWritable(const QString& path);

// Copies the tree `source` into `target`, replacing files of the same name; single failures are
// skipped.
void copyDirectory(const QString& source, const QString& target);
