#pragma once

#include <QtGlobal>
#include <array>

// The two normal-mode commands the updater sends: 9-byte feature reports, report id 0, a command
// code and seven parameters.
namespace shortcmd
{

constexpr int kSize = 9;
constexpr int kModelLength = 7;

enum Code : quint8 {
    EnterBootLoader = 0x1F,
    QueryModel = 0xEF,
};

struct Frame {
    quint8 reportId;
    quint8 code;
    quint8 param[7];
};
static_assert(sizeof(Frame) == kSize, "a short command is one 9-byte feature report");

using Bytes = std::array<quint8, kSize>;

// 00 1F 5A A0 00 00 00 00 00: leave normal mode for the updater mode.
Bytes enterBootLoader();
// 00 EF 00 ...: the answer carries the seven model bytes in bytes 2-8.
Bytes queryModel();
// The model bytes of an answer, zero-terminated in 8 bytes.
std::array<quint8, kModelLength + 1> modelFromAnswer(const Bytes& answer);

// Bitwise complement of the 8-bit sum of cmd[0..6].
quint8 checksum(const quint8* cmd);

} // namespace shortcmd
