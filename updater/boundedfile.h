#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Reading an image file that someone else may replace at any time.
namespace boundedfile
{

// The whole content of the regular file at `path` (symbolic links followed), or nothing when it is
// no regular file, holds more than `limit` bytes or cannot be read. A FIFO or a device named there
// is never waited on nor read without end: the file is checked before it is opened, opened without
// blocking, checked again through the open handle, and read only up to one byte past the limit.
std::optional<QByteArray> readRegularFile(const QString& path, qint64 limit);

} // namespace boundedfile
