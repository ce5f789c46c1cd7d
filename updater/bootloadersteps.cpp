// The first image's steps: boot-loader address, data, CRC and finish, or the CH32 IAP run.
#include "ui_mainwindow.h"
#include "updater/bootloaderprotocol.h"
#include "updater/ch32protocol.h"
#include "updater/firmwareimage.h"
#include "updater/mainwindow.h"
#include "updater/statustexts.h"

#include <QDebug>
#include <array>
#include <cstring>

void MainWindow::DecodeSecrecy()
{
    // The file was read and unscrambled once, when the job was checked: what is written is
    // exactly what was checked, even if the file changes meanwhile.
    image = job.firstImage;
}

bool MainWindow::bootCommand(bootloader::Command& cmd)
{
    return hid.transact(cmd.data(), bootloader::kFrameSize, true) == Hid_Thread::Transfer::Done;
}

void MainWindow::onEnterBootLoaderSuccess()
{
    bootloader::Command cmd{};
    bootloader::setAddress(cmd);
    if (bootCommand(cmd) && bootloader::answerOk(cmd, bootloader::Address))
        emit SetAddrSuccess();
    else
        failStep(status::kAddressFailed);
}

void MainWindow::onSetAddrSuccess()
{
    if (ended())
        return;
    bootloader::Command cmd{};
    std::array<quint8, bootloader::kBlockBufferSize> frames{};
    DecodeSecrecy();
    const int blocks = bootloader::dataBlockCount(image.size());

    bootloader::setDataBegin(cmd);
    if (!bootCommand(cmd) || !bootloader::answerOk(cmd, bootloader::DataBegin)) {
        failStep(status::kDataFailed);
        return;
    }

    const int step = bootloader::progressStep(blocks, progressBase);
    int value = ui->progressBar->value();
    for (int b = 0; b < blocks; ++b) {
        bootloader::setBlockAddress(cmd, b);
        if (!bootCommand(cmd) || !bootloader::answerOk(cmd, bootloader::BlockAddress) ||
            hid.bulkWritesFailed()) {
            failStep(status::kDataFailed);
            return;
        }
        for (int j = 0; j < bootloader::kFramesPerBlock; ++j) {
            if ((bootloader::kFramesPerBlock * b + j) % step == 0)
                reportProgress(value++);
            const bootloader::DataFrame frame = bootloader::takeDataFrame(image, j);
            std::memcpy(frames.data() + j * bootloader::kFrameSize, &frame, sizeof frame);
        }
        if (ended())
            return;
        hid.transact(frames.data(), int(frames.size()), false);
    }

    bootloader::setDataEnd(cmd);
    const bool answered = bootCommand(cmd);
    if (!hid.bulkWritesFailed() && answered && bootloader::answerOk(cmd, bootloader::DataEnd))
        emit SetApDataSuccess();
    else
        failStep(status::kDataFailed);
}

void MainWindow::onSetApDataSuccess()
{
    if (ended())
        return;
    DecodeSecrecy();
    const int blocks = bootloader::crcBlockCount(image.size());
    bootloader::Command cmd{};
    bootloader::setFirstBlockCrc(cmd);
    for (int i = 0; i < blocks; ++i) {
        bootloader::setBlockCrc(cmd, i);
        // The CRC the answer carries proves it; its status byte is not relied on.
        const bool answered =
            bootCommand(cmd) && bootloader::answerEchoes(cmd, bootloader::BlockCrc);
        const QByteArray block = fwimage::takePadded(image, fwimage::kCrcBlockSize);
        const quint32 crc =
            fwimage::imageBlockCrc(reinterpret_cast<const quint8*>(block.constData()));
        if (!answered || bootloader::answerCrc(cmd) != crc) {
            qDebug() << "block" << i << "crc" << Qt::hex << crc << "device"
                     << bootloader::answerCrc(cmd) << "answered" << answered;
            failStep(status::kCrcFailed);
            return;
        }
    }
    emit CheckCrcSuccess();
}

void MainWindow::onCheckCrcSuccess()
{
    if (ended())
        return;
    // Taken before the device restarts, so the device that comes back can be told apart.
    const devwatch::Scan before = devwatch::scanDevices(hid.deviceList);
    bootloader::Command cmd{};
    bootloader::setFinish(cmd);
    // The device restarts on this command and may be gone before its answer could be read:
    // whether it runs the image is seen when it comes back.
    hid.transact(cmd.data(), bootloader::kFrameSize, true);
    finishFirstImage(before);
}

void MainWindow::onCh32RunIap()
{
    DecodeSecrecy();
    QByteArray writeCopy = image;
    QByteArray verifyCopy = image;
    const int length = image.size();

    const ch32::Frame erase = ch32::eraseFrame();
    if (hid.sendFrame(reinterpret_cast<const quint8*>(&erase)) < 1) {
        failStep(status::kEraseFailed);
        return;
    }

    const int n = ch32::chunkCount(length);
    struct Phase {
        ch32::Command command;
        QByteArray* source;
        const char* failure;
    };
    const Phase phases[] = {{ch32::Write, &writeCopy, status::kWriteFailed},
                            {ch32::Verify, &verifyCopy, status::kVerifyFailed}};
    for (const Phase& phase : phases) {
        for (int i = 0; i < n; ++i) {
            const QByteArray chunk = phase.source->left(ch32::kChunkSize);
            const ch32::Frame frame = ch32::chunkFrame(phase.command, ch32::kChunkSize * i, chunk);
            if (ended() || hid.sendFrame(reinterpret_cast<const quint8*>(&frame)) < 1) {
                failStep(phase.failure);
                return;
            }
            phase.source->remove(0, chunk.size());
            reportProgress(phase.command == ch32::Write ? ch32::writeProgress(i, n, progressBase)
                                                        : ch32::verifyProgress(i, n, progressBase));
        }
    }
    emit CH32UpdateSuccess();
}

void MainWindow::onCH32UpdateSuccess()
{
    if (ended())
        return;
    const devwatch::Scan before = devwatch::scanDevices(hid.deviceList);
    const ch32::Frame finish = ch32::finishFrame();
    // As with the boot loader, the restart decides, not the answer.
    hid.sendFrame(reinterpret_cast<const quint8*>(&finish));
    finishFirstImage(before);
}
