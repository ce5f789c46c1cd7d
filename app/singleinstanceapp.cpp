#include "app/singleinstanceapp.h"

#include "app/singleinstanceapp_p.h"
#include "platform/username.h"

#include <QDateTime>
#include <QDebug>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSharedMemory>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <cstdlib>

static QString instanceKeyFor(SingleInstanceApp::InstanceOptions options)
{
    InstanceKeyInputs inputs;
    inputs.applicationName = QCoreApplication::applicationName();
    inputs.organizationName = QCoreApplication::organizationName();
    inputs.organizationDomain = QCoreApplication::organizationDomain();
    if (!(options & SingleInstanceApp::IgnoreVersion))
        inputs.applicationVersion = QCoreApplication::applicationVersion();
    if (!(options & SingleInstanceApp::IgnorePath))
        inputs.applicationFilePath = QCoreApplication::applicationFilePath();
    inputs.perUser = options & SingleInstanceApp::PerUser;
    if (inputs.perUser) {
        inputs.userName = currentUserName();
        if (inputs.userName.isEmpty())
            inputs.homeLocations = QStandardPaths::standardLocations(QStandardPaths::HomeLocation);
    }
    return deriveInstanceKey(inputs);
}

// A recorded primary is alive only when its server takes a connection: System V segments outlive
// a primary that was killed, and its process id may by now belong to any other process.
static bool primaryAnswers(const QString& serverName, int timeout)
{
    QLocalSocket probe;
    probe.connectToServer(serverName, QIODevice::ReadWrite);
    if (probe.state() == QLocalSocket::ConnectingState)
        probe.waitForConnected(timeout);
    const bool answered = probe.state() == QLocalSocket::ConnectedState;
    probe.abort();
    return answered;
}

SingleInstanceAppPrivate::SingleInstanceAppPrivate(SingleInstanceApp* q,
                                                   SingleInstanceApp::InstanceOptions options)
    : QObject(q), q(q), instanceKey(instanceKeyFor(options)),
      serverName(instanceServerName(instanceKey, options & SingleInstanceApp::PerUser)),
      options(options)
{
}

SingleInstanceAppPrivate::~SingleInstanceAppPrivate()
{
    if (socket) {
        socket->close();
        delete socket;
        socket = nullptr;
    }
    if (!memory->isAttached()) {
        delete memory;
        return;
    }
    blockLock->lock();
    if (server) {
        peers.clear(); // the closing peers must not report anything any more
        server->close();
        delete server;
        server = nullptr;
        InstanceBlock block = readBlock();
        block.primary = 0;
        block.primaryPid = -1;
        sealBlock(block);
        writeBlock(block);
    }
    delete memory; // the last one to detach removes the block
    memory = nullptr;
    QSharedMemory remaining(instanceKey);
    if (!remaining.attach(QSharedMemory::ReadOnly))
        blockLock->removeFile(); // no start runs any more: nothing of ours stays behind
    blockLock->unlock();
}

bool SingleInstanceAppPrivate::attachBlock(QString& error)
{
    memory = new QSharedMemory(instanceKey);
    blockLock =
        std::make_unique<InstanceLock>(instanceKey, options & SingleInstanceApp::PerUser, memory);
    const bool early = blockLock->coversCreation();
    if (early)
        blockLock->lock();
    bool attached = false;
    // The last start to leave removes the block; one may leave between our create and attach.
    for (int attempt = 0; attempt < 2 && !attached; ++attempt) {
        if (memory->create(InstanceBlock::size, QSharedMemory::ReadWrite)) {
            if (!early)
                blockLock->lock();
            writeBlock(resetBlock());
            if (!early)
                blockLock->unlock();
            attached = true;
        } else {
            attached = memory->attach(QSharedMemory::ReadWrite);
        }
    }
    if (early)
        blockLock->unlock();
    if (!attached) {
        error = memory->errorString();
        return false;
    }
    // A segment of another size under our name is not ours to read.
    if (memory->size() < InstanceBlock::size) {
        error = QStringLiteral("Shared memory block has %1 bytes, %2 expected.")
                    .arg(memory->size())
                    .arg(InstanceBlock::size);
        memory->detach();
        return false;
    }
    return true;
}

void SingleInstanceAppPrivate::waitForConsistentBlock()
{
    QElapsedTimer waited;
    waited.start();
    blockLock->lock();
    while (!blockConsistent(readBlock())) {
        if (waited.elapsed() > 5000) {
            qWarning("SingleInstanceApp: Shared memory block has been in an inconsistent state "
                     "from more than 5s. Assuming primary instance failure.");
            writeBlock(resetBlock());
        }
        blockLock->unlock();
        const auto seed = quint32(QDateTime::currentMSecsSinceEpoch() % 0xFFFFFFFF);
        QThread::sleep(ulong(consistencyBackoffSeconds(seed)));
        blockLock->lock();
    }
}

InstanceBlock SingleInstanceAppPrivate::readBlock() const
{
    return InstanceBlock::parse(memory->constData());
}

void SingleInstanceAppPrivate::writeBlock(const InstanceBlock& block)
{
    block.encode(memory->data());
}

void SingleInstanceAppPrivate::becomePrimary(InstanceBlock& block)
{
    QLocalServer::removeServer(serverName);
    server = new QLocalServer(this);
    server->setSocketOptions(options & SingleInstanceApp::PerUser
                                 ? QLocalServer::UserAccessOption
                                 : QLocalServer::WorldAccessOption);
    // Without a server no later start could reach this one, and each would take the role.
    if (!server->listen(serverName))
        qDebug() << "SingleInstanceApp: cannot listen on" << serverName << server->errorString();
    connect(server, &QLocalServer::newConnection, this,
            &SingleInstanceAppPrivate::slotConnectionEstablished);
    block.primary = 1;
    block.primaryPid = QCoreApplication::applicationPid();
    sealBlock(block);
    instanceNumber = 0;
}

void SingleInstanceAppPrivate::contactPrimary(int timeout, ConnectKind kind)
{
    if (!socket)
        socket = new QLocalSocket(this);
    if (socket->state() == QLocalSocket::ConnectedState)
        return; // one hello per connection
    if (socket->state() == QLocalSocket::UnconnectedState ||
        socket->state() == QLocalSocket::ClosingState)
        socket->connectToServer(serverName, QIODevice::ReadWrite);
    if (socket->state() == QLocalSocket::ConnectingState)
        socket->waitForConnected(timeout);
    if (socket->state() != QLocalSocket::ConnectedState)
        return;
    HelloRecord hello;
    hello.key = instanceKey.toLatin1();
    hello.kind = kind;
    hello.instanceNumber = qint32(instanceNumber);
    socket->write(encodeHello(hello));
    socket->flush();
    socket->waitForBytesWritten(timeout);
}

void SingleInstanceAppPrivate::slotConnectionEstablished()
{
    QLocalSocket* peer = server->nextPendingConnection();
    if (!peer)
        return;
    peers.insert(peer, PeerState());
    // A peer that never finishes its hello would hold its buffer and socket for good.
    QTimer::singleShot(helloDeadlineMs, peer, [this, peer] {
        const auto it = peers.constFind(peer);
        if (it == peers.constEnd() || it->stage == PeerState::Established)
            return;
        qDebug() << "SingleInstanceApp: dropping a peer that did not announce itself in time";
        peer->close();
    });
    QTimer::singleShot(peerDeadlineMs, peer, [peer] {
        qDebug() << "SingleInstanceApp: dropping a peer that stayed connected too long";
        peer->close();
    });
    connect(
        peer, &QLocalSocket::aboutToClose, peer, [this, peer] { deliverUnread(peer); },
        Qt::DirectConnection);
    connect(
        peer, &QLocalSocket::disconnected, peer,
        [this, peer] {
            deliverUnread(peer);
            peers.remove(peer);
            peer->deleteLater();
        },
        Qt::DirectConnection);
    connect(
        peer, &QLocalSocket::readyRead, peer, [this, peer] { readPeer(peer); },
        Qt::DirectConnection);
}

void SingleInstanceAppPrivate::slotDataAvailable(QLocalSocket* peer, uint instanceId)
{
    const QByteArray message = peer->readAll();
    const auto it = peers.find(peer);
    if (it != peers.end() && (it->messageBytes += message.size()) > peerMaxMessageBytes) {
        qDebug() << "SingleInstanceApp: dropping a peer that sent more than a message";
        peer->close();
        return;
    }
    if (!message.isEmpty())
        emit q->receivedMessage(instanceId, message);
}

void SingleInstanceAppPrivate::slotClientConnectionClosed(QLocalSocket* peer, uint instanceId)
{
    if (peer->bytesAvailable() <= 0)
        return;
    const QByteArray message = peer->readAll();
    const auto it = peers.find(peer);
    // What is left at the close counts against the same bound as what came before it.
    if (it != peers.end() && (it->messageBytes += message.size()) > peerMaxMessageBytes) {
        qDebug() << "SingleInstanceApp: dropping the rest of a peer that sent more than a message";
        return;
    }
    emit q->receivedMessage(instanceId, message);
}

void SingleInstanceAppPrivate::readPeer(QLocalSocket* peer)
{
    const auto it = peers.constFind(peer);
    if (it == peers.constEnd())
        return;
    switch (it->stage) {
    case PeerState::AwaitLength:
        readHelloLength(peer);
        break;
    case PeerState::AwaitBody:
        readHelloBody(peer);
        break;
    case PeerState::Established:
        slotDataAvailable(peer, it->instanceId);
        break;
    }
}

void SingleInstanceAppPrivate::readHelloLength(QLocalSocket* peer)
{
    if (peer->bytesAvailable() < helloLengthSize)
        return;
    const qint64 length = parseHelloLength(peer->read(helloLengthSize));
    if (length < 0) {
        peer->close();
        return;
    }
    PeerState& state = peers[peer];
    state.helloLength = length;
    state.stage = PeerState::AwaitBody;
    if (peer->bytesAvailable() >= length)
        readHelloBody(peer);
}

void SingleInstanceAppPrivate::readHelloBody(QLocalSocket* peer)
{
    const auto it = peers.find(peer);
    if (it == peers.end() || peer->bytesAvailable() < it->helloLength)
        return;
    const std::optional<HelloRecord> hello = parseHello(peer->read(it->helloLength), instanceKey);
    if (!hello) {
        peer->close();
        return;
    }
    const auto instanceId = quint32(hello->instanceNumber);
    it->instanceId = instanceId;
    it->stage = PeerState::Established;
    if (hello->kind == ConnectKind::FreshStart || (hello->kind == ConnectKind::ExtraInstance &&
                                                   options & SingleInstanceApp::NotifyExtraStart))
        emit q->instanceStarted();
    if (peers.contains(peer)) // a receiver may have dropped the connection meanwhile
        slotDataAvailable(peer, instanceId);
}

// Only an announced peer's bytes are messages; whatever an unannounced one left is dropped.
void SingleInstanceAppPrivate::deliverUnread(QLocalSocket* peer)
{
    const auto it = peers.constFind(peer);
    if (it != peers.constEnd() && it->stage == PeerState::Established)
        slotClientConnectionClosed(peer, it->instanceId);
}

SingleInstanceApp::SingleInstanceApp(int& argc, char** argv, bool allowExtraInstance,
                                     InstanceOptions options, int timeout)
    : QApplication(argc, argv), d(new SingleInstanceAppPrivate(this, options))
{
    QString error;
    if (!d->attachBlock(error)) {
        qCritical("SingleInstanceApp: Unable to attach to shared memory block.");
        qCritical("%s", qUtf8Printable(error));
        delete d;
        d = nullptr;
        ::exit(1);
    }
    d->waitForConsistentBlock();
    InstanceBlock block = d->readBlock();
    if (!block.primary || !primaryAnswers(d->serverName, timeout)) {
        d->becomePrimary(block);
        d->writeBlock(block);
        d->blockLock->unlock();
        return;
    }
    if (allowExtraInstance) {
        ++block.extraCount;
        sealBlock(block);
        d->writeBlock(block);
        d->instanceNumber = block.extraCount;
        if (options & NotifyExtraStart)
            d->contactPrimary(timeout, ConnectKind::ExtraInstance);
        d->blockLock->unlock();
        return;
    }
    d->blockLock->unlock();
    d->contactPrimary(timeout, ConnectKind::FreshStart);
    delete d;
    d = nullptr;
    ::exit(0);
}

SingleInstanceApp::~SingleInstanceApp()
{
    delete d;
}

bool SingleInstanceApp::isPrimaryInstance() const
{
    return d->server != nullptr;
}

bool SingleInstanceApp::postToPrimary(const QByteArray& message, int timeout)
{
    if (isPrimaryInstance())
        return false;
    d->contactPrimary(timeout, ConnectKind::Resend);
    QLocalSocket* socket = d->socket;
    if (socket->state() != QLocalSocket::ConnectedState)
        return false;
    if (socket->write(message) != message.size())
        return false;
    socket->flush();
    if (socket->bytesToWrite() > 0)
        socket->waitForBytesWritten(timeout);
    // Success means the whole message left; an empty one has nothing left to flush.
    return socket->bytesToWrite() == 0;
}
