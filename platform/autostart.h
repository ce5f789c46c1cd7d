#pragma once

#include <QString>

// Starting the program when the user logs on. `name` identifies the entry (the executable's name
// without extension); `data` is the command line that autoStartCommand() builds.

// The command line stored in the entry: the quoted executable path followed by " -s".
QString autoStartCommand(const QString& executablePath);
// Whether an active start-up entry called `name` exists.
bool isAutoStartRegistered(const QString& name);
// Creates or overwrites the entry; false when it could not be written.
bool writeAutoStart(const QString& name, const QString& data);
// Removes the entry; a missing entry is not an error.
void removeAutoStart(const QString& name);
