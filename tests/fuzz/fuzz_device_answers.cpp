// libFuzzer target: what the mouse answers (answer blocks, the pairing status) and the
// notifications the listener reads from its event interface.
#include "device/frames.h"
#include "tests/fuzz/fuzzcheck.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const int count = int(std::min<size_t>(size, 1 << 16));

    const auto block = frames::AnswerBlock::parse(data, count);
    FUZZ_REQUIRE(block.has_value() == (count >= frames::kBlockSize));
    if (block) {
        FUZZ_REQUIRE(block->code == data[0]);
        FUZZ_REQUIRE(std::equal(block->data.begin(), block->data.end(), data + 1));
        const auto payload = frames::pairingPayload(*block);
        FUZZ_REQUIRE(payload.back() == 0);
    }

    const auto status = frames::PairStatusAnswer::parse(data, count);
    FUZZ_REQUIRE(status.has_value() == (count >= frames::kFrameSize));
    if (status)
        FUZZ_REQUIRE(status->finished() == (data[2] == 1));

    const auto event = frames::DeviceEvent::parse(data, count);
    if (event)
        FUZZ_REQUIRE(event->byte0 == data[1] && event->byte3 == data[4]);

    // The data phase of a command: n bytes (at most a macro image) moved in reports of the
    // length the device entry names. Every report advances, and none is longer than the entry.
    const int n = count % (frames::kMacroMaxLength + 1);
    const int reportLength = 1 + (count > 0 ? data[0] : 0);
    const int chunk = frames::chunkSize(n, reportLength);
    FUZZ_REQUIRE(chunk <= reportLength && chunk <= n && (n == 0 || chunk >= 1));
    const std::vector<quint8> report =
        frames::outputReport(data, std::min(chunk, count), reportLength);
    FUZZ_REQUIRE(int(report.size()) == reportLength + 1 && report[0] == 0);

    // Macro uploads: whole blocks covering the image, never more than the image's room.
    const int transfer = frames::macroTransferLength(quint32(n));
    FUZZ_REQUIRE(transfer % frames::kBlockSize == 0 && transfer >= n &&
                 transfer < n + frames::kBlockSize);
    FUZZ_REQUIRE(transfer <= frames::kMacroMaxLength);
    return 0;
}
