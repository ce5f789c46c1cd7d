#pragma once

#include "app/instancelock.h"
#include "app/instanceprotocol.h"
#include "app/singleinstanceapp.h"

#include <QMap>
#include <QObject>

#include <memory>

class QLocalServer;
class QLocalSocket;
class QSharedMemory;

// What the primary knows about one accepted connection.
struct PeerState {
    enum Stage : quint8 { AwaitLength = 0, AwaitBody = 1, Established = 2 };
    qint64 helloLength = 0;
    quint32 instanceId = 0;
    qint64 messageBytes = 0;
    quint8 stage = AwaitLength;
};

class SingleInstanceAppPrivate : public QObject
{
    Q_OBJECT
public:
    SingleInstanceAppPrivate(SingleInstanceApp* q, SingleInstanceApp::InstanceOptions options);
    ~SingleInstanceAppPrivate() override;

    // Creates the block, or attaches to the one another start created; on failure `error` says why.
    bool attachBlock(QString& error);
    // Returns holding the block's lock, once the block is consistent.
    void waitForConsistentBlock();
    InstanceBlock readBlock() const;
    void writeBlock(const InstanceBlock& block);
    void becomePrimary(InstanceBlock& block);
    void contactPrimary(int timeout, ConnectKind kind);

    SingleInstanceApp* q;
    QSharedMemory* memory = nullptr;
    std::unique_ptr<InstanceLock> blockLock; // guards every read-modify-write of the block
    QLocalSocket* socket = nullptr;
    QLocalServer* server = nullptr;
    quint32 instanceNumber = 0;
    QString instanceKey;
    QString serverName; // where the primary listens (see instanceServerName)
    SingleInstanceApp::InstanceOptions options;
    QMap<QLocalSocket*, PeerState> peers;

public slots:
    void slotConnectionEstablished();
    void slotDataAvailable(QLocalSocket* peer, uint instanceId);
    void slotClientConnectionClosed(QLocalSocket* peer, uint instanceId);

private:
    void readPeer(QLocalSocket* peer);
    void readHelloLength(QLocalSocket* peer);
    void readHelloBody(QLocalSocket* peer);
    void deliverUnread(QLocalSocket* peer);
};
