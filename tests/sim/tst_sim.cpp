#include "sim/client.h"
#include "sim/inproc.h"
#include "sim/normaldevice.h"
#include "sim/socketio.h"
#include "sim/updater/updaterframes.h"
#include "sim/wire.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <hidapi.h>

#include <dlfcn.h>
#include <future>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using Bytes = std::vector<uint8_t>;
using sim::inproc::bus;
using sim::inproc::control;
using sim::inproc::trace;

namespace
{

// "00 83 3F" -> bytes
Bytes hex(const char* text)
{
    Bytes out;
    for (const QByteArray& cell : QByteArray(text).split(' '))
        if (!cell.isEmpty())
            out.push_back(uint8_t(cell.toUInt(nullptr, 16)));
    return out;
}

std::string pathOf(uint16_t pid, uint16_t usagePage, uint16_t vid = 0x093A)
{
    std::string path;
    hid_device_info* list = hid_enumerate(vid, pid);
    for (hid_device_info* d = list; d; d = d->next)
        if (d->usage_page == usagePage)
            path = d->path;
    hid_free_enumeration(list);
    return path;
}

std::string mouseCmd()
{
    return pathOf(0xC791, 0xFF10);
}
std::string mouseEvent()
{
    return pathOf(0xC791, 0xFF11);
}

// One transfer on a freshly opened handle, as the app's transport does it.
int sendFeature(const std::string& path, const Bytes& frame)
{
    hid_device* dev = hid_open_path(path.c_str());
    if (!dev)
        return -100;
    const int r = hid_send_feature_report(dev, frame.data(), frame.size());
    hid_close(dev);
    return r;
}

int writeReport(const std::string& path, Bytes payload)
{
    payload.insert(payload.begin(), 0); // report number
    payload.resize(65, 0);
    hid_device* dev = hid_open_path(path.c_str());
    const int r = hid_write(dev, payload.data(), payload.size());
    hid_close(dev);
    return r;
}

// Reads one report on an open handle; the result code is the first element of the pair.
std::pair<int, Bytes> readFrom(hid_device* dev, int timeoutMs)
{
    Bytes buf(65, 0);
    const int r = hid_read_timeout(dev, buf.data(), buf.size(), timeoutMs);
    buf.resize(r > 0 ? size_t(r) : 0);
    return {r, buf};
}

// The same on a handle of its own.
std::pair<int, Bytes> readReport(const std::string& path, int timeoutMs = 500)
{
    hid_device* dev = hid_open_path(path.c_str());
    if (!dev)
        return {-100, {}};
    const std::pair<int, Bytes> report = readFrom(dev, timeoutMs);
    hid_close(dev);
    return report;
}

Bytes command(const std::string& path, const char* frame)
{
    if (sendFeature(path, hex(frame)) != 9)
        return {};
    return readReport(path).second;
}

Bytes memory(const char* device, const char* region)
{
    return bus().memory(device, region).value_or(Bytes());
}

Bytes slice(const Bytes& b, size_t from, size_t n)
{
    return Bytes(b.begin() + long(from), b.begin() + long(from + n));
}

// A stand-in updater-mode device: one interface; feature "00 AA" sends it home with release
// 0105 and records a byte that must survive the trip.
class FakeLoader : public sim::Personality
{
public:
    sim::UsbIdentity identity() const override
    {
        return {0x2E3C, 0xAF01, "", "loader", "", 0x0001};
    }
    std::vector<sim::InterfaceDesc> interfaces() const override { return {{0x00FF, 1, 0, "boot"}}; }
    int sendFeature(sim::DeviceHost& host, int, const uint8_t* data, size_t len) override
    {
        if (len > 1 && data[1] == 0xAA) {
            host.persistent()["flash"] = {0x42};
            host.returnHome(0x0105);
        }
        return int(len);
    }
    int getFeature(sim::DeviceHost&, int, uint8_t*, size_t) override { return -1; }
    int output(sim::DeviceHost&, int, const uint8_t*, size_t len) override { return int(len); }
    std::optional<Bytes> memory(const std::string&) const override { return std::nullopt; }
    std::vector<std::string> regions() const override { return {}; }
};

QString probe(const QStringList& args)
{
    QProcess p;
    p.start(SIM_PROBE, args);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

std::pair<int, QString> cli(const QStringList& args)
{
    QProcess p;
    p.start(SIM_CONTROL, args);
    p.waitForFinished(10000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError())};
}

sim::ControlResult daemon(const std::vector<std::string>& args)
{
    return sim::controlDaemon(args);
}

// Sends raw bytes to the daemon and reports whether a reply record came back.
bool rawExchange(int fd, const Bytes& bytes, Bytes* reply = nullptr)
{
    Bytes in;
    const bool ok = sim::io::sendAll(fd, bytes.data(), bytes.size()) && sim::io::recvRecord(fd, in);
    if (reply)
        *reply = in;
    return ok;
}

// A test image: counting bytes with the tag "QXVR", version big-endian and kind at offset 16.
Bytes taggedImage(size_t size, uint16_t version, char kind)
{
    Bytes image(size);
    for (size_t i = 0; i < size; ++i)
        image[i] = uint8_t(i * 7 + 3);
    const Bytes tag = {'Q', 'X', 'V', 'R', uint8_t(version >> 8), uint8_t(version), uint8_t(kind)};
    std::copy(tag.begin(), tag.end(), image.begin() + 16);
    return image;
}

// "bootloader 2E3C:AF01 ..." or "bootloader 093A:C791 release 0123 ...": who the device is now.
std::string identityOf(const char* name)
{
    const std::string state = control({"state", name}).text;
    return state.substr(0, state.find(" ("));
}

// The boot loader driven as the updater drives it: each command a 64-byte output report on a
// fresh handle, its answer read on the next.
class BootLoaderHost
{
public:
    explicit BootLoaderHost(Bytes image) : image(std::move(image))
    {
        this->image.resize((this->image.size() + 1023) / 1024 * 1024, 0xFF);
    }

    // Sends a command and returns its answer (empty when none comes).
    Bytes command(const Bytes& frame, int timeoutMs = 200)
    {
        writeReport(path(), frame);
        return readReport(path(), timeoutMs).second;
    }

    // One step: begin, end, finish, block:<address byte>, crc:<address byte>, data (one more
    // data frame), or a code in hex sent without the 5A prefix. Returns the answer (for a block,
    // the block address's), empty when none comes.
    Bytes step(const QString& word)
    {
        const uint8_t at = uint8_t(word.section(':', 1).toUInt(nullptr, 16));
        if (word == "begin")
            return command({0x5A, 0xA1});
        if (word == "end")
            return command({0x5A, 0xA4});
        if (word == "finish")
            return command({0x5A, 0xA6});
        if (word == "data") {
            writeReport(path(), {0x5A, 0xA3, 0, 57});
            return {};
        }
        if (word.startsWith("crc:"))
            return command({0x5A, 0xA5, 0, 0, at, 0, 0, 2});
        if (word.startsWith("block:"))
            return block(at);
        return command({0x00, uint8_t(word.toUInt(nullptr, 16))}, 0);
    }

    // The answer of each step, in order.
    std::vector<Bytes> run(const QString& script)
    {
        std::vector<Bytes> answers;
        for (const QString& word : script.split(' ', Qt::SkipEmptyParts))
            answers.push_back(step(word));
        return answers;
    }

    static std::string path() { return pathOf(0xAF01, 0x00FF, 0x2E3C); }

private:
    // A 1 KiB block at address byte `at`, taken from the image at the same offset from 0x6000
    // (from its start when the address lies below), in 18 frames.
    Bytes block(uint8_t at)
    {
        const Bytes answer = command({0x5A, 0xA2, 0x08, 0x00, at});
        const size_t from = at >= 0x60 ? size_t(at - 0x60) * 256 : 0;
        for (size_t sent = 0; sent < 1024;) {
            const size_t n = std::min<size_t>(57, 1024 - sent);
            Bytes frame = {0x5A, 0xA3, 0x00, uint8_t(n)};
            frame.insert(frame.end(), image.begin() + long(from + sent),
                         image.begin() + long(from + sent + n));
            writeReport(path(), frame);
            sent += n;
        }
        return answer;
    }

    Bytes image;
};

// One feature exchange as the updater makes it on the CH32 IAP and engine interfaces: the frame,
// then its 64-byte answer on the same handle (empty when none comes).
Bytes featureExchange(const std::string& path, Bytes frame)
{
    frame.resize(64, 0);
    hid_device* dev = hid_open_path(path.c_str());
    Bytes answer(64, 0);
    answer[0] = frame[0];
    const bool sent = dev && hid_send_feature_report(dev, frame.data(), frame.size()) == 64;
    const int received = sent ? hid_get_feature_report(dev, answer.data(), answer.size()) : -1;
    hid_close(dev);
    // As many bytes as the device answered.
    answer.resize(received > 0 ? size_t(received) : 0);
    return answer;
}

Bytes iapChunk(uint8_t code, const Bytes& image, size_t index)
{
    const size_t from = index * 59;
    const size_t n = std::min<size_t>(59, image.size() - from);
    Bytes frame = {4, code, uint8_t(n), uint8_t(from), uint8_t(from >> 8)};
    frame.insert(frame.end(), image.begin() + long(from), image.begin() + long(from + n));
    return frame;
}

// A CH32 IAP update as the updater drives it: erase, finish, w<i> / v<i> (write / verify the i-th
// 59-byte chunk). Returns each step's answer.
std::vector<Bytes> iapScript(const Bytes& image, const QString& script)
{
    std::vector<Bytes> answers;
    for (const QString& word : script.split(' ', Qt::SkipEmptyParts)) {
        const Bytes frame = word == "erase"    ? Bytes{4, 0x81, 2}
                            : word == "finish" ? Bytes{4, 0x83, 2}
                                               : iapChunk(word[0] == 'w' ? 0x80 : 0x82, image,
                                                          word.mid(1).toUInt());
        answers.push_back(featureExchange(pathOf(0xC799, 0xFF01), frame));
    }
    return answers;
}

// An engine update: begin (size and CRC of the whole image), d<i> (the i-th 50 bytes), end.
// Returns each step's answer.
std::vector<Bytes> engineScript(const Bytes& image, const QString& script)
{
    const uint32_t crc = sim::upd::crc32Mpeg2(image.data(), image.size());
    std::vector<Bytes> answers;
    for (const QString& word : script.split(' ', Qt::SkipEmptyParts)) {
        Bytes frame = {6, 0x12};
        if (word == "begin") {
            frame = {6,
                     0x10,
                     uint8_t(image.size()),
                     0,
                     0,
                     0,
                     uint8_t(crc),
                     uint8_t(crc >> 8),
                     uint8_t(crc >> 16),
                     uint8_t(crc >> 24)};
        } else if (word != "end") {
            const size_t at = word.mid(1).toUInt() * 50;
            frame = {6, 0x11, uint8_t(at), 0, 0, 0, 50};
            frame.insert(frame.end(), image.begin() + long(at), image.begin() + long(at + 50));
        }
        answers.push_back(featureExchange(pathOf(0xC791, 0xFF5E), frame));
    }
    return answers;
}

// An update on one of the three paths with its test image: "bootloader" (release 0123), "ch32"
// (0211) or "engine" (0160). Returns each step's answer.
std::vector<Bytes> updateScript(const QString& path, const QString& script)
{
    if (path == "bootloader")
        return BootLoaderHost(taggedImage(3000, 0x0123, 'B')).run(script);
    if (path == "ch32")
        return iapScript(taggedImage(150, 0x0211, 'C'), script);
    return engineScript(taggedImage(100, 0x0160, 'E'), script);
}

// Where the path writes its image.
const char* imageRegion(const QString& path)
{
    return path == "bootloader" ? "flash" : path == "ch32" ? "iap-flash" : "engine-image";
}

// Plugs a device of kind `name` afresh, with the step fault `plan` ("<step> <kind> [n]") if any.
bool plugPlanned(const std::string& name, const QString& plan)
{
    control({"unplug", name});
    if (control({"plug", name}).status != 0)
        return false;
    std::vector<std::string> words = {"do", name, "fault"};
    for (const QString& word : plan.split(' ', Qt::SkipEmptyParts))
        words.push_back(word.toStdString());
    return plan.isEmpty() || control(words).status == 0;
}

// The status byte of each feature answer (-1 for none).
std::vector<int> statuses(const std::vector<Bytes>& answers)
{
    std::vector<int> out;
    for (const Bytes& a : answers)
        out.push_back(a.size() > 1 ? a[1] : -1);
    return out;
}

} // namespace

class TestSim : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(socketDir.isValid());
        qputenv("QUILLEX_SIM_SOCKET", socketDir.filePath("sim.sock").toUtf8());
        QCOMPARE(QProcess::execute(SIM_CONTROL, {"serve", "--detach"}), 0);
        QCOMPARE(daemon({"ping"}).text, std::string("pong\n"));
    }

    void cleanupTestCase() { daemon({"stop"}); }

    void init()
    {
        sim::inproc::reset();
        QCOMPARE(control({"plug", "mouse"}).status, 0);
    }

    // --- Frames in, answers and state out -------------------------------------------------

    void readsAnswerWithTableBytes()
    {
        const Bytes t0 = command(mouseCmd(), "00 82 00 00 00 00 00 00 00");
        QCOMPARE(t0.size(), size_t(64));
        QCOMPARE(slice(t0, 0, 10), hex("82 01 01 01 FF 03 00 00 55 01"));

        const Bytes low = command(mouseCmd(), "00 83 00 3F 00 00 00 00 00");
        QCOMPARE(low[0], uint8_t(0x83));
        QCOMPARE(slice(low, 1, 4), hex("04 00 0A 05")); // key delay, flags, DPI count
        QCOMPARE(slice(low, 10, 10), hex("90 01 20 03 40 06 80 0C 00 19")); // 400 ... 6400

        const Bytes high = command(mouseCmd(), "00 83 3F 3F 00 00 00 00 00");
        QCOMPARE(high[0], uint8_t(0x83));
        // address 63 + k at index 1 + k: button slot 0 (address 76) at index 14
        QCOMPARE(slice(high, 14, 8), hex("F0 00 00 02 F1 00 00 02"));
        QCOMPARE(slice(high, 62, 2), hex("00 00")); // addresses 124, 125

        sendFeature(mouseCmd(), hex("00 03 7D 01 AB 00 00 00 00"));
        const Bytes past = command(mouseCmd(), "00 83 70 3F 00 00 00 00 00");
        QCOMPARE(slice(past, 0, 1), hex("83"));
        QCOMPARE(past[14], uint8_t(0xAB));           // address 125, the last one
        QCOMPARE(slice(past, 15, 49), Bytes(49, 0)); // nothing beyond
    }

    void writesApplyOnlyTheirLength()
    {
        const std::string cmd = mouseCmd();
        QCOMPARE(sendFeature(cmd, hex("00 03 0D 02 80 0C 00 00 00")), 9);
        QCOMPARE(slice(memory("mouse", "table1"), 12, 4), hex("03 80 0C 80"));
        QCOMPARE(slice(command(cmd, "00 83 00 3F 00 00 00 00 00"), 14, 2), hex("80 0C"));

        sendFeature(cmd, hex("00 02 02 01 04 09 09 09 00")); // one byte of four
        QCOMPARE(slice(memory("mouse", "table0"), 2, 2), hex("04 FF"));

        const Bytes before = memory("mouse", "table1");
        sendFeature(cmd, hex("00 03 00 00 11 00 00 00 00")); // length 0
        sendFeature(cmd, hex("00 03 00 05 11 11 11 11 00")); // length 5
        QCOMPARE(memory("mouse", "table1"), before);

        sendFeature(cmd, hex("00 03 7C 04 01 02 03 04 00")); // 124..127: two bytes land
        QCOMPARE(slice(memory("mouse", "table1"), 124, 2), hex("01 02"));
        QCOMPARE(memory("mouse", "table1").size(), size_t(126));

        sendFeature(cmd, hex("00 02 07 02 00 00 00 00 00")); // battery and validity stay
        QCOMPARE(slice(memory("mouse", "table0"), 7, 2), hex("55 01"));
    }

    void profilesHaveTheirOwnTable1AndMacros()
    {
        const std::string cmd = mouseCmd();
        sendFeature(cmd, hex("00 01 00 00 02 00 00 00 00"));
        QCOMPARE(memory("mouse", "profile"), hex("02"));
        sendFeature(cmd, hex("00 03 00 01 1E 00 00 00 00"));
        QCOMPARE(memory("mouse", "table1.2")[0], uint8_t(30));
        QCOMPARE(memory("mouse", "table1.0")[0], uint8_t(4));
        sendFeature(cmd, hex("00 01 00 00 03 00 00 00 00")); // no profile 3
        QCOMPARE(memory("mouse", "profile"), hex("02"));
    }

    void macroUploadTakesDeclaredLength_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("reports");
        QTest::newRow("20") << 20 << 1;
        QTest::newRow("64") << 64 << 1;
        QTest::newRow("130") << 130 << 3;
        QTest::newRow("256") << 256 << 4;
    }

    void macroUploadTakesDeclaredLength()
    {
        QFETCH(int, length);
        QFETCH(int, reports);
        const std::string cmd = mouseCmd();
        Bytes macro(256);
        for (size_t i = 0; i < macro.size(); ++i)
            macro[i] = uint8_t(i + 1);
        QCOMPARE(sendFeature(cmd, {0, 0x04, 3, uint8_t(length), uint8_t(length >> 8), 0, 0, 0, 0}),
                 9);
        for (int r = 0; r < reports; ++r)
            QCOMPARE(writeReport(cmd, slice(macro, size_t(64 * r), 64)), 65);
        QCOMPARE(memory("mouse", "macro.0.3"), slice(macro, 0, size_t(length)));
        writeReport(cmd, Bytes(64, 0xEE)); // nobody waits for it
        QCOMPARE(memory("mouse", "macro.0.3"), slice(macro, 0, size_t(length)));
    }

    void unfinishedOrInvalidUploadsChangeNothing()
    {
        const std::string cmd = mouseCmd();
        sendFeature(cmd, hex("00 04 01 82 00 00 00 00 00")); // 130 bytes announced
        writeReport(cmd, Bytes(64, 1));
        sendFeature(cmd, hex("00 82 00 00 00 00 00 00 00")); // a new command abandons it
        writeReport(cmd, Bytes(64, 2));
        writeReport(cmd, Bytes(64, 3));
        QVERIFY(memory("mouse", "macro.0.1").empty());
        sendFeature(cmd, hex("00 04 0A 10 00 00 00 00 00")); // there is no macro 10
        writeReport(cmd, Bytes(64, 4));
        QVERIFY(!control({"state", "mouse"}).text.empty());
        QVERIFY(control({"state", "mouse"}).text.find("macro.") == std::string::npos);
    }

    void pairingBlockAndPairingMode()
    {
        QCOMPARE(control({"plug", "receiver8k"}).status, 0);
        const std::string mouse = mouseCmd();
        const std::string receiver = pathOf(0xC793, 0xFF10);
        const Bytes block = command(mouse, "00 8E 00 00 00 00 00 00 00");
        QCOMPARE(slice(block, 0, 6), hex("8E 5A 3C 91 07 E4"));

        QCOMPARE(sendFeature(receiver, hex("00 0E 00 00 00 00 00 00 00")), 9);
        Bytes payload = slice(block, 1, 63);
        payload.push_back(0);
        QCOMPARE(writeReport(receiver, payload), 65);
        QCOMPARE(memory("receiver8k", "pairing"), payload);

        auto status = [&] {
            sendFeature(receiver, hex("00 9E 00 00 00 00 00 00 00"));
            hid_device* dev = hid_open_path(receiver.c_str());
            Bytes answer(9, 0);
            const int n = hid_get_feature_report(dev, answer.data(), answer.size());
            hid_close(dev);
            return n == 9 ? answer : Bytes();
        };
        QCOMPARE(status(), hex("00 9E 00 00 00 00 00 00 00"));
        sendFeature(receiver, hex("00 1E 00 00 01 00 00 00 00"));
        QCOMPARE(status()[2], uint8_t(0));
        QCOMPARE(status()[2], uint8_t(0));
        QCOMPARE(status(), hex("00 9E 01 00 00 00 00 00 00"));
        sendFeature(receiver, hex("00 1E 00 00 0F 00 00 00 00"));
        QCOMPARE(status()[2], uint8_t(0));
    }

    void settingsResetRestoresDefaults()
    {
        const std::string cmd = mouseCmd();
        const Bytes t0 = memory("mouse", "table0");
        const Bytes t1 = memory("mouse", "table1");
        sendFeature(cmd, hex("00 02 00 04 08 03 00 07 00"));
        sendFeature(cmd, hex("00 03 09 02 C8 00 00 00 00"));
        control({"notify", "mouse", "11", "30", "00", "00"});
        sendFeature(cmd, hex("00 0A FF 00 00 00 00 00 00"));
        QCOMPARE(memory("mouse", "table1"), t1);
        QCOMPARE(slice(memory("mouse", "table0"), 0, 7), slice(t0, 0, 7));
        QCOMPARE(memory("mouse", "table0")[7], uint8_t(0x30)); // battery is measured, not reset
    }

    void foreignAndMalformedReportsAreIgnored()
    {
        const std::string cmd = mouseCmd();
        const Bytes t0 = memory("mouse", "table0");
        const Bytes t1 = memory("mouse", "table1");
        for (uint8_t code : {0x00, 0x05, 0x7F, 0x84, 0xC3, 0xFF})
            QCOMPARE(sendFeature(cmd, {0, code, 0, 4, 1, 2, 3, 4, 0}), 9);
        QCOMPARE(sendFeature(cmd, hex("00")), -1);                         // no command byte
        QCOMPARE(sendFeature(cmd, hex("05 02 00 01 09 00 00 00 00")), -1); // no numbered reports
        QCOMPARE(sendFeature(mouseEvent(), hex("00 02 00 01 09 00 00 00 00")), -1);
        QCOMPARE(readReport(cmd, 0).first, 0); // nothing answered
        // Random reports of any size never crash the model or grow its tables.
        uint32_t seed = 7;
        auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
        for (int i = 0; i < 3000; ++i) {
            Bytes report(next() % 80 + 1);
            for (uint8_t& b : report)
                b = uint8_t(next() >> 16);
            report[0] = i % 7 ? 0 : report[0];
            hid_device* dev = hid_open_path(cmd.c_str());
            if (i % 2)
                hid_send_feature_report(dev, report.data(), report.size());
            else
                hid_write(dev, report.data(), report.size());
            hid_close(dev);
        }
        QCOMPARE(memory("mouse", "table0").size(), t0.size());
        QCOMPARE(memory("mouse", "table1").size(), t1.size());
    }

    // --- Input queues: per open handle, one report held by the device ----------------------

    void notificationsReachEveryOpenHandleOrWaitInTheDevice()
    {
        const std::string ev = mouseEvent();
        hid_device* first = hid_open_path(ev.c_str());
        hid_device* second = hid_open_path(ev.c_str());
        control({"notify", "mouse", "0B", "02", "00", "00"});
        control({"notify", "mouse", "11", "78", "00", "00"});
        control({"notify", "mouse", "F0", "00", "81", "00"});
        control({"notify", "mouse", "0A", "01", "03", "00"});
        for (hid_device* dev : {first, second}) {
            QCOMPARE(readFrom(dev, 0), std::make_pair(5, hex("01 0B 02 00 00")));
            QCOMPARE(readFrom(dev, 0), std::make_pair(5, hex("01 11 78 00 00")));
            QCOMPARE(readFrom(dev, 0), std::make_pair(5, hex("01 F0 00 81 00")));
            QCOMPARE(readFrom(dev, 0), std::make_pair(5, hex("01 0A 01 03 00")));
            QCOMPARE(readFrom(dev, 0).first, 0);
        }
        QCOMPARE(slice(memory("mouse", "table0"), 0, 8), hex("81 02 01 FF 03 03 00 78"));

        control({"notify", "mouse", "0F", "01", "00", "00"});
        hid_close(second); // its unread copy goes with it
        hid_close(first);
        QCOMPARE(readReport(ev, 0).first, 0);

        // With nobody listening the endpoint holds the newest report only.
        control({"notify", "mouse", "0F", "02", "00", "00"});
        control({"notify", "mouse", "0F", "03", "00", "00"});
        QCOMPARE(readReport(ev, 0), std::make_pair(5, hex("01 0F 03 00 00")));
        QCOMPARE(readReport(ev, 0).first, 0);
        QCOMPARE(readReport(mouseCmd(), 0).first, 0); // nothing on the command interface
        QCOMPARE(control({"notify", "mouse", "1G", "0", "0", "0"}).status, 1);

        // An unread queue is bounded: what does not fit is lost.
        first = hid_open_path(ev.c_str());
        for (int i = 0; i < 70; ++i)
            bus().notify("mouse", {0x0F, uint8_t(i), 0, 0});
        int kept = 0;
        std::pair<int, Bytes> last;
        for (auto r = readFrom(first, 0); r.first > 0; r = readFrom(first, 0), ++kept)
            last = r;
        hid_close(first);
        QCOMPARE(kept, 64);
        QCOMPARE(last.second, hex("01 0F 3F 00 00"));
    }

    void answersWaitInTheDeviceUntilAHandleOpensOrReads()
    {
        const std::string cmd = mouseCmd();
        const Bytes query = hex("00 82 00 00 00 00 00 00 00");
        hid_device* listener = hid_open_path(cmd.c_str());
        // The device link's pattern: send on one handle, close it, read on a fresh one.
        QCOMPARE(sendFeature(cmd, query), 9);
        const std::pair<int, Bytes> answer = readReport(cmd, 0);
        QCOMPARE(answer.first, 64);
        QCOMPARE(slice(answer.second, 0, 2), hex("82 01"));
        QCOMPARE(readFrom(listener, 0), answer); // every open handle got its copy

        // An answer nobody read stays pending and is what the next handle reads first: a host
        // that does not check the echo takes it for the answer to its own command.
        hid_close(listener);
        sendFeature(cmd, query);
        hid_device* dev = hid_open_path(cmd.c_str());
        const Bytes table1 = hex("00 83 00 3F 00 00 00 00 00");
        QCOMPARE(hid_send_feature_report(dev, table1.data(), table1.size()), 9);
        QCOMPARE(readFrom(dev, 0).second[0], uint8_t(0x82));
        QCOMPARE(readFrom(dev, 0).second[0], uint8_t(0x83));
        hid_close(dev);

        // The endpoint holds one answer: the newer replaces it.
        sendFeature(cmd, query);
        sendFeature(cmd, table1);
        QCOMPARE(readReport(cmd, 0).second[0], uint8_t(0x83));
        QCOMPARE(readReport(cmd, 0).first, 0);

        // A read already waiting takes an answer produced meanwhile on another handle.
        hid_device* waiter = hid_open_path(cmd.c_str());
        auto waiting = std::async(std::launch::async, [waiter] { return readFrom(waiter, 5000); });
        QCOMPARE(sendFeature(cmd, query), 9);
        QCOMPARE(waiting.get().second, answer.second);
        hid_close(waiter);
    }

    void waitingReadWakesOnNotificationAndFailsOnUnplug()
    {
        const std::string ev = mouseEvent();
        QElapsedTimer clock;
        clock.start();
        auto waiting = std::async(std::launch::async, [ev] { return readReport(ev, 5000); });
        auto opened = [] {
            const auto entries = trace().snapshot();
            return std::any_of(entries.begin(), entries.end(),
                               [](const sim::TraceEntry& e) { return e.op == "open"; });
        };
        QTRY_VERIFY(opened());
        control({"notify", "mouse", "0B", "01", "00", "00"});
        QCOMPARE(waiting.get(), std::make_pair(5, hex("01 0B 01 00 00")));
        QVERIFY(clock.elapsed() < 4000);

        hid_device* dev = hid_open_path(ev.c_str());
        auto gone = std::async(std::launch::async, [dev] {
            uint8_t buf[64];
            return hid_read_timeout(dev, buf, sizeof buf, -1);
        });
        control({"unplug", "mouse"});
        QCOMPARE(gone.get(), -1);
        hid_close(dev);
        QVERIFY(mouseCmd().empty());
    }

    // --- Faults -----------------------------------------------------------------------------

    void transferFaultsFailTheirCall()
    {
        const std::string cmd = mouseCmd();
        QCOMPARE(control({"fault", "mouse", "open"}).status, 0);
        QVERIFY(!hid_open_path(cmd.c_str()));
        control({"fault", "mouse", "open", "off"});
        control({"fault", "mouse", "send"});
        QCOMPARE(sendFeature(cmd, hex("00 82 00 00 00 00 00 00 00")), -1);
        control({"fault", "mouse", "clear"});
        control({"fault", "mouse", "write"});
        QCOMPARE(writeReport(cmd, Bytes(64, 0)), -1);
        control({"fault", "mouse", "read"});
        QCOMPARE(readReport(cmd, 0).first, -1);
        control({"fault", "mouse", "get"});
        hid_device* dev = hid_open_path(cmd.c_str());
        uint8_t answer[9] = {};
        QCOMPARE(hid_get_feature_report(dev, answer, sizeof answer), -1);
        QVERIFY(QString::fromWCharArray(hid_error(dev)) != "Success");
        hid_close(dev);
        control({"fault", "mouse", "clear"});
        QCOMPARE(command(cmd, "00 82 00 00 00 00 00 00 00").size(), size_t(64));
        QCOMPARE(control({"fault", "mouse", "sideways"}).status, 1);
        QCOMPARE(control({"fault", "mouse", "disconnect-after", "x"}).status, 1);
        QCOMPARE(control({"fault", "nobody", "open"}).status, 1);
    }

    void noAnswerTimesOutAndGarbageKeepsLength()
    {
        const std::string cmd = mouseCmd();
        control({"fault", "mouse", "no-answer"});
        QCOMPARE(sendFeature(cmd, hex("00 82 00 00 00 00 00 00 00")), 9);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(readReport(cmd, 50).first, 0);
        QVERIFY(clock.elapsed() >= 45); // a real time-out, as hidapi would wait
        hid_device* dev = hid_open_path(cmd.c_str());
        uint8_t answer[9] = {};
        QCOMPARE(hid_get_feature_report(dev, answer, sizeof answer), -1);
        hid_close(dev);

        control({"fault", "mouse", "no-answer", "instant"});
        sendFeature(cmd, hex("00 82 00 00 00 00 00 00 00"));
        clock.restart();
        QCOMPARE(readReport(cmd, 5000).first, 0);
        QVERIFY(clock.elapsed() < 2000);

        control({"fault", "mouse", "clear"});
        const Bytes good = command(cmd, "00 82 00 00 00 00 00 00 00");
        control({"fault", "mouse", "garbage"});
        const Bytes bad = command(cmd, "00 82 00 00 00 00 00 00 00");
        QCOMPARE(bad.size(), good.size());
        QVERIFY(bad != good);
    }

    void disconnectAfterTransfers()
    {
        const std::string cmd = mouseCmd();
        const int changeFd = quillex_sim_change_fd();
        uint64_t drained;
        while (read(changeFd, &drained, sizeof drained) > 0) {
        }
        control({"fault", "mouse", "disconnect-after", "2"});
        QCOMPARE(readReport(mouseEvent(), 0).first, 0); // a time-out is no transfer
        hid_device* dev = hid_open_path(cmd.c_str());
        const Bytes frame = hex("00 82 00 00 00 00 00 00 00");
        QCOMPARE(hid_send_feature_report(dev, frame.data(), frame.size()), 9);
        uint8_t buf[65];
        QCOMPARE(hid_read_timeout(dev, buf, sizeof buf, 100), 64);
        QCOMPARE(hid_send_feature_report(dev, frame.data(), frame.size()), -1);
        hid_close(dev);
        QVERIFY(mouseCmd().empty());
        pollfd p = {changeFd, POLLIN, 0};
        QCOMPARE(poll(&p, 1, 0), 1); // the unplug is announced
    }

    void missingInterfacesLeaveEnumeration()
    {
        const std::string oldEvent = mouseEvent();
        control({"fault", "mouse", "no-event"});
        QVERIFY(mouseEvent().empty());
        QVERIFY(!mouseCmd().empty());
        QVERIFY(!hid_open_path(oldEvent.c_str()));
        control({"fault", "mouse", "no-event", "off"});
        control({"fault", "mouse", "no-command"});
        QVERIFY(mouseCmd().empty());
        QVERIFY(!mouseEvent().empty());
        QVERIFY(control({"state", "mouse"}).text.find("no-command") != std::string::npos);
    }

    // --- Re-enumeration ---------------------------------------------------------------------

    void deviceReenumeratesAsAnotherPersonalityAndComesBack()
    {
        sim::normalCommandHooks()[0x1F] = [](sim::DeviceHost& host, sim::NormalDevice&,
                                             const sim::CommandFrame&) {
            host.reenumerateAs(std::make_unique<FakeLoader>());
        };
        const std::string cmd = mouseCmd();
        sendFeature(cmd, hex("00 03 00 01 09 00 00 00 00"));
        const uint64_t before = bus().changeCount();
        QCOMPARE(sendFeature(cmd, hex("00 1F 5A A0 00 00 00 00 00")), 9);
        sim::normalCommandHooks().erase(0x1F);
        QVERIFY(bus().changeCount() > before);
        QVERIFY(mouseCmd().empty());
        const std::string boot = pathOf(0xAF01, 0x00FF, 0x2E3C);
        hid_device_info* list = hid_enumerate(0x2E3C, 0xAF01);
        QVERIFY(list);
        QCOMPARE(list->release_number, uint16_t(0x0001));
        hid_free_enumeration(list);

        QCOMPARE(sendFeature(boot, hex("00 AA")), 2);
        QVERIFY(pathOf(0xAF01, 0x00FF, 0x2E3C).empty());
        list = hid_enumerate(0x093A, 0xC791);
        QVERIFY(list);
        QCOMPARE(list->release_number, uint16_t(0x0105));
        hid_free_enumeration(list);
        QVERIFY(mouseCmd() != cmd);                         // a new node, like a replugged device
        QCOMPARE(memory("mouse", "table1")[0], uint8_t(9)); // state survived
        QCOMPARE(memory("mouse", "flash"), hex("42"));
    }

    // --- Updater modes ------------------------------------------------------------------------

    void bootLoaderStartsOnlyAWholeCheckedImage_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("starts");
        const QString blocks = "begin block:60 block:64 block:68 ";
        const QString whole = blocks + "end crc:60 crc:68 finish";
        QTest::newRow("whole and checked") << whole << "B" << true;
        QTest::newRow("a block rewritten after a failed check")
            << blocks + "end crc:60 crc:68 block:64 end crc:60 finish"
            << "B" << true;
        QTest::newRow("CH32 image") << whole << "C" << false;
        QTest::newRow("engine image") << whole << "E" << false;
        QTest::newRow("untagged image") << whole << "-" << false;
        QTest::newRow("last span unchecked") << blocks + "end crc:60 finish"
                                             << "B" << false;
        QTest::newRow("checked before written")
            << "begin block:60 block:64 crc:60 crc:68 block:68 end finish"
            << "B" << false;
        QTest::newRow("no data end") << blocks + "crc:60 crc:68 finish"
                                     << "B" << false;
        QTest::newRow("data after data end") << blocks + "end data crc:60 crc:68 finish"
                                             << "B" << false;
        QTest::newRow("data end without prefix") << blocks + "A4 crc:60 crc:68 finish"
                                                 << "B" << false;
        QTest::newRow("a gap") << "begin block:60 block:68 end crc:60 crc:68 finish"
                               << "B" << false;
        QTest::newRow("no data begin") << "block:60 block:64 block:68 end crc:60 crc:68 finish"
                                       << "B" << false;
    }

    void bootLoaderStartsOnlyAWholeCheckedImage()
    {
        QFETCH(QString, script);
        QFETCH(QString, kind);
        QFETCH(bool, starts);
        control({"plug", "bootloader"});
        Bytes image = taggedImage(3000, 0x0123, kind.toLatin1()[0]);
        if (kind == "-")
            image[16] = 'q';
        BootLoaderHost(image).run(script);
        QCOMPARE(identityOf("bootloader"), starts
                                               ? std::string("bootloader 093A:C791 release 0123")
                                               : std::string("bootloader 2E3C:AF01 release 0001"));
    }

    void bootLoaderCommandsAndItsBootArea()
    {
        control({"plug", "bootloader"});
        const Bytes image = taggedImage(3000, 0x0123, 'B');
        BootLoaderHost host(image);
        QCOMPARE(slice(host.command({0x5A, 0xA7, 0x00, 0x00}), 0, 4), hex("5A A7 FF 00"));
        QVERIFY(host.command({0x00, 0xA7}, 0).empty()); // no prefix: ignored
        host.run("begin block:60 block:64 end");
        QCOMPARE(slice(memory("bootloader", "flash"), 0x6000, 2048), slice(image, 0, 2048));
        host.run("A1");
        QCOMPARE(slice(memory("bootloader", "flash"), 0x6000, 2048), slice(image, 0, 2048));
        const Bytes crc = host.command({0x5A, 0xA5, 0, 0, 0x60, 0, 0, 2});
        const uint32_t expected = sim::upd::crc32Mpeg2(image.data(), 2048);
        QCOMPARE(slice(crc, 0, 8),
                 (Bytes{0x5A, 0xA5, 0xFF, 0, uint8_t(expected >> 24), uint8_t(expected >> 16),
                        uint8_t(expected >> 8), uint8_t(expected)}));
        control({"do", "bootloader", "fault", "crc", "crc"}); // the next CRC answer is off
        QVERIFY(host.command({0x5A, 0xA5, 0, 0, 0x60, 0, 0, 2}) != crc);
        QCOMPARE(host.command({0x5A, 0xA5, 0, 0, 0x60, 0, 0, 2}), crc);

        host.run("begin"); // erases the application area, nothing below it
        const Bytes flash = memory("bootloader", "flash");
        QCOMPARE(slice(flash, 0x6000, 0xA000), Bytes(0xA000, 0xFF));

        // A block address that wrapped to 00 overwrites the boot loader: from then on no image
        // starts, across restarts.
        host.run("block:00 end finish");
        QVERIFY(!memory("bootloader", "boot-area-damaged").empty());
        for (int attempt = 0; attempt < 2; ++attempt) {
            BootLoaderHost(image).run("begin block:60 block:64 block:68 end crc:60 crc:68 finish");
            QCOMPARE(identityOf("bootloader"), std::string("bootloader 2E3C:AF01 release 0001"));
        }

        control({"do", "bootloader", "fault", "finish", "never-back"});
        host.run("finish");
        QVERIFY(BootLoaderHost::path().empty());
        QCOMPARE(pathOf(0xC791, 0xFF10).rfind("sim/mouse/", 0), size_t(0)); // init()'s only
    }

    void ch32StartsOnlyAWholeVerifiedImage_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("starts");
        QTest::newRow("whole and verified") << "erase w0 w1 w2 v0 v1 v2 finish"
                                            << "C" << true;
        QTest::newRow("each chunk verified at once") << "erase w0 v0 w1 v1 w2 v2 finish"
                                                     << "C" << true;
        QTest::newRow("boot-loader image") << "erase w0 w1 w2 v0 v1 v2 finish"
                                           << "B" << false;
        QTest::newRow("no erase") << "w0 w1 w2 v0 v1 v2 finish"
                                  << "C" << false;
        QTest::newRow("a chunk unverified") << "erase w0 w1 w2 v0 v2 finish"
                                            << "C" << false;
        QTest::newRow("a gap") << "erase w0 w2 v0 v2 finish"
                               << "C" << false;
        QTest::newRow("written again after its verify") << "erase w0 w1 w2 v0 v1 v2 w1 finish"
                                                        << "C" << false;
        QTest::newRow("erased after writing") << "erase w0 w1 w2 v0 v1 v2 erase finish"
                                              << "C" << false;
    }

    void ch32StartsOnlyAWholeVerifiedImage()
    {
        QFETCH(QString, script);
        QFETCH(QString, kind);
        QFETCH(bool, starts);
        control({"plug", "ch32iap"});
        const std::vector<Bytes> answers =
            iapScript(taggedImage(150, 0x0211, kind.toLatin1()[0]), script);
        const QStringList words = script.split(' ');
        for (int i = 0; i < words.size(); ++i)
            if (words[i] == "erase" || words[i] == "finish")
                QCOMPARE(statuses(answers)[size_t(i)], 0);
        QCOMPARE(identityOf("ch32iap"), starts ? std::string("ch32iap 093A:C791 release 0211")
                                               : std::string("ch32iap 093A:C799 release 0001"));
    }

    void engineTakesOnlyEngineImages_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("release");
        QTest::newRow("engine image") << "E" << 0 << "0160";
        QTest::newRow("boot-loader image") << "B" << 1 << "0104";
        QTest::newRow("untagged image") << "-" << 1 << "0104";
    }

    void engineTakesOnlyEngineImages()
    {
        QFETCH(QString, kind);
        QFETCH(int, status);
        QFETCH(QString, release);
        control({"plug", "fw-mouse"});
        Bytes image = taggedImage(100, 0x0160, kind.toLatin1()[0]);
        if (kind == "-")
            image[16] = 'q';
        QCOMPARE(statuses(engineScript(image, "begin d0 d1 end")),
                 (std::vector<int>{0, 0, 0, status}));
        QCOMPARE(QString::fromStdString(identityOf("fw-mouse")),
                 "fw-mouse 093A:C791 release " + release);
    }

    // --- Faults planned at an update step, power loss ---------------------------------------

    void updateStepFaultsStrikeTheirStepOnly_data()
    {
        QTest::addColumn<QString>("kind"); // what is plugged
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("plan"); // do <kind> fault <plan>
        QTest::addColumn<int>("struck");   // the script step it strikes
        const QString boot = "begin block:60 block:64 block:68 end crc:60 crc:68 finish";
        const QString iap = "erase w0 w1 w2 v0 v1 v2 finish";
        const QString engine = "begin d0 d1 end";
        QTest::newRow("boot loader data-begin, wrong status")
            << "bootloader"
            << "bootloader" << boot << "begin wrong-status" << 0;
        QTest::newRow("boot loader data-end, wrong status")
            << "bootloader"
            << "bootloader" << boot << "end wrong-status" << 4;
        QTest::newRow("boot loader second block address, garbage")
            << "bootloader"
            << "bootloader" << boot << "block garbage 2" << 2;
        QTest::newRow("boot loader first CRC, garbage")
            << "bootloader"
            << "bootloader" << boot << "crc garbage" << 5;
        QTest::newRow("CH32 third verify, wrong status")
            << "ch32iap"
            << "ch32" << iap << "verify wrong-status 3" << 6;
        QTest::newRow("CH32 finish, wrong status")
            << "ch32iap"
            << "ch32" << iap << "iap-finish wrong-status" << 7;
        QTest::newRow("CH32 second write, garbage") << "ch32iap"
                                                    << "ch32" << iap << "write garbage 2" << 2;
        QTest::newRow("engine end, wrong status")
            << "fw-mouse"
            << "engine" << engine << "es-end wrong-status" << 3;
        QTest::newRow("engine first data, garbage") << "fw-mouse"
                                                    << "engine" << engine << "es-data garbage" << 1;
        QTest::newRow("boot loader first CRC, short") << "bootloader"
                                                      << "bootloader" << boot << "crc short" << 5;
        QTest::newRow("CH32 second write, short") << "ch32iap"
                                                  << "ch32" << iap << "write short 2" << 2;
        QTest::newRow("engine end, short") << "fw-mouse"
                                           << "engine" << engine << "es-end short" << 3;
    }

    void updateStepFaultsStrikeTheirStepOnly()
    {
        QFETCH(QString, kind);
        QFETCH(QString, path);
        QFETCH(QString, script);
        QFETCH(QString, plan);
        QFETCH(int, struck);
        const std::string name = kind.toStdString();
        struct Outcome {
            std::vector<Bytes> answers;
            std::string state; // identity and the image region's bytes
        };
        auto update = [&] {
            const std::vector<Bytes> answers = updateScript(path, script);
            const Bytes image = memory(name.c_str(), imageRegion(path));
            return Outcome{answers,
                           identityOf(name.c_str()) + std::string(image.begin(), image.end())};
        };
        QVERIFY(plugPlanned(name, ""));
        const Outcome normal = update();
        QVERIFY(plugPlanned(name, plan));
        const Outcome faulted = update();

        QCOMPARE(faulted.answers.size(), normal.answers.size());
        for (size_t i = 0; i < normal.answers.size(); ++i)
            if (i != size_t(struck))
                QVERIFY2(faulted.answers[i] == normal.answers[i], qPrintable(QString::number(i)));
        const Bytes& usual = normal.answers[size_t(struck)];
        const Bytes& got = faulted.answers[size_t(struck)];
        QCOMPARE(usual.size(), size_t(64));

        if (plan.section(' ', 1, 1) == "garbage") {
            // Carried out; only the answer's bytes are others, a feature answer's report number
            // excepted.
            QCOMPARE(got.size(), usual.size());
            QVERIFY(got != usual);
            if (path != "bootloader")
                QCOMPARE(got[0], usual[0]);
            QVERIFY(faulted.state == normal.state);
            return;
        }
        if (plan.section(' ', 1, 1) == "short") {
            // Carried out; the answer holds its first byte alone.
            QCOMPARE(got, Bytes(usual.begin(), usual.begin() + 1));
            QVERIFY(faulted.state == normal.state);
            return;
        }
        // The usual answer but for the status byte (byte 2 of a boot-loader answer, 1 of a feature
        // answer), which reads 7F.
        Bytes expected = usual;
        expected[path == "bootloader" ? 2 : 1] = 0x7F;
        QCOMPARE(got, expected);
        QVERIFY(faulted.state != normal.state);
        // Once only: the same update again goes as without the fault.
        const Outcome again = update();
        QCOMPARE(again.answers, normal.answers);
        QVERIFY(again.state == normal.state);
        // The device was left as a refusal leaves it.
        QVERIFY(plugPlanned(name, QString(plan).replace("wrong-status", "status")));
        QVERIFY(update().state == faulted.state);
    }

    void powerLossStartsWhatTheFlashHolds_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("script"); // run before the power goes
        QTest::addColumn<QString>("comesBack");
        const QString firmware = "dev 093A:C791 release 0104";
        const QString bootLoader = "dev 2E3C:AF01 release 0001";
        const QString iap = "dev 093A:C799 release 0001";
        const QString blocks = "begin block:60 block:64 block:68 end crc:60 crc:68";
        QTest::newRow("boot loader entered") << "bootloader"
                                             << "" << firmware;

        QTest::newRow("boot loader mid-image") << "bootloader"
                                               << "begin block:60" << bootLoader;
        QTest::newRow("boot loader, whole image not finished")
            << "bootloader" << blocks << bootLoader;
        QTest::newRow("boot loader finished") << "bootloader" << blocks + " finish"
                                              << "dev 093A:C791 release 0123";
        QTest::newRow("CH32 entered") << "ch32"
                                      << "" << firmware;
        QTest::newRow("CH32 mid-image") << "ch32"
                                        << "erase w0" << iap;
        QTest::newRow("CH32, whole image not finished") << "ch32"
                                                        << "erase w0 w1 w2 v0 v1 v2" << iap;
        QTest::newRow("CH32 finished") << "ch32"
                                       << "erase w0 w1 w2 v0 v1 v2 finish"
                                       << "dev 093A:C791 release 0211";
        QTest::newRow("engine mid-image") << "engine"
                                          << "begin d0" << firmware;
        QTest::newRow("engine image accepted") << "engine"
                                               << "begin d0 d1 end"
                                               << "dev 093A:C791 release 0160";
    }

    void powerLossStartsWhatTheFlashHolds()
    {
        QFETCH(QString, path);
        QFETCH(QString, script);
        QFETCH(QString, comesBack);
        control({"unplug", "mouse"});
        control({"plug", "fw-mouse", "dev"});
        if (path != "engine") {
            QCOMPARE(control({"do", "dev", "updater-mode", path.toStdString()}).status, 0);
            QCOMPARE(sendFeature(mouseCmd(), hex("00 1F 5A A0 00 00 00 00 00")), 9);
        }
        updateScript(path, script);
        const Bytes written = memory("dev", imageRegion(path));
        QCOMPARE(control({"fault", "dev", "power-loss-after", "0"}).status, 0);
        QCOMPARE(QString::fromStdString(identityOf("dev")), comesBack);
        QCOMPARE(memory("dev", imageRegion(path)), written);
        // The session went with the power: a finish now starts nothing.
        updateScript(path, "finish");
        QCOMPARE(QString::fromStdString(identityOf("dev")), comesBack);
    }

    void powerLossCutsTheHostOffMidImage()
    {
        control({"unplug", "mouse"});
        control({"plug", "fw-mouse", "dev"});
        QCOMPARE(sendFeature(mouseCmd(), hex("00 1F 5A A0 00 00 00 00 00")), 9);
        const Bytes image = taggedImage(3000, 0x0123, 'B');
        BootLoaderHost(image).run("begin block:60");
        const std::string before = BootLoaderHost::path();
        const int changeFd = quillex_sim_change_fd();
        uint64_t drained;
        while (read(changeFd, &drained, sizeof drained) > 0) {
        }

        // Three transfers: the block address (its answer left unread) and two data frames.
        QCOMPARE(control({"fault", "dev", "power-loss-after", "3"}).status, 0);
        hid_device* dev = hid_open_path(before.c_str());
        auto send = [dev](Bytes report) {
            report.insert(report.begin(), 0);
            report.resize(65, 0);
            return hid_write(dev, report.data(), report.size());
        };
        QCOMPARE(send({0x5A, 0xA2, 0x08, 0x00, 0x64}), 65);
        for (size_t frame = 0; frame < 3; ++frame) {
            Bytes data = {0x5A, 0xA3, 0x00, 57};
            const long from = long(1024 + frame * 57);
            data.insert(data.end(), image.begin() + from, image.begin() + from + 57);
            QCOMPARE(send(data), frame < 2 ? 65 : -1); // the third meets a device gone
        }
        QCOMPARE(readFrom(dev, 0).first, -1);
        hid_close(dev);
        QVERIFY(!hid_open_path(before.c_str()));
        pollfd p = {changeFd, POLLIN, 0};
        QCOMPARE(poll(&p, 1, 0), 1);

        // Back at once under a new path, in the boot loader: the application was half written.
        const std::string after = BootLoaderHost::path();
        QVERIFY(!after.empty() && after != before);
        QCOMPARE(identityOf("dev"), std::string("dev 2E3C:AF01 release 0001"));
        QCOMPARE(readReport(after, 0).first, 0); // the unread answer was lost with the power
        const Bytes flash = memory("dev", "flash");
        const size_t kept = 1024 + 2 * 57;
        QCOMPARE(slice(flash, 0x6000, kept), slice(image, 0, kept));
        QCOMPARE(slice(flash, 0x6000 + kept, 0xA000 - kept), Bytes(0xA000 - kept, 0xFF));

        // Without a new data-begin the session is gone; with one, the update completes.
        BootLoaderHost(image).run("block:64 block:68 end crc:60 crc:68 finish");
        QCOMPARE(identityOf("dev"), std::string("dev 2E3C:AF01 release 0001"));
        BootLoaderHost(image).run("begin block:60 block:64 block:68 end crc:60 crc:68 finish");
        QCOMPARE(identityOf("dev"), std::string("dev 093A:C791 release 0123"));
    }

    void powerLossKeepsTheMouseSettingsOnly()
    {
        const std::string cmd = mouseCmd();
        QCOMPARE(sendFeature(cmd, hex("00 03 00 01 09 00 00 00 00")), 9);
        QCOMPARE(sendFeature(cmd, hex("00 04 02 40 00 00 00 00 00")), 9); // macro 2 awaits 64 bytes
        QCOMPARE(control({"fault", "mouse", "power-loss-after", "0"}).status, 0);
        QVERIFY(mouseCmd() != cmd);
        QCOMPARE(readReport(mouseCmd(), 0).first, 0); // the write's answer went with the power
        QCOMPARE(writeReport(mouseCmd(), Bytes(64, 0x11)), 65);
        QVERIFY(memory("mouse", "macro.0.2").empty()); // and so did the upload in progress
        QCOMPARE(memory("mouse", "table1")[0], uint8_t(9));
    }

    void malformedFaultCommandsChangeNothing_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::newRow("unknown step")
            << QStringList{"do", "bootloader", "fault", "upload", "status"};
        QTest::newRow("unknown step kind")
            << QStringList{"do", "bootloader", "fault", "end", "slow"};
        QTest::newRow("occurrence 0")
            << QStringList{"do", "bootloader", "fault", "end", "status", "0"};
        QTest::newRow("negative occurrence")
            << QStringList{"do", "bootloader", "fault", "end", "status", "-2"};
        QTest::newRow("occurrence not a number")
            << QStringList{"do", "bootloader", "fault", "end", "status", "2x"};
        QTest::newRow("unknown updater mode")
            << QStringList{"do", "bootloader", "updater-mode", "dfu"};
        QTest::newRow("power loss without count")
            << QStringList{"fault", "bootloader", "power-loss-after"};
        QTest::newRow("negative power loss count")
            << QStringList{"fault", "bootloader", "power-loss-after", "-1"};
        QTest::newRow("power loss count not a number")
            << QStringList{"fault", "bootloader", "power-loss-after", "3x"};
        QTest::newRow("unknown slot fault") << QStringList{"fault", "bootloader", "brown-out"};
    }

    void malformedFaultCommandsChangeNothing()
    {
        QFETCH(QStringList, words);
        QVERIFY(plugPlanned("bootloader", "end wrong-status"));
        QCOMPARE(control({"fault", "bootloader", "power-loss-after", "50"}).status, 0);
        const std::string state = control({"state", "bootloader"}).text;
        std::vector<std::string> command;
        for (const QString& word : words)
            command.push_back(word.toStdString());
        QCOMPARE(control(command).status, 1);
        QVERIFY(control({"state", "bootloader"}).text == state);
        // What was planned still stands.
        QCOMPARE(BootLoaderHost(Bytes()).command({0x5A, 0xA4}).at(2), uint8_t(0x7F));
        QVERIFY(control({"state", "bootloader"}).text.find("power-loss-after 48") !=
                std::string::npos);
        QCOMPARE(control({"fault", "bootloader", "power-loss-after", "off"}).status, 0);
        QVERIFY(control({"state", "bootloader"}).text.find("power-loss") == std::string::npos);
    }

    void secondMouseOfTheSameKindStaysApart()
    {
        QCOMPARE(control({"plug", "fw-mouse", "dev"}).status, 0);
        QCOMPARE(control({"plug", "fw-mouse", "other"}).status, 0);
        std::string devCommand;
        hid_device_info* list = hid_enumerate(0x093A, 0xC791);
        int commandInterfaces = 0;
        for (hid_device_info* d = list; d; d = d->next) {
            if (d->usage_page != 0xFF10)
                continue;
            ++commandInterfaces;
            if (std::string(d->path).rfind("sim/dev/", 0) == 0)
                devCommand = d->path;
        }
        hid_free_enumeration(list);
        QCOMPARE(commandInterfaces, 3); // the plain mouse of init() too
        QCOMPARE(sendFeature(devCommand, hex("00 1F 5A A0 00 00 00 00 00")), 9);
        QCOMPARE(identityOf("dev"), std::string("dev 2E3C:AF01 release 0001"));
        BootLoaderHost(taggedImage(3000, 0x0123, 'B'))
            .run("begin block:60 block:64 block:68 end crc:60 crc:68 finish");
        QCOMPARE(identityOf("dev"), std::string("dev 093A:C791 release 0123"));
        QCOMPARE(identityOf("other"), std::string("other 093A:C791 release 0104"));

        // Each keeps its port through its re-enumerations, as on a USB hub; a name cannot blur
        // two ports into one.
        char port[64];
        QCOMPARE(quillex_sim_port_of(devCommand.c_str(), port, sizeof port), 7);
        QCOMPARE(std::string(port), std::string("sim/dev"));
        QCOMPARE(quillex_sim_port_of("sim/other/99/cmd", port, sizeof port), 9);
        QCOMPARE(quillex_sim_port_of("/dev/hidraw3", port, sizeof port), -1);
        QCOMPARE(quillex_sim_port_of(devCommand.c_str(), port, 7), -1);
        QVERIFY(control({"plug", "fw-mouse", "dev/stray"}).status != 0);
    }

    // --- Trace and hidapi semantics ----------------------------------------------------------

    void traceRecordsEveryCall()
    {
        const std::string cmd = mouseCmd();
        trace().clear();
        command(cmd, "00 83 3F 3F 00 00 00 00 00");
        const auto e = trace().snapshot();
        QStringList ops;
        for (const auto& entry : e) {
            ops << QString::fromStdString(entry.op);
            QCOMPARE(entry.path, cmd);
        }
        QCOMPARE(ops, QStringList({"open", "send-feature", "close", "open", "read", "close"}));
        QCOMPARE(e[1].bytes, hex("00 83 3F 3F 00 00 00 00 00"));
        QCOMPARE(e[1].result, 9);
        QCOMPARE(e[4].result, 64);
        QCOMPARE(e[4].timeoutMs, 500);
        QCOMPARE(e[4].bytes.size(), size_t(64));
        QCOMPARE(slice(e[4].bytes, 0, 2), hex("83 00"));
        QVERIFY(e[0].seq < e[5].seq);
        QCOMPARE(sim::Trace::formatEntry(e[1]), std::to_string(e[1].seq) + " send-feature " + cmd +
                                                    " -> 9 : 00 83 3F 3F 00 00 00 00 00");

        readReport(cmd, 0); // a time-out is recorded with its result 0 and no bytes
        QCOMPARE(trace().snapshot()[7].result, 0);
        QVERIFY(trace().snapshot()[7].bytes.empty());
        const std::string sends = control({"trace", "send-feature"}).text;
        QCOMPARE(std::count(sends.begin(), sends.end(), '\n'), 1L);
        QCOMPARE(control({"trace", "--clear"}).text.empty(), false);
        QVERIFY(trace().snapshot().empty());
    }

    void hidapiCallsBehaveLikeHidraw()
    {
        hid_device* dev = hid_open(0x093A, 0xC791, nullptr);
        QVERIFY(dev);
        wchar_t text[64];
        QCOMPARE(hid_get_product_string(dev, text, 64), 0);
        QCOMPARE(QString::fromWCharArray(text), QString("Quillex Wired Mouse"));
        QCOMPARE(hid_get_device_info(dev)->usage_page, uint16_t(0x0001));
        uint8_t buf[65] = {};
        hid_set_nonblocking(dev, 1);
        QCOMPARE(hid_read(dev, buf, sizeof buf), 0);
        hid_close(dev);
        QCOMPARE(QString(hid_version_str()), QString("0.13.1"));
        QVERIFY(!hid_open_path("sim/nothing/1/cmd"));
        QVERIFY(hid_error(nullptr));
        control({"plug", "receiver1k"});
        control({"release", "receiver1k", "0x0107"});
        hid_device_info* list = hid_enumerate(0x093A, 0xC792);
        QCOMPARE(list->release_number, uint16_t(0x0107));
        hid_free_enumeration(list);
        QCOMPARE(control({"plug", "receiver1k"}).status, 1);
        QCOMPARE(control({"plug", "keyboard"}).status, 1);
        QCOMPARE(control({"frobnicate"}).status, 2);
    }

    // --- Daemon, shared library and control command ------------------------------------------

    void daemonServesOtherProcesses()
    {
        daemon({"reset"});
        QCOMPARE(daemon({"plug", "mouse"}).status, 0);
        const QStringList lines = probe({"093A", "C791", "enum"}).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[1].startsWith("sim/mouse/"));
        QVERIFY(lines[1].endsWith("FF10:0001 release 0104"));
        QVERIFY(lines[2].endsWith("FF11:0001 release 0104"));
        const QString out = probe({"093A", "C791", "send:008200000000000000", "read", "read"});
        QVERIFY2(out.startsWith("send 9\nread 64: 82 01 01 01 FF 03 00 00 55 01 00"),
                 qPrintable(out));
        QVERIFY(out.endsWith("read 0:\n")); // one answer per command, then a time-out
    }

    void stateIsSharedBetweenProcesses()
    {
        daemon({"reset"});
        daemon({"plug", "mouse"});
        QCOMPARE(probe({"093A", "C791", "send:00030D02800C000000"}), QString("send 9\n"));
        const QString out = probe({"093A", "C791", "send:0083003F0000000000", "read"});
        QVERIFY2(out.contains("read 64: 83 04 00 0A 05 00 00 00 00 00 90 01 20 03 80 0C"),
                 qPrintable(out));
        QVERIFY(daemon({"memory", "mouse", "table1"}).text.find("80 0C 80 0C") !=
                std::string::npos);
        const std::string log = daemon({"trace"}).text;
        QVERIFY(log.find("send-feature sim/mouse/") != std::string::npos);
        QVERIFY(log.find("00 03 0D 02 80 0C 00 00 00") < log.find("00 83 00 3F 00 00 00 00 00"));

        daemon({"notify", "mouse", "0B", "04", "00", "00"});
        QCOMPARE(probe({"093A", "C791", "event"}), QString("event 5: 01 0B 04 00 00\n"));
        QCOMPARE(daemon({"memory", "mouse", "table0"}).text.substr(0, 5), std::string("01 04"));
    }

    void changesReachSubscribedProcesses()
    {
        daemon({"reset"});
        QProcess waiter;
        waiter.start(SIM_PROBE, {"093A", "0", "wait-change"});
        QVERIFY(waiter.waitForReadyRead(5000));
        QCOMPARE(QString(waiter.readLine()), QString("subscribed 1\n"));
        QCOMPARE(daemon({"plug", "receiver1k"}).status, 0);
        QVERIFY(waiter.waitForFinished(5000));
        QCOMPARE(QString(waiter.readAll()), QString("changed\n"));
    }

    void controlCommandLine()
    {
        daemon({"reset"});
        QCOMPARE(cli({"ping"}), std::make_pair(0, QString("pong\n")));
        QCOMPARE(cli({"plug", "mouse"}).first, 0);
        QCOMPARE(cli({"plug", "keyboard"}).first, 1);
        QCOMPARE(cli({"frobnicate"}).first, 2);
        QCOMPARE(cli({"release", "mouse", "0105"}).first, 0);
        QVERIFY(probe({"093A", "C791", "enum"}).contains("FF10:0001 release 0105"));
        const auto state = cli({"state", "mouse"});
        QCOMPARE(state.first, 0);
        QVERIFY(state.second.contains("mouse 093A:C791 release 0105"));
        QVERIFY(state.second.contains("faults: none"));
        QCOMPARE(cli({"fault", "mouse", "no-event"}).first, 0);
        QVERIFY(!probe({"093A", "C791", "enum"}).contains("FF11"));
        QCOMPARE(cli({"unplug", "mouse"}).first, 0);
        QCOMPARE(probe({"093A", "C791", "enum"}), QString());
        cli({"trace", "--clear"});
        QCOMPARE(cli({"trace"}), std::make_pair(0, QString()));

        QProcess other;
        other.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QUILLEX_SIM_SOCKET", socketDir.filePath("nobody.sock"));
        other.setProcessEnvironment(env);
        other.start(SIM_CONTROL, {"ping"});
        QVERIFY(other.waitForFinished(5000));
        QCOMPARE(other.exitCode(), 3);
    }

    void sharedLibraryExportsTheHidapiFunctionsOnly()
    {
        void* lib = dlopen(SIM_HIDAPI_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        QVERIFY2(lib, dlerror());
        const char* api[] = {"hid_init",
                             "hid_exit",
                             "hid_enumerate",
                             "hid_free_enumeration",
                             "hid_open",
                             "hid_open_path",
                             "hid_write",
                             "hid_read_timeout",
                             "hid_read",
                             "hid_set_nonblocking",
                             "hid_send_feature_report",
                             "hid_get_feature_report",
                             "hid_get_input_report",
                             "hid_close",
                             "hid_get_manufacturer_string",
                             "hid_get_product_string",
                             "hid_get_serial_number_string",
                             "hid_get_device_info",
                             "hid_get_indexed_string",
                             "hid_error",
                             "hid_version",
                             "hid_version_str",
                             "quillex_sim_change_fd",
                             "quillex_sim_port_of"};
        for (const char* name : api)
            QVERIFY2(dlsym(lib, name), name);
        QVERIFY(!dlsym(lib, "_ZN3sim13hidapiBackendEv")); // nothing of the C++ inside
        dlclose(lib);
    }

    void daemonEndsWhenItsSocketFileGoes()
    {
        const QString socket = socketDir.filePath("short-lived.sock");
        QProcess server;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QUILLEX_SIM_SOCKET", socket);
        server.setProcessEnvironment(env);
        server.start(SIM_CONTROL, {"serve"});
        QTRY_VERIFY(QFile::exists(socket));
        QVERIFY(QFile::remove(socket));
        QVERIFY(server.waitForFinished(5000));
        QCOMPARE(server.exitCode(), 0);
    }

    void malformedSocketInputNeverCrashesDaemon()
    {
        daemon({"reset"});
        daemon({"plug", "mouse"});
        const std::string path = sim::wire::socketPath();
        const Bytes badRecords[] = {
            hex("00 00 00 00"),       // empty record
            hex("FF FF FF FF 01"),    // far too long
            hex("0A 00 00 00 05 01"), // cut short, then the peer leaves
        };
        for (const Bytes& bad : badRecords) {
            const int fd = sim::io::connectTo(path);
            QVERIFY(fd >= 0);
            QVERIFY(sim::io::sendAll(fd, bad.data(), bad.size()));
            shutdown(fd, SHUT_WR);
            Bytes none;
            QVERIFY(!sim::io::recvRecord(fd, none)); // dropped without a reply
            close(fd);
        }
        const int fd = sim::io::connectTo(path);
        Bytes reply;
        QVERIFY(rawExchange(fd, sim::wire::frame(hex("55 01 02")), &reply));
        QCOMPARE(reply[0], sim::wire::kError);
        QVERIFY(rawExchange(fd, sim::wire::frame(hex("05 01 00 00 00 FF FF FF 7F 00 00 00 00")),
                            &reply));
        QCOMPARE(reply[0], sim::wire::kError); // read of 2 GiB refused
        QVERIFY(rawExchange(fd, sim::wire::frame(hex("08 FF FF FF 0F")), &reply));
        QCOMPARE(reply[0], sim::wire::kError); // absurd argument count
        QVERIFY(rawExchange(fd, sim::wire::frame(hex("08 01 00 00 00 50 00 00 00 41")), &reply));
        QCOMPARE(reply[0], sim::wire::kError); // string longer than the record
        uint32_t seed = 99;
        auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
        for (int i = 0; i < 500; ++i) {
            Bytes payload(next() % 40 + 1);
            for (uint8_t& b : payload)
                b = uint8_t(next() >> 24);
            payload[0] = payload[0] == sim::wire::Subscribe ? 0 : payload[0];
            if (payload[0] == sim::wire::Read && payload.size() >= 13)
                payload[9] = payload[10] = payload[11] = payload[12] = 0; // no long waits
            QVERIFY(rawExchange(fd, sim::wire::frame(payload), &reply));
        }
        close(fd);
        QCOMPARE(daemon({"ping"}).text, std::string("pong\n"));
        QVERIFY(probe({"093A", "C791", "enum"}).contains("sim/mouse/"));
    }

    void droppedConnectionClosesItsHandles()
    {
        daemon({"reset"});
        daemon({"plug", "mouse"});
        const QString cmdPath = probe({"093A", "C791", "enum"}).split('\n')[1].section(' ', 0, 0);
        const int fd = sim::io::connectTo(sim::wire::socketPath());
        Bytes reply;
        const Bytes open = sim::wire::Writer(sim::wire::Open).str(cmdPath.toStdString()).payload();
        QVERIFY(rawExchange(fd, sim::wire::frame(open), &reply));
        QCOMPARE(reply[0], uint8_t(sim::wire::Open | sim::wire::kReplyBit));
        close(fd);
        QTRY_VERIFY(daemon({"trace"}).text.find("close " + cmdPath.toStdString()) !=
                    std::string::npos);
    }

private:
    QTemporaryDir socketDir;
};

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"
