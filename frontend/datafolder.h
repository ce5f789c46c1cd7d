#pragma once

#include <QString>
#include <functional>

// The folder that holds "apConfig.ini" and the profile files: "./modules" beside the program, or
// the per-user application data location + "/modules" when the former cannot be written.
QString modulesDir();

// Settles modulesDir() on the first call of the process; later calls change nothing.
void settleModulesDir();

// The decision itself, apart from the process-wide state: `appModules` when `isWritable` accepts
// it; otherwise `dataLocation` + "/modules": a complete copy of `appModules` when it does not
// exist yet as a folder, else topped up with the files it lacks (the user's data there is never
// overwritten).
QString chooseModulesDir(const QString& appModules, const QString& dataLocation,
                         const std::function<bool(const QString&)>& isWritable);

// Removes the settings lock files below `folder` that hold no owner: a program killed between
// creating one and writing its process id into it leaves such a file, and every later save
// would wait half a minute for it to count as stale. Called at start-up, when only this
// process writes settings.
void removeAbandonedLocks(const QString& folder);

// Whether the current user may write into `path` (honouring ACLs on Windows).
bool isFolderWritable(const QString& path);

enum ExistingFiles { ReplaceExisting, KeepExisting };
// Copies the tree `source` into `target`; a file already in `target` is replaced or kept as
// `existing` says. A file that cannot be copied is skipped; the result says whether all were.
bool copyDirectory(const QString& source, const QString& target,
                   ExistingFiles existing = ReplaceExisting);
