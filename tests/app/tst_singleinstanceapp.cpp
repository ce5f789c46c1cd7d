// The single-instance guard between real processes (instance_probe starts like quillex) and,
// with this test process as the primary, what arrives on its local socket.

#include "app/singleinstanceapp.h"
#include "instancetesting.h"
#include "lineprocess.h"

#include <QDir>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

static SingleInstanceApp* app()
{
    return static_cast<SingleInstanceApp*>(QCoreApplication::instance());
}

static QString ownKey()
{
    return instanceKeyOf(QCoreApplication::applicationName(),
                         QCoreApplication::applicationFilePath());
}

static QString probeProgram()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/instance_probe");
}

// Unique per test and per run, so parallel runs never share a block.
static QString identity(const char* tag)
{
    return QStringLiteral("tst-%1-%2")
        .arg(QLatin1String(tag))
        .arg(QCoreApplication::applicationPid());
}

static std::unique_ptr<LineProcess>
startProbe(const QString& id, const QStringList& extra = {},
           QProcessEnvironment env = QProcessEnvironment::systemEnvironment())
{
    env.insert(QStringLiteral("QT_QUICK_BACKEND"), QStringLiteral("software"));
    auto probe = std::make_unique<LineProcess>(
        probeProgram(), QStringList{QStringLiteral("--identity"), id} + extra, env);
    probe->start();
    return probe;
}

// Creates the block as an earlier start left it: a primary on record whose process id is this
// live process, which serves no instance of that key.
static bool plantPrimaryRecord(QSharedMemory& memory, bool consistent, quint32 extraCount = 0)
{
    if (!memory.create(InstanceBlock::size))
        return false;
    InstanceBlock block;
    block.primary = 1;
    block.primaryPid = QCoreApplication::applicationPid();
    block.extraCount = extraCount;
    if (consistent)
        sealBlock(block);
    memory.lock();
    block.encode(memory.data());
    memory.unlock();
    return true;
}

static QByteArray helloFrame(const QString& key, ConnectKind kind, qint32 number)
{
    HelloRecord hello;
    hello.key = key.toLatin1();
    hello.kind = kind;
    hello.instanceNumber = number;
    return encodeHello(hello);
}

static QByteArray messageLine(uint id, const QByteArray& text)
{
    return "message " + QByteArray::number(id) + ' ' + text.toHex();
}

// Connections the primary currently holds.
static int primaryConnections()
{
    return app()->findChildren<QLocalSocket*>().size();
}

struct Client {
    QLocalSocket socket;

    explicit Client(const QByteArray& first = QByteArray())
    {
        socket.connectToServer(instanceServerName(ownKey(), true));
        socket.waitForConnected(1000);
        if (!first.isEmpty())
            send(first);
    }
    void send(const QByteArray& bytes)
    {
        socket.write(bytes);
        socket.flush();
    }
    bool closedByPrimary()
    {
        return QTest::qWaitFor([this] { return socket.state() == QLocalSocket::UnconnectedState; });
    }
};

class TestSingleInstanceApp : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    // This process is the primary.
    void primaryMeetsLaterStartsInTheRuntimeFolder();
    void postToPrimaryOnPrimarySendsNothing();
    void helloAloneEmitsNothing_data();
    void helloAloneEmitsNothing();
    void bytesWithHelloArriveOnceRightAfterIt();
    void badInputClosesOnlyThatConnection_data();
    void badInputClosesOnlyThatConnection();
    void unannouncedBytesAreDroppedAtClose();
    void unreadBytesAtCloseAreDelivered();
    void stalledPeerIsDropped();
    void announcedPeerIsBoundedInSizeAndTime();

    // Between probe processes.
    void laterStartsAreExtraInstancesAndTheirMessagesArrive();
    void emptyMessageEmitsNothing();
    void secondHelloIsNeverSent();
    void startWithoutExtraInstancesAnnouncesItselfAndEndsWithZero();
    void simultaneousStartsElectExactlyOnePrimary();
    void killedPrimaryIsReplacedByTheNextStart();
    void recordedPrimaryWithoutServerIsNotAlive();
    void withoutRuntimeFolderThePrivateFallbackServesAndIsClearedByTheLast();
    void unusableBlockEndsTheStartWithStatusOne();
    void secondStartBringsThePrimaryWindowBack_data();
    void secondStartBringsThePrimaryWindowBack();

private:
    std::unique_ptr<QSignalSpy> messages;
    std::unique_ptr<QSignalSpy> started;
};

void TestSingleInstanceApp::init()
{
    messages = std::make_unique<QSignalSpy>(app(), &SingleInstanceApp::receivedMessage);
    started = std::make_unique<QSignalSpy>(app(), &SingleInstanceApp::instanceStarted);
}

void TestSingleInstanceApp::cleanup()
{
    // Nothing from one case may leak into the next.
    QTRY_COMPARE(primaryConnections(), 0);
}

static int modeOf(const QString& path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

void TestSingleInstanceApp::primaryMeetsLaterStartsInTheRuntimeFolder()
{
    QVERIFY(app()->isPrimaryInstance());
    const QString runtime = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    QCOMPARE(modeOf(runtime), 0700);
    QCOMPARE(modeOf(runtime + '/' + ownKey() + ".lock"), 0600);
    const QFileInfo socketFile(runtime + '/' + ownKey());
    QVERIFY(socketFile.exists());
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    QCOMPARE(socketFile.permissions() & others, QFile::Permissions());
    // Nothing under a predictable name in the shared temporary folder.
    QVERIFY(!QFile::exists(QDir::tempPath() + '/' + ownKey()));
    QVERIFY(!QFile::exists(QDir::tempPath() + '/' + ownKey() + ".lock"));
}

void TestSingleInstanceApp::postToPrimaryOnPrimarySendsNothing()
{
    QVERIFY(!app()->postToPrimary("to myself", 100));
    QCOMPARE(primaryConnections(), 0); // not even a connection was opened
}

void TestSingleInstanceApp::helloAloneEmitsNothing_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("announcements");
    QTest::newRow("resend") << int(ConnectKind::Resend) << 0;
    QTest::newRow("fresh start") << int(ConnectKind::FreshStart) << 1;
    QTest::newRow("extra instance, not asked to announce") << int(ConnectKind::ExtraInstance) << 0;
    QTest::newRow("unknown") << int(ConnectKind::Unknown) << 0;
}

void TestSingleInstanceApp::helloAloneEmitsNothing()
{
    QFETCH(int, kind);
    QFETCH(int, announcements);
    Client client(helloFrame(ownKey(), ConnectKind(kind), 7));
    client.send("after");
    QTRY_COMPARE(messages->count(), 1);
    QCOMPARE(messages->at(0), (QVariantList{7u, QByteArray("after")}));
    QCOMPARE(started->count(), announcements);
}

void TestSingleInstanceApp::bytesWithHelloArriveOnceRightAfterIt()
{
    QStringList order;
    QObject context;
    connect(app(), &SingleInstanceApp::instanceStarted, &context, [&] { order << "started"; });
    connect(app(), &SingleInstanceApp::receivedMessage, &context,
            [&](uint, const QByteArray& m) { order << QString::fromLatin1(m); });

    Client client(helloFrame(ownKey(), ConnectKind::FreshStart, 3) + "payload");
    QTRY_COMPARE(messages->count(), 1);
    client.send("more");
    QTRY_COMPARE(messages->count(), 2);
    QCOMPARE(order, (QStringList{"started", "payload", "more"}));
    QCOMPARE(messages->at(0), (QVariantList{3u, QByteArray("payload")}));
}

void TestSingleInstanceApp::badInputClosesOnlyThatConnection_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = helloFrame(ownKey(), ConnectKind::FreshStart, 1);
    QByteArray wrongChecksum = good;
    wrongChecksum[wrongChecksum.size() - 1] = char(wrongChecksum.at(wrongChecksum.size() - 1) ^ 1);
    QByteArray damaged = good;
    damaged[helloLengthSize + 2] = char(0x0f); // key length now overruns the record
    QByteArray garbage;
    for (int i = 0; i < 256; ++i)
        garbage += char((i * 73 + 11) & 0xff);

    QTest::newRow("wrong key") << helloFrame(QString(44, QLatin1Char('A')), ConnectKind::FreshStart,
                                             1) +
                                      "payload";
    QTest::newRow("wrong checksum") << wrongChecksum + "payload";
    QTest::newRow("damaged stream") << damaged + "payload";
    QTest::newRow("negative length") << QByteArray::fromHex("fffffffffffffff0") + good.mid(8);
    QTest::newRow("zero length") << QByteArray(8, '\0') + "payload";
    QTest::newRow("huge length") << QByteArray::fromHex("7fffffffffffffff") +
                                        QByteArray(1 << 16, 'x');
    QTest::newRow("just over the cap")
        << QByteArray::fromHex("0000000000001001") + QByteArray(4097, 'x');
    QTest::newRow("garbage") << garbage;
}

void TestSingleInstanceApp::badInputClosesOnlyThatConnection()
{
    QFETCH(QByteArray, bytes);
    Client good(helloFrame(ownKey(), ConnectKind::Resend, 1));
    Client bad(bytes);
    QVERIFY(bad.closedByPrimary());
    good.send("still here");
    QTRY_COMPARE(messages->count(), 1);
    QCOMPARE(messages->at(0), (QVariantList{1u, QByteArray("still here")}));
    QCOMPARE(started->count(), 0);
    QCOMPARE(good.socket.state(), QLocalSocket::ConnectedState);
}

void TestSingleInstanceApp::unannouncedBytesAreDroppedAtClose()
{
    {
        Client truncated(helloFrame(ownKey(), ConnectKind::FreshStart, 1).left(20));
        Client lengthOnly(QByteArray::fromHex("00000000000000"));
    }
    QTRY_COMPARE(primaryConnections(), 0);
    QCOMPARE(messages->count(), 0);
    QCOMPARE(started->count(), 0);
}

void TestSingleInstanceApp::unreadBytesAtCloseAreDelivered()
{
    // A receiver that runs a nested event loop (a message box, say) holds up readyRead; what
    // arrives meanwhile must still come out when the peer goes away.
    auto client = std::make_unique<Client>(helloFrame(ownKey(), ConnectKind::Resend, 4) + "first");
    QObject context;
    connect(app(), &SingleInstanceApp::receivedMessage, &context, [&](uint, const QByteArray& m) {
        if (m != "first")
            return;
        client->send("second");
        client->socket.disconnectFromServer();
        QEventLoop loop;
        connect(app(), &SingleInstanceApp::receivedMessage, &loop, &QEventLoop::quit);
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        loop.exec();
    });
    QTRY_COMPARE(messages->count(), 2);
    QCOMPARE(messages->at(1), (QVariantList{4u, QByteArray("second")}));
    QTRY_COMPARE(primaryConnections(), 0);
    QCOMPARE(messages->count(), 2);
}

void TestSingleInstanceApp::stalledPeerIsDropped()
{
    // One that stops inside its hello and one that sends nothing go after the deadline; an
    // announced peer that stays quiet is no stall.
    Client announced(helloFrame(ownKey(), ConnectKind::Resend, 2));
    Client halfway(helloFrame(ownKey(), ConnectKind::Resend, 3).left(20));
    Client silent;
    QVERIFY(QTest::qWaitFor(
        [&] {
            return halfway.socket.state() == QLocalSocket::UnconnectedState &&
                   silent.socket.state() == QLocalSocket::UnconnectedState;
        },
        helloDeadlineMs + 5000));
    QCOMPARE(announced.socket.state(), QLocalSocket::ConnectedState);
    announced.send("still here");
    QTRY_COMPARE(messages->count(), 1);
    QCOMPARE(messages->at(0), (QVariantList{2u, QByteArray("still here")}));
    QCOMPARE(started->count(), 0);
}

void TestSingleInstanceApp::announcedPeerIsBoundedInSizeAndTime()
{
    Client flood(helloFrame(ownKey(), ConnectKind::Resend, 5));
    Client lingering(helloFrame(ownKey(), ConnectKind::Resend, 6) + "hello");
    flood.send(QByteArray(peerMaxMessageBytes + 4096, 'x'));
    QVERIFY(flood.closedByPrimary());
    {
        // The same flood from a peer that leaves at once: what is read at the close counts too.
        Client leaving(helloFrame(ownKey(), ConnectKind::Resend, 7));
        leaving.send(QByteArray(peerMaxMessageBytes + 4096, 'y'));
        leaving.socket.waitForBytesWritten(5000);
    }
    QTRY_COMPARE(primaryConnections(), 1); // only the lingering peer is left
    for (uint id : {5u, 7u}) {
        qint64 delivered = 0;
        for (const QList<QVariant>& message : *messages)
            if (message.at(0).toUInt() == id)
                delivered += message.at(1).toByteArray().size();
        QVERIFY2(delivered <= peerMaxMessageBytes, QByteArray::number(delivered));
    }

    QVERIFY(
        QTest::qWaitFor([&] { return lingering.socket.state() == QLocalSocket::UnconnectedState; },
                        peerDeadlineMs + 5000));
    QVERIFY(messages->contains(QVariantList{6u, QByteArray("hello")}));
}

void TestSingleInstanceApp::laterStartsAreExtraInstancesAndTheirMessagesArrive()
{
    const QString id = identity("extra");
    auto primary = startProbe(id);
    QVERIFY(primary->waitForLine("primary"));
    for (uint n = 1; n <= 2; ++n) {
        const QByteArray text = "ping " + QByteArray::number(n);
        auto later = startProbe(id, {QStringLiteral("--post"), QString::fromLatin1(text)});
        QCOMPARE(later->exitCode(), 1);
        QCOMPARE(later->lines(), (QList<QByteArray>{"extra", "posted 1"}));
        QVERIFY(primary->waitForLine(messageLine(n, text)));
    }
    QVERIFY(!primary->lines().contains("started"));
}

void TestSingleInstanceApp::emptyMessageEmitsNothing()
{
    const QString id = identity("empty");
    auto primary = startProbe(id);
    QVERIFY(primary->waitForLine("primary"));
    auto quiet = startProbe(id); // posts an empty message, as quillex does
    QCOMPARE(quiet->exitCode(), 1);
    auto marker = startProbe(id, {QStringLiteral("--post"), QStringLiteral("marker")});
    QCOMPARE(marker->exitCode(), 1);
    QVERIFY(primary->waitForLine(messageLine(2, "marker")));
    QCOMPARE(primary->lines(), (QList<QByteArray>{"primary", messageLine(2, "marker")}));
}

void TestSingleInstanceApp::secondHelloIsNeverSent()
{
    // The announcing extra instance says hello at start; its posts reuse that connection.
    const QString id = identity("hello");
    auto primary = startProbe(id, {QStringLiteral("--notify")});
    QVERIFY(primary->waitForLine("primary"));
    auto later =
        startProbe(id, {QStringLiteral("--notify"), QStringLiteral("--post"), QStringLiteral("one"),
                        QStringLiteral("--post"), QStringLiteral("two")});
    QCOMPARE(later->exitCode(), 1);
    QVERIFY(primary->waitForLine("started"));
    QVERIFY(QTest::qWaitFor([&] {
        QByteArray payload;
        for (const QByteArray& line : primary->lines()) {
            if (line.startsWith("message 1 "))
                payload += QByteArray::fromHex(line.mid(10));
        }
        return payload == "onetwo";
    }));
    QCOMPARE(primary->lines().count("started"), 1);
}

void TestSingleInstanceApp::startWithoutExtraInstancesAnnouncesItselfAndEndsWithZero()
{
    const QString id = identity("fresh");
    auto primary = startProbe(id);
    QVERIFY(primary->waitForLine("primary"));
    auto fresh = startProbe(id, {QStringLiteral("--no-extra")});
    QCOMPARE(fresh->exitCode(), 0);
    QVERIFY(fresh->lines().isEmpty()); // ended inside the application's construction
    QVERIFY(primary->waitForLine("started"));
    QCOMPARE(primary->lines(), (QList<QByteArray>{"primary", "started"}));
}

void TestSingleInstanceApp::simultaneousStartsElectExactlyOnePrimary()
{
    const QString id = identity("race");
    std::vector<std::unique_ptr<LineProcess>> probes;
    for (int i = 0; i < 6; ++i)
        probes.push_back(startProbe(id));
    // Creating and initialising the block is one step for the others: nobody meets a block
    // half set up (that would cost an 8-18 s back-off).
    LineProcess* primary = nullptr;
    int extras = 0;
    for (auto& probe : probes) {
        QVERIFY(probe->waitForLine("primary", 8000) || probe->waitForLine("extra", 1));
        if (probe->lines().contains("primary")) {
            QVERIFY(!primary);
            primary = probe.get();
        } else {
            QCOMPARE(probe->exitCode(), 1);
            ++extras;
        }
    }
    QVERIFY(primary);
    QCOMPARE(extras, 5);

    QSharedMemory memory(instanceKeyOf(id, probeProgram()));
    QVERIFY(memory.attach());
    InstanceBlock block = readBlock(memory);
    QVERIFY(blockConsistent(block));
    QCOMPARE(block.primary, quint8(1));
    QCOMPARE(block.primaryPid, primary->process.processId());
    QCOMPARE(block.extraCount, 5u);

    // Leaving gives the role up and keeps the count.
    primary->send("quit");
    QCOMPARE(primary->exitCode(), 0);
    block = readBlock(memory);
    QVERIFY(blockConsistent(block));
    QCOMPARE(block.primary, quint8(0));
    QCOMPARE(block.primaryPid, qint64(-1));
    QCOMPARE(block.extraCount, 5u);
}

void TestSingleInstanceApp::killedPrimaryIsReplacedByTheNextStart()
{
    const QString id = identity("killed");
    auto first = startProbe(id);
    QVERIFY(first->waitForLine("primary"));
    first->process.kill();
    QVERIFY(first->process.waitForFinished());
    auto next = startProbe(id);
    QVERIFY(next->waitForLine("primary"));
}

void TestSingleInstanceApp::recordedPrimaryWithoutServerIsNotAlive()
{
    // The record of a primary that is gone, its process id now taken by another live process
    // (this one, as a reused or zombie id would be): the next start takes over.
    const QString id = identity("stale");
    QSharedMemory memory(instanceKeyOf(id, probeProgram()));
    QVERIFY(plantPrimaryRecord(memory, true));

    auto probe = startProbe(id);
    QVERIFY(probe->waitForLine("primary"));
    QCOMPARE(readBlock(memory).primaryPid, probe->process.processId());
    auto later = startProbe(id, {QStringLiteral("--post"), QStringLiteral("hello")});
    QCOMPARE(later->exitCode(), 1);
    QVERIFY(probe->waitForLine(messageLine(1, "hello")));
}

void TestSingleInstanceApp::withoutRuntimeFolderThePrivateFallbackServesAndIsClearedByTheLast()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    env.insert(QStringLiteral("TMPDIR"), tmp.path());
    const QString id = identity("fallback");
    const QString key = instanceKeyOf(id, probeProgram());

    auto primary = startProbe(id, {}, env);
    QVERIFY(primary->waitForLine("primary"));
    const QStringList folders = QDir(tmp.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCOMPARE(folders.size(), 1);
    const QString folder = tmp.path() + '/' + folders.first();
    QCOMPARE(modeOf(folder), 0700);
    const QString lockFile = folder + '/' + key + ".lock";
    QCOMPARE(modeOf(lockFile), 0600);
    QVERIFY(QFileInfo::exists(folder + '/' + key));

    auto later = startProbe(id, {QStringLiteral("--post"), QStringLiteral("hi")}, env);
    QCOMPARE(later->exitCode(), 1);
    QVERIFY(primary->waitForLine(messageLine(1, "hi")));
    QVERIFY(QFileInfo::exists(lockFile)); // the primary still runs

    primary->send("quit");
    QCOMPARE(primary->exitCode(), 0);
    const auto all = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden;
    QCOMPARE(QDir(folder).entryList(all), QStringList()); // neither socket nor lock file stays
}

void TestSingleInstanceApp::unusableBlockEndsTheStartWithStatusOne()
{
    const QString id = identity("unusable");
    QSharedMemory foreign(instanceKeyOf(id, probeProgram()));
    QVERIFY(foreign.create(8)); // too small to be an instance block
    auto probe = startProbe(id);
    QCOMPARE(probe->exitCode(), 1);
    QVERIFY(probe->lines().isEmpty());
    const QList<QByteArray> errors = probe->errors().split('\n');
    const int at = errors.indexOf("SingleInstanceApp: Unable to attach to shared memory block.");
    QVERIFY2(at >= 0, probe->errors());
    QVERIFY(at + 1 < errors.size() && !errors.at(at + 1).isEmpty());
}

void TestSingleInstanceApp::secondStartBringsThePrimaryWindowBack_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QByteArray>("before");
    QTest::newRow("hidden") << "hidden" << QByteArray("state visible=0 minimized=0");
    QTest::newRow("minimized") << "minimized" << QByteArray("state visible=1 minimized=1");
    QTest::newRow("shown") << "shown" << QByteArray("state visible=1 minimized=0");
}

void TestSingleInstanceApp::secondStartBringsThePrimaryWindowBack()
{
    QFETCH(QString, state);
    QFETCH(QByteArray, before);
    const QString id = identity("window");
    auto primary = startProbe(id, {QStringLiteral("--window"), state});
    QVERIFY(primary->waitForLine("primary", 20000));
    primary->send("state");
    QVERIFY(primary->waitForLine(before));

    auto second = startProbe(id); // exactly what a second quillex does
    QCOMPARE(second->exitCode(), 1);
    auto marker = startProbe(id, {QStringLiteral("--post"), QStringLiteral("marker")});
    QCOMPARE(marker->exitCode(), 1);
    QVERIFY(primary->waitForLine(messageLine(2, "marker")));
    primary->send("state");
    const QByteArray shown = "state visible=1 minimized=0";
    QVERIFY(QTest::qWaitFor([&] { return primary->lines().size() == 4; }));
    QCOMPARE(primary->lines(),
             (QList<QByteArray>{"primary", before, messageLine(2, "marker"), shown}));
}

// Kept apart: by design it takes two back-off sleeps, 16 to 36 s.
class TestBlockRecovery : public QObject
{
    Q_OBJECT
private slots:
    void inconsistentBlockIsResetAndTheStartBecomesPrimary();
};

void TestBlockRecovery::inconsistentBlockIsResetAndTheStartBecomesPrimary()
{
    const QString id = identity("recovery");
    QSharedMemory memory(instanceKeyOf(id, probeProgram()));
    QVERIFY(plantPrimaryRecord(memory, false, 5)); // checksum left 0

    QElapsedTimer waited;
    waited.start();
    auto probe = startProbe(id);
    QVERIFY(probe->waitForLine("primary", 45000));
    QVERIFY2(waited.elapsed() >= 16000, QByteArray::number(waited.elapsed()));
    const QByteArray warning = "SingleInstanceApp: Shared memory block has been in an inconsistent "
                               "state from more than 5s. Assuming primary instance failure.";
    QCOMPARE(probe->errors().split('\n').count(warning), 1);

    const InstanceBlock block = readBlock(memory);
    QVERIFY(blockConsistent(block));
    QCOMPARE(block.primary, quint8(1));
    QCOMPARE(block.primaryPid, probe->process.processId());
    QCOMPARE(block.extraCount, 0u);
}

int main(int argc, char** argv)
{
    const bool recovery = argc > 1 && qstrcmp(argv[1], "-recovery") == 0;
    if (recovery) {
        argv[1] = argv[0];
        ++argv;
        --argc;
    }
    // Every start of this run meets in a runtime folder of its own.
    QTemporaryDir runtime;
    if (!runtime.isValid())
        return 1;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QCoreApplication::setApplicationName(
        QStringLiteral("tst_singleinstanceapp-%1").arg(::getpid()));
    SingleInstanceApp guard(argc, argv, true, SingleInstanceApp::PerUser, 1000);
    if (recovery) {
        TestBlockRecovery test;
        return QTest::qExec(&test, argc, argv);
    }
    TestSingleInstanceApp test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_singleinstanceapp.moc"
