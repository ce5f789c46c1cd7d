#pragma once

#include <QString>

// The overview `quillexctl --help` prints.
QString overviewHelp();
// The help of `command`, empty for a command that does not exist.
QString commandHelp(const QString& command);
