// The first image's steps: boot-loader address, data, CRC and finish, or the CH32 IAP run.
#include "ui_mainwindow.h"
#include "updater/bootloaderprotocol.h"
#include "updater/ch32protocol.h"
#include "updater/firmwareimage.h"
#include "updater/mainwindow.h"
#include "updater/statustexts.h"

#include <QDebug>
#include <QFile>
#include <array>
#include <cstring>

void MainWindow::DecodeSecrecy()
{
    QFile file(b0Path);
    QByteArray raw;
    if (file.open(QIODevice::ReadOnly))
        raw = file.readAll();
    else
        qDebug() << "readfile";
    image = fwimage::decodeSecrecy(raw);
}

void MainWindow::onEnterBootLoaderSuccess()
{
    bootLoaderBusy = true;
    bootloader::Command cmd{};
    bootloader::setAddress(cmd);
    hid.transact(cmd.data(), bootloader::kFrameSize, true);
    if (bootloader::answerOk(cmd))
        emit SetAddrSuccess();
    else
        failStep(status::kAddressFailed);
}

void MainWindow::onSetAddrSuccess()
{
    bootloader::Command cmd{};
    std::array<quint8, bootloader::kBlockBufferSize> frames{};
    DecodeSecrecy();
    const int blocks = bootloader::dataBlockCount(image.size());

    bootloader::setDataBegin(cmd);
    hid.transact(cmd.data(), bootloader::kFrameSize, true);

    const int step = bootloader::progressStep(blocks, progressBase);
    int value = ui->progressBar->value();
    for (int b = 0; b < blocks; ++b) {
        bootloader::setBlockAddress(cmd, b);
        hid.transact(cmd.data(), bootloader::kFrameSize, true);
        for (int j = 0; j < bootloader::kFramesPerBlock; ++j) {
            if ((bootloader::kFramesPerBlock * b + j) % step == 0)
                reportProgress(value++);
            const bootloader::DataFrame frame = bootloader::takeDataFrame(image, j);
            std::memcpy(frames.data() + j * bootloader::kFrameSize, &frame, sizeof frame);
        }
        hid.transact(frames.data(), int(frames.size()), false);
    }

    bootloader::setDataEnd(cmd);
    hid.transact(cmd.data(), bootloader::kFrameSize, true);
    if (bootloader::answerOk(cmd))
        emit SetApDataSuccess();
    else
        failStep(status::kDataFailed);
}

void MainWindow::onSetApDataSuccess()
{
    DecodeSecrecy();
    const int blocks = bootloader::crcBlockCount(image.size());
    bootloader::Command cmd{};
    bootloader::setFirstBlockCrc(cmd);
    for (int i = 0; i < blocks; ++i) {
        bootloader::setBlockCrc(cmd, i);
        hid.transact(cmd.data(), bootloader::kFrameSize, true);
        const QByteArray block = fwimage::takePadded(image, fwimage::kCrcBlockSize);
        const quint32 crc =
            fwimage::imageBlockCrc(reinterpret_cast<const quint8*>(block.constData()));
        if (bootloader::answerCrc(cmd) != crc) {
            qDebug() << "block" << i << "crc" << Qt::hex << crc << "device"
                     << bootloader::answerCrc(cmd);
            failStep(status::kCrcFailed);
            return;
        }
    }
    emit CheckCrcSuccess();
}

void MainWindow::onCheckCrcSuccess()
{
    bootLoaderBusy = false;
    pendingMask &= quint8(~FirstImage);
    bootloader::Command cmd{};
    bootloader::setFinish(cmd);
    hid.transact(cmd.data(), bootloader::kFrameSize, true);
    finishFirstImage();
}

void MainWindow::onCh32RunIap()
{
    ch32Busy = true;
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
            if (hid.sendFrame(reinterpret_cast<const quint8*>(&frame)) < 1) {
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
    ch32Busy = false;
    pendingMask &= quint8(~FirstImage);
    const ch32::Frame finish = ch32::finishFrame();
    hid.sendFrame(reinterpret_cast<const quint8*>(&finish));
    finishFirstImage();
}
