#include "cli/devicesession.h"

#include "device/discovery.h"

DeviceSession::DeviceSession()
{
    const QList<DevInfo> entries = discoverDevices();
    link.publishDevices(entries);
    for (int i = 0; i < entries.size(); ++i) {
        const DevInfo& d = entries.at(i);
        if (d.commandPath.isEmpty())
            continue;
        online.append({i, d.type.section(QLatin1Char('_'), 0, 0), isReceiverEntry(d), is1KEntry(d),
                       d.releaseNumber});
    }
}

std::optional<OnlineDevice> DeviceSession::mouse() const
{
    for (const OnlineDevice& d : online)
        if (!d.receiver)
            return d;
    return std::nullopt;
}

std::optional<OnlineDevice> DeviceSession::receiver() const
{
    // The 1K receiver wins over the 8K one, as in the window.
    std::optional<OnlineDevice> found;
    for (const OnlineDevice& d : online)
        if (d.receiver && (!found || d.model1K))
            found = d;
    return found;
}

std::optional<OnlineDevice> DeviceSession::pick(const QString& name) const
{
    if (name.isEmpty())
        return mouse() ? mouse() : receiver();
    if (name == QLatin1String("mouse"))
        return mouse();
    if (name == QLatin1String("receiver"))
        return receiver();
    bool number = false;
    const int position = name.toInt(&number);
    if (number && position >= 1 && position <= online.size())
        return online.at(position - 1);
    return std::nullopt;
}

static int onlineBits(const std::optional<OnlineDevice>& device)
{
    return !device ? 0 : (device->model1K ? 1 : 2);
}

int DeviceSession::mouseOnline() const
{
    return onlineBits(mouse());
}

int DeviceSession::receiverOnline() const
{
    return onlineBits(receiver());
}

void DeviceSession::address(const OnlineDevice& device)
{
    link.curDevIndex = device.entry;
}

bool DeviceSession::readTables(Table0Image& table0, Table1Image& table1)
{
    return readTable0(link, table0) && readTable1(link, table1);
}

bool DeviceSession::write(const QVariantList& arguments)
{
    if (arguments.size() != 7)
        return false;
    const auto byte = [&](int i) { return quint8(arguments.at(i).toUInt()); };
    return link.hid_Send8ByteData(byte(0), byte(1), byte(2), byte(3), byte(4), byte(5), byte(6));
}
