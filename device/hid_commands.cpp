#include "device/frames.h"
#include "device/hid_thread.h"

#include <QDebug>
#include <cstring>

namespace
{
constexpr int kReadPauseMs = 15;
constexpr int kWritePauseMs = 10;
constexpr char kReadFailed[] = "cmd Failed";
constexpr char kWriteFailed[] = "cmd Failed!!!";
} // namespace

bool Hid_Thread::hid_GetApData(quint8* srcDat, bool isTable0, quint8 table1StartByte)
{
    if (!beginCommand(kReadFailed))
        return false;
    setFrame(
        (isTable0 ? frames::readTable0Frame() : frames::readTable1Frame(table1StartByte)).encode());
    const bool read = hid_FeatureRead(frames::kBlockSize);
    if (read && srcDat)
        std::memcpy(srcDat, dataBuf, frames::kBlockSize);
    QThread::msleep(kReadPauseMs);
    return read;
}

QVariant Hid_Thread::hid_GetDeviceStrCount()
{
    return onlineList.size();
}

bool Hid_Thread::hid_Send8ByteData(quint8 table, quint8 startAddr, quint8 length, quint8 byte0,
                                   quint8 byte1, quint8 byte2, quint8 byte3)
{
    qDebug() << int(table) << int(startAddr) << int(length) << int(byte0) << int(byte1)
             << int(byte2) << int(byte3);
    if (!beginCommand(kWriteFailed))
        return false;
    setFrame(
        frames::shortWriteFrame(table, startAddr, length, byte0, byte1, byte2, byte3).encode());
    const bool written = hid_FeatureWrite(0);
    QThread::msleep(kWritePauseMs);
    return written;
}

bool Hid_Thread::hid_runPairt(bool bRunning, bool bStart)
{
    if (!beginCommand(kReadFailed))
        return false;
    if (!bRunning) {
        setFrame(frames::pairRunFrame(bStart).encode());
        return hid_FeatureWrite(0);
    }
    setFrame(frames::pairStatusFrame().encode());
    // No answer is no news of a finished pairing.
    if (!hid_FeatureRead(0))
        return false;
    const auto answer = frames::PairStatusAnswer::parse(ackBuf, sizeof ackBuf);
    return answer && answer->finished();
}

bool Hid_Thread::hid_04H_SendMacroData(quint8 index, quint32 length, quint8* SrcDat)
{
    // The image is 256 bytes; a longer length would send bytes the caller never provided.
    if (!SrcDat || length > quint32(frames::kMacroMaxLength)) {
        qDebug() << "macro rejected, length" << length;
        return false;
    }
    if (!beginCommand(kWriteFailed))
        return false;
    setFrame(frames::macroUploadFrame(index, quint16(length)).encode());
    std::memcpy(dataBuf, SrcDat, frames::kMacroMaxLength);
    const bool sent = hid_FeatureWrite(frames::macroTransferLength(length));
    QThread::msleep(kWritePauseMs);
    return sent;
}

bool Hid_Thread::hid_ioPairOnline(bool getAddr, quint8* srcDat)
{
    if (!srcDat || !beginCommand(kReadFailed))
        return false;
    if (getAddr) {
        setFrame(frames::pairBlockReadFrame().encode());
        if (!hid_FeatureRead(frames::kBlockSize))
            return false;
        std::memcpy(srcDat, dataBuf, frames::kBlockSize);
        return true;
    }
    setFrame(frames::pairBlockWriteFrame().encode());
    std::memcpy(dataBuf, srcDat, frames::kBlockSize);
    return hid_FeatureWrite(frames::kBlockSize);
}
