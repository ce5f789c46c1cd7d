#pragma once

#include <QVariantList>
#include <QtGlobal>
#include <array>

class Hid_Thread;

// Table images as the scene and the settings file index them: one 64-byte answer block for
// table 0, two for table 1, the second read starting at table byte 63 (each block carries 63
// table bytes behind its echo byte).
using Table0Image = std::array<quint8, 64>;
using Table1Image = std::array<quint8, 128>;

// The battery level a table 0 image holds (table byte 7, at most 100), or -1 when the image is not
// a table the firmware filled (its marker, table byte 8, is 1).
int tableBattery(const Table0Image& image);

// Read from the addressed device; false when a block could not be read (the image keeps what it
// held where the read failed).
bool readTable0(Hid_Thread& link, Table0Image& image);
bool readTable1(Hid_Thread& link, Table1Image& image);

// An image as the list of numbers the scripts index.
template <std::size_t N> QVariantList imageList(const std::array<quint8, N>& image)
{
    QVariantList list;
    list.reserve(int(N));
    for (quint8 b : image)
        list.append(int(b));
    return list;
}
