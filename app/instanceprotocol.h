#pragma once

// Records shared between the starts of one program: the shared-memory block that names the
// primary instance and the hello record a later start sends over the local socket. Pure code:
// no Qt objects, no I/O.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <cstddef>
#include <optional>

// The 24-byte shared-memory record, in native (little-endian) byte order.
struct InstanceBlock {
    quint8 primary = 0; // non-zero while a primary instance runs
    quint8 pad0[3] = {};
    quint32 extraCount = 0; // extra instances started so far
    qint64 primaryPid = -1; // process id of the primary, -1 when there is none
    quint16 checksum = 0;   // blockCrc() when the block is consistent
    quint8 pad1[6] = {};

    static constexpr int size = 24;
    static constexpr int checkedBytes = 16;

    static InstanceBlock parse(const void* bytes);
    void encode(void* out) const;
};
static_assert(sizeof(InstanceBlock) == InstanceBlock::size, "shared block is 24 bytes");
static_assert(offsetof(InstanceBlock, extraCount) == 4, "counter at offset 4");
static_assert(offsetof(InstanceBlock, primaryPid) == 8, "process id at offset 8");
static_assert(offsetof(InstanceBlock, checksum) == 16, "checksum at offset 16");

// CRC-16/X-25 (qChecksum) over the first 16 bytes of the block.
quint16 blockCrc(const InstanceBlock& block);
bool blockConsistent(const InstanceBlock& block);
// Stores the checksum of the current contents.
void sealBlock(InstanceBlock& block);
// No primary, no extra instances, consistent.
InstanceBlock resetBlock();

enum class ConnectKind : qint8 {
    Unknown = 0,
    FreshStart = 1,    // a start that is about to exit because another instance runs
    ExtraInstance = 2, // a permitted extra instance
    Resend = 3,        // a connection opened to deliver a message
};

struct HelloRecord {
    QByteArray key; // Latin-1 bytes of the instance key
    ConnectKind kind = ConnectKind::Unknown;
    qint32 instanceNumber = 0;
};

// Bytes of the length prefix that precedes a hello record.
constexpr int helloLengthSize = 8;
// A genuine record is about 60 bytes; anything outside these bounds is not a hello and would
// otherwise make the primary buffer whatever the peer sends.
constexpr qint64 helloMinLength = 4 + 1 + 4 + 2;
constexpr qint64 helloMaxLength = 4096;

// A peer must have sent its whole hello within this time (ms), or the primary drops it.
constexpr int helloDeadlineMs = 3000;
// An announced peer sends its message and leaves: one that keeps the connection longer or sends
// more than this is dropped, so no peer can hold the primary's buffers or keep raising its window.
constexpr int peerDeadlineMs = 10000;
constexpr qint64 peerMaxMessageBytes = 64 * 1024;

// Length prefix and record, as written to the socket.
QByteArray encodeHello(const HelloRecord& hello);
// The record length announced by the first 8 bytes (big-endian), or -1 when it is out of bounds.
qint64 parseHelloLength(const QByteArray& prefix);
// The record when it is well formed, carries `instanceKey` and its checksum matches.
std::optional<HelloRecord> parseHello(const QByteArray& record, const QString& instanceKey);

// What the instance key is derived from.
struct InstanceKeyInputs {
    QString applicationName;
    QString organizationName;
    QString organizationDomain;
    QString applicationVersion;  // left empty when versions are ignored
    QString applicationFilePath; // left empty when the path is ignored
    bool perUser = false;
    QString userName;          // empty when the OS could not tell
    QStringList homeLocations; // stands in for the user name when that is empty
};

// Base64 of the SHA-256 over the inputs, "/" replaced by "_" (44 characters).
QString deriveInstanceKey(const InstanceKeyInputs& inputs);

// Whole seconds to sleep before re-testing an inconsistent block: 8 to 18.
int consistencyBackoffSeconds(quint32 seed);
