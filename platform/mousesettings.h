#pragma once

// Opens the desktop's own mouse settings, detached from this program. Does nothing when the
// desktop offers none.
void openMouseSettings();
