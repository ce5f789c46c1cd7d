#include "sim/trace.h"

#include <cstdio>

namespace sim
{

std::string hexBytes(const uint8_t* data, size_t len)
{
    std::string out;
    out.reserve(len * 3);
    char cell[4];
    for (size_t i = 0; i < len; ++i) {
        std::snprintf(cell, sizeof cell, i ? " %02X" : "%02X", data[i]);
        out += cell;
    }
    return out;
}

void Trace::add(TraceEntry entry)
{
    std::lock_guard<std::mutex> guard(lock);
    entry.seq = nextSeq++;
    if (entries.size() >= kCapacity)
        entries.pop_front();
    entries.push_back(std::move(entry));
}

std::vector<TraceEntry> Trace::snapshot() const
{
    std::lock_guard<std::mutex> guard(lock);
    return {entries.begin(), entries.end()};
}

void Trace::clear()
{
    std::lock_guard<std::mutex> guard(lock);
    entries.clear();
}

std::string Trace::formatEntry(const TraceEntry& e)
{
    std::string line = std::to_string(e.seq) + ' ' + e.op + ' ' + e.path;
    if (e.op == "read")
        line += " timeout=" + std::to_string(e.timeoutMs);
    line += " -> " + std::to_string(e.result);
    if (!e.bytes.empty())
        line += " : " + hexBytes(e.bytes);
    return line;
}

std::string Trace::format() const
{
    std::string out;
    for (const TraceEntry& e : snapshot())
        out += formatEntry(e) + '\n';
    return out;
}

} // namespace sim
