#pragma once

#include "device/hid_thread.h"
#include "device/tableimages.h"

#include <QList>
#include <QString>
#include <optional>

// A device of the family on the bus, as `list` names it.
struct OnlineDevice {
    int entry = -1;  // catalog entry: commands are addressed by it
    QString product; // the catalog's device name
    bool receiver = false;
    bool model1K = false;
    quint16 release = 0;
};

// What a command works on: the devices found by one discovery pass and the link to them.
class DeviceSession
{
public:
    DeviceSession();

    const QList<OnlineDevice>& devices() const { return online; }
    // `name` is "mouse", "receiver" or a position in the list (1-based); empty picks the device
    // the window opens: the mouse when it is connected, else its receiver.
    std::optional<OnlineDevice> pick(const QString& name) const;
    std::optional<OnlineDevice> mouse() const;
    std::optional<OnlineDevice> receiver() const;
    // The online bits the scripts take: 1 a 1K device, 2 an 8K one, 0 none.
    int mouseOnline() const;
    int receiverOnline() const;

    // Addresses `device` with the commands that follow.
    void address(const OnlineDevice& device);
    bool readTables(Table0Image& table0, Table1Image& table1);
    // One short write (table, address, length, four bytes); false when the device refused it.
    bool write(const QVariantList& arguments);

    Hid_Thread link;

private:
    QList<OnlineDevice> online;
};
