#pragma once

#include <QString>

// Firmware folders as the update page hands them to the updater: relative to the updater's own
// folder (it makes that its working directory), or absolute.

// The folder holding "P-<device>/updater/<D1|D8|M1|M8>/": "../modules" beside the program, or on
// the virtual bus only, the folder named by QUILLEX_DEMO_FIRMWARE (demo firmware that must never
// reach a real device).
QString firmwareRoot();

// firmwareRoot() + "/P-" + device + "/updater/" + name + "/".
QString firmwareFolder(const QString& device, const QString& name);

// `folder` as the updater will see it: resolved against `updaterDir` unless absolute.
QString folderForUpdater(const QString& folder, const QString& updaterDir);

// Whether the updater would accept `folder`: cfg.dat and the images it names present and valid.
bool firmwareFolderComplete(const QString& folder, const QString& updaterDir);
