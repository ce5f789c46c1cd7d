// libFuzzer target: the engine's image file as the updater checks it before touching the device,
// and the engine requests as the device reads them.
#include "tests/fuzz/fuzzcheck.h"
#include "updater/engine/engineprotocol.h"
#include "updater/firmwareimage.h"
#include "updater/updatejob.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray file = QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size));

    if (const std::optional<QByteArray> image = esproto::parseImageFile(file)) {
        FUZZ_REQUIRE(image->size() < file.size());
        FUZZ_REQUIRE(esproto::makeImageFile(*image) == file);
    }
    // Whatever the engine is given to write, its file reads back as that image.
    if (file.size() <= esproto::kImageFileMaxBytes) {
        const std::optional<QByteArray> again =
            esproto::parseImageFile(esproto::makeImageFile(file));
        FUZZ_REQUIRE(again && *again == file);
    }

    const auto* bytes = reinterpret_cast<const quint8*>(data);
    if (const auto request = esproto::parseRequest(bytes, int(size))) {
        FUZZ_REQUIRE(size >= size_t(esproto::kReportSize));
        if (request->opcode == esproto::Data) {
            FUZZ_REQUIRE(request->data.size() >= 1 && request->data.size() <= esproto::kDataMax);
            const esproto::Report rebuilt = esproto::dataRequest(request->value, request->data);
            FUZZ_REQUIRE(
                std::equal(rebuilt.begin(), rebuilt.begin() + 7 + request->data.size(), bytes));
        }
    }
    if (size >= size_t(esproto::kReportSize)) {
        esproto::Report answer;
        std::copy(bytes, bytes + esproto::kReportSize, answer.begin());
        const esproto::VersionInfo info = esproto::parseVersion(answer);
        const esproto::Report rebuilt = esproto::answer(answer[1], info);
        FUZZ_REQUIRE(esproto::parseVersion(rebuilt).version == info.version &&
                     esproto::parseVersion(rebuilt).checksum == info.checksum);
    }
    return 0;
}
