// A stand-in for the update engine that plays a scripted callback sequence from its own thread,
// to drive the updater's side of the engine contract value by value. The script comes from
// QUILLEX_STUB_ENGINE: "none" (no engine can be had), "refuse" (an engine that will not start an
// update) or comma-separated steps "percent[:done[:error]]".
#include "updater/engine/EsSdk2862.h"

#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace
{

struct Step {
    int percent = 0;
    int done = 0;
    int error = 0;
};

struct StubEngine {
    std::thread player;
};

std::string scriptText()
{
    const char* text = std::getenv("QUILLEX_STUB_ENGINE");
    return text ? text : "";
}

std::vector<Step> script()
{
    std::vector<Step> steps;
    std::stringstream all(scriptText());
    std::string item;
    while (std::getline(all, item, ',')) {
        Step s;
        std::sscanf(item.c_str(), "%d:%d:%d", &s.percent, &s.done, &s.error);
        steps.push_back(s);
    }
    return steps;
}

} // namespace

ES_HANDLE ES_InitializeEngine(void)
{
    if (scriptText() == "none")
        return nullptr;
    return new StubEngine;
}

int ES_GetFirmwareVersion(int, int, uint16_t* version, uint16_t* checksum, uint8_t* configVersion)
{
    *version = 0x0112;
    *checksum = 0xBEEF;
    for (int i = 0; i < 5; ++i)
        configVersion[i] = uint8_t("C0105"[i]);
    return 1;
}

int ES_StartFwUpdate(ES_HANDLE handle, const char16_t*, ES_ProgressCallback callback, void* context)
{
    auto* engine = static_cast<StubEngine*>(handle);
    if (scriptText() == "refuse")
        return 0;
    engine->player = std::thread([callback, context] {
        for (const Step& s : script())
            callback(s.done, s.percent, s.error, context);
    });
    return 1;
}

void ES_UninitializeEngine(ES_HANDLE handle)
{
    auto* engine = static_cast<StubEngine*>(handle);
    if (engine->player.joinable())
        engine->player.join();
    delete engine;
}
