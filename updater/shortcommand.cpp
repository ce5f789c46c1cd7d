#include "updater/shortcommand.h"

#include <cstring>

namespace shortcmd
{

namespace
{

Bytes encode(const Frame& f)
{
    Bytes out;
    std::memcpy(out.data(), &f, kSize);
    return out;
}

} // namespace

Bytes enterBootLoader()
{
    return encode(Frame{0x00, EnterBootLoader, {0x5A, 0xA0, 0, 0, 0, 0, 0}});
}

Bytes queryModel()
{
    return encode(Frame{0x00, QueryModel, {0, 0, 0, 0, 0, 0, 0}});
}

std::array<quint8, kModelLength + 1> modelFromAnswer(const Bytes& answer)
{
    std::array<quint8, kModelLength + 1> model{};
    std::memcpy(model.data(), answer.data() + 2, kModelLength);
    return model;
}

quint8 checksum(const quint8* cmd)
{
    quint8 sum = 0;
    for (int i = 0; i < 7; ++i)
        sum = quint8(sum + cmd[i]);
    return quint8(~sum);
}

} // namespace shortcmd
