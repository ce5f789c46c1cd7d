// The firmware-update engine: finds the engine interface of the device last asked for its
// version, checks the image file, and writes it on a thread of its own.
#include "updater/boundedfile.h"
#include "updater/engine/EsSdk2862.h"
#include "updater/engine/engineprotocol.h"
#include "updater/firmwareimage.h"

#include <QString>
#include <atomic>
#include <cstring>
#include <hidapi.h>
#include <mutex>
#include <string>
#include <thread>

namespace
{

struct Engine {
    std::thread worker;
    std::atomic<bool> stop{false};
};

std::mutex instanceLock;
Engine* instance = nullptr;
// The device the updater last asked about; the update goes to the same one.
std::atomic<int> lastVid{0};
std::atomic<int> lastPid{0};

std::string findEnginePath(int vid, int pid)
{
    std::string path;
    hid_device_info* list = hid_enumerate(quint16(vid), quint16(pid));
    for (hid_device_info* it = list; it; it = it->next)
        if (it->usage_page == esproto::kUsagePage && it->usage == esproto::kUsage)
            path = it->path;
    hid_free_enumeration(list);
    return path;
}

// One request and its answer, which must reach `needed` bytes; the device is opened for this
// exchange only.
int exchange(const std::string& path, const esproto::Report& request, esproto::Report& answer,
             int needed = esproto::kStatusAnswerBytes)
{
    hid_device* dev = hid_open_path(path.c_str());
    if (!dev)
        return ES_ERR_TRANSFER;
    int result = ES_ERR_TRANSFER;
    if (hid_send_feature_report(dev, request.data(), request.size()) >= 0) {
        answer.fill(0);
        answer[0] = esproto::kReportId;
        const int received = hid_get_feature_report(dev, answer.data(), answer.size());
        if (received >= 0)
            result = esproto::answerOk(answer, received, needed) ? ES_OK : ES_ERR_REJECTED;
    }
    hid_close(dev);
    return result;
}

void runUpdate(Engine* engine, QString path, ES_ProgressCallback callback, void* context)
{
    int percent = 0;
    auto fail = [&](int error) { callback(0, percent, error, context); };

    // The file is read again here, after the updater's own check, and may have been replaced
    // meanwhile: by a FIFO that would block this thread, and with it the updater's exit, or by a
    // device that never ends.
    const std::optional<QByteArray> file =
        boundedfile::readRegularFile(path, esproto::kImageFileMaxBytes);
    const std::optional<QByteArray> image =
        file ? esproto::parseImageFile(*file) : std::optional<QByteArray>();
    if (!image)
        return fail(ES_ERR_IMAGE);
    const std::string device = findEnginePath(lastVid, lastPid);
    if (device.empty())
        return fail(ES_ERR_NO_DEVICE);

    esproto::Report answer;
    const quint32 crc =
        fwimage::crc32Mpeg2(reinterpret_cast<const quint8*>(image->constData()), image->size());
    int error = exchange(device, esproto::beginRequest(quint32(image->size()), crc), answer);
    if (error)
        return fail(error);
    callback(0, percent, ES_OK, context);

    const int total = image->size();
    for (int offset = 0; offset < total; offset += esproto::kDataMax) {
        if (engine->stop)
            return;
        const QByteArray chunk = image->mid(offset, esproto::kDataMax);
        error = exchange(device, esproto::dataRequest(quint32(offset), chunk), answer);
        if (error)
            return fail(error);
        // 100 is kept for the device's acceptance of the whole image.
        const int now = int(qint64(offset + chunk.size()) * 99 / total);
        if (now != percent) {
            percent = now;
            callback(0, percent, ES_OK, context);
        }
    }
    error = exchange(device, esproto::endRequest(), answer);
    if (error)
        return fail(error);
    callback(1, 100, ES_OK, context);
}

} // namespace

ES_HANDLE ES_InitializeEngine(void)
{
    std::lock_guard<std::mutex> lock(instanceLock);
    if (instance || hid_init() != 0)
        return nullptr;
    instance = new Engine;
    return instance;
}

int ES_GetFirmwareVersion(int vid, int pid, uint16_t* version, uint16_t* checksum,
                          uint8_t* configVersion)
{
    lastVid = vid;
    lastPid = pid;
    const std::string device = findEnginePath(vid, pid);
    if (device.empty())
        return 0;
    esproto::Report answer;
    if (exchange(device, esproto::versionRequest(), answer, esproto::kVersionAnswerBytes) != ES_OK)
        return 0;
    const esproto::VersionInfo info = esproto::parseVersion(answer);
    *version = info.version;
    *checksum = info.checksum;
    std::memcpy(configVersion, info.configVersion, sizeof info.configVersion);
    return 1;
}

int ES_StartFwUpdate(ES_HANDLE handle, const char16_t* path, ES_ProgressCallback callback,
                     void* context)
{
    auto* engine = static_cast<Engine*>(handle);
    if (!engine || !path || !callback || engine->worker.joinable())
        return 0;
    const QString file = QString::fromUtf16(path);
    engine->worker = std::thread(runUpdate, engine, file, callback, context);
    return 1;
}

void ES_UninitializeEngine(ES_HANDLE handle)
{
    auto* engine = static_cast<Engine*>(handle);
    if (!engine)
        return;
    engine->stop = true;
    if (engine->worker.joinable())
        engine->worker.join();
    std::lock_guard<std::mutex> lock(instanceLock);
    if (instance == engine)
        instance = nullptr;
    delete engine;
}
