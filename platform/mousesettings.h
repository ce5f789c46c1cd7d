#pragma once

// Opens the desktop's own mouse settings, detached from this program. False when the desktop
// offers none or it could not be started, so the user can be told.
bool openMouseSettings();
