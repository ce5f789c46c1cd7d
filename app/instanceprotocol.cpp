#include "app/instanceprotocol.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QRandomGenerator>

#include <cstring>

// Both ends of the local socket agree on stream version 17, big-endian.
static constexpr int streamVersion = QDataStream::Qt_5_6;
static_assert(streamVersion == 17, "wire format is data stream version 17");

InstanceBlock InstanceBlock::parse(const void* bytes)
{
    InstanceBlock block;
    std::memcpy(&block, bytes, size);
    return block;
}

void InstanceBlock::encode(void* out) const
{
    std::memcpy(out, this, size);
}

quint16 blockCrc(const InstanceBlock& block)
{
    char bytes[InstanceBlock::size];
    block.encode(bytes);
    return qChecksum(bytes, InstanceBlock::checkedBytes);
}

bool blockConsistent(const InstanceBlock& block)
{
    return block.checksum == blockCrc(block);
}

void sealBlock(InstanceBlock& block)
{
    block.checksum = blockCrc(block);
}

InstanceBlock resetBlock()
{
    InstanceBlock block;
    sealBlock(block);
    return block;
}

static QByteArray helloBody(const HelloRecord& hello)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setVersion(streamVersion);
    out << hello.key << qint8(hello.kind) << hello.instanceNumber;
    out << qChecksum(body.constData(), uint(body.size()));
    return body;
}

QByteArray encodeHello(const HelloRecord& hello)
{
    const QByteArray body = helloBody(hello);
    QByteArray frame;
    QDataStream out(&frame, QIODevice::WriteOnly);
    out.setVersion(streamVersion);
    out << qint64(body.size());
    frame.append(body);
    return frame;
}

qint64 parseHelloLength(const QByteArray& prefix)
{
    if (prefix.size() != helloLengthSize)
        return -1;
    QDataStream in(prefix);
    in.setVersion(streamVersion);
    qint64 length = 0;
    in >> length;
    return length >= helloMinLength && length <= helloMaxLength ? length : -1;
}

std::optional<HelloRecord> parseHello(const QByteArray& record, const QString& instanceKey)
{
    if (record.size() < helloMinLength || record.size() > helloMaxLength)
        return std::nullopt;
    QDataStream in(record);
    in.setVersion(streamVersion);
    HelloRecord hello;
    qint8 kind = 0;
    quint16 checksum = 0;
    in >> hello.key >> kind >> hello.instanceNumber >> checksum;
    if (in.status() != QDataStream::Ok)
        return std::nullopt;
    // The key compares up to its first zero byte.
    const int keyLength = int(qstrnlen(hello.key.constData(), uint(hello.key.size())));
    if (QLatin1String(hello.key.constData(), keyLength) != instanceKey)
        return std::nullopt;
    if (checksum != qChecksum(record.constData(), uint(record.size() - 2)))
        return std::nullopt;
    hello.kind = ConnectKind(kind);
    return hello;
}

QString deriveInstanceKey(const InstanceKeyInputs& inputs)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData("SingleInstanceApp", 17);
    hash.addData(inputs.applicationName.toUtf8());
    hash.addData(inputs.organizationName.toUtf8());
    hash.addData(inputs.organizationDomain.toUtf8());
    hash.addData(inputs.applicationVersion.toUtf8());
    hash.addData(inputs.applicationFilePath.toLower().toUtf8());
    if (inputs.perUser) {
        const QString user =
            inputs.userName.isEmpty() ? inputs.homeLocations.join(QString()) : inputs.userName;
        hash.addData(user.toUtf8());
    }
    return QString::fromLatin1(hash.result().toBase64())
        .replace(QLatin1Char('/'), QLatin1Char('_'));
}

int consistencyBackoffSeconds(quint32 seed)
{
    // 0..32767 as the original generator gives on its home platform; glibc's rand() would
    // reach 2^31 - 1 and turn the back-off into days.
    QRandomGenerator generator(seed);
    const int draw = int(generator.bounded(32768u));
    return 8 + int(draw / 32767.0 * 10.0);
}
