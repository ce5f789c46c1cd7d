#include "updater/devicewatch.h"

namespace devwatch
{

int firstPresentEntry(const Scan& scan)
{
    for (int i = 0; i < scan.size(); ++i)
        if (!scan[i].isEmpty())
            return i;
    return -1;
}

int presentCount(const Scan& scan)
{
    int count = 0;
    for (const QStringList& paths : scan)
        count += paths.size();
    return count;
}

RestartWatch::RestartWatch(const Scan& before, int from, const QString& oldPath, int expected,
                           QList<int> wrong, const QString& port, PortOf portOf)
    : from(from), oldPath(oldPath), expected(expected), wrong(std::move(wrong)),
      portOf(std::move(portOf)), port(this->portOf ? port : QString())
{
    for (int i = 0; i < before.size(); ++i) {
        QSet<QString> present(before[i].begin(), before[i].end());
        if (i == from)
            present.remove(oldPath);
        others << present;
    }
}

bool RestartWatch::isNew(int entry, const QString& path) const
{
    if (entry < others.size() && others[entry].contains(path))
        return false;
    if (!port.isEmpty() && portOf(path) != port)
        return false;
    // A system may hand the same node to the device when it comes back: that counts only once
    // the device was seen to leave.
    return entry != from || path != oldPath || left;
}

RestartWatch::Outcome RestartWatch::observe(const Scan& scan)
{
    if (from < 0 || from >= scan.size() || !scan[from].contains(oldPath))
        left = true;
    for (int entry = 0; entry < scan.size(); ++entry) {
        if (entry != expected && !wrong.contains(entry))
            continue;
        for (const QString& path : scan[entry]) {
            if (!isNew(entry, path))
                continue;
            foundPath = path;
            foundEntry = entry;
            return entry == expected ? Outcome::Back : Outcome::BackInWrongEntry;
        }
    }
    return Outcome::Waiting;
}

} // namespace devwatch
