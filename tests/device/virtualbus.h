#pragma once

// The in-process virtual bus as the device-link tests see it: plugging, faults, device memory and
// the trace of what went over the wire. Included before any Qt header: the bus has a member named
// like Qt's `slots` keyword.
#include "sim/inproc.h"
#include "tests/device/probedevice.h"

#include <QStringList>
#include <QtTest>

template <typename Bytes> inline QString hex(const Bytes& bytes)
{
    QStringList parts;
    for (auto b : bytes)
        parts.append(QStringLiteral("%1").arg(int(b), 2, 16, QLatin1Char('0')).toUpper());
    return parts.join(QLatin1Char(' '));
}

using sim::inproc::bus;
using sim::inproc::trace;

inline void plug(const char* kind)
{
    std::string error;
    if (!bus().plug(kind, kind, error))
        qFatal("cannot plug %s: %s", kind, error.c_str());
}

inline ProbeDevice* plugProbe(bool secondCommandInterface = false)
{
    auto probe = std::make_unique<ProbeDevice>(secondCommandInterface);
    ProbeDevice* raw = probe.get();
    bus().plug(std::move(probe), "mouse");
    return raw;
}

inline void fault(const char* device, const char* kind)
{
    const auto result = sim::inproc::control({"fault", device, kind});
    if (result.status != 0)
        qFatal("fault %s %s: %s", device, kind, result.text.c_str());
}

inline QByteArray memory(const char* device, const std::string& region)
{
    const auto bytes = bus().memory(device, region);
    return bytes ? QByteArray(reinterpret_cast<const char*>(bytes->data()), int(bytes->size()))
                 : QByteArray();
}

// Report transfers on the wire, in order: "send-feature 00 82 ...", "read 82 ...".
inline QStringList wire()
{
    QStringList out;
    for (const sim::TraceEntry& e : trace().snapshot())
        if (e.op != "enumerate" && e.op != "open" && e.op != "close")
            out.append(QString::fromStdString(e.op) + QLatin1Char(' ') + hex(e.bytes));
    return out;
}

inline QList<sim::TraceEntry> entries(const char* op)
{
    QList<sim::TraceEntry> out;
    for (const sim::TraceEntry& e : trace().snapshot())
        if (e.op == op)
            out.append(e);
    return out;
}

// Every transfer goes to a freshly opened handle, and nothing stays open afterwards.
inline void verifyOpenPerTransfer()
{
    const auto all = trace().snapshot();
    int open = 0;
    for (size_t i = 0; i < all.size(); ++i) {
        const std::string& op = all[i].op;
        if (op == "open" && all[i].result == 0)
            ++open;
        else if (op == "close")
            --open;
        else if (op != "enumerate" && op != "open")
            QVERIFY2(i > 0 && all[i - 1].op == "open", op.c_str());
    }
    QCOMPARE(open, 0);
}
