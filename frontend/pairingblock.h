#pragma once

#include <QtGlobal>
#include <array>

class Hid_Thread;

// 64-byte block of the pairing exchange (command 0x8E reads it from the mouse, 0x0E writes it to
// the receiver).
using PairingBlock = std::array<quint8, 64>;

// The mouse answers with a command echo in byte 0 followed by 63 data bytes; the receiver takes
// those 63 bytes first, padded with one zero byte.
inline PairingBlock receiverBlockFromAnswer(const PairingBlock& answer)
{
    PairingBlock block{};
    for (std::size_t i = 1; i < answer.size(); ++i)
        block[i - 1] = answer[i];
    return block;
}

// Pairs the receiver at catalog entry `receiver` with the mouse at entry `mouse`, both on their
// cables: the mouse's pairing block is read and written to the receiver. Commands are addressed
// to the mouse again afterwards. True only when both transfers went through.
bool pairReceiverWithMouse(Hid_Thread& link, int mouse, int receiver);
