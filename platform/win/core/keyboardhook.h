#pragma once

// The desktop's keyboard through a low-level hook: every key event of every program, reported
// as HID usages and passed on untouched. No Qt here.

#include "app/keytranslation.h"

#include <cstdint>
#include <functional>

namespace wincore
{

// A key change worth reporting. `altDown` is Alt as the translation took it, so that the same
// key table gives the same usage from these fields again.
struct KeyEvent {
    uint16_t scanCode = 0;
    bool extended = false;
    bool altDown = false;
    bool down = false;
    uint8_t usage = 0;
};

// What the hook receives for one key event: the message and the KBDLLHOOKSTRUCT fields.
struct HookedKey {
    unsigned message = 0;
    uint32_t virtualKey = 0;
    uint32_t scanCode = 0;
    uint32_t flags = 0;
};

// Which changes one hook event reports: keys inside the table, once per press and once per
// release whatever the auto-repeat.
class KeyChangeFilter
{
public:
    using Report = std::function<void(const KeyEvent&)>;
    void take(const HookedKey& key, const Report& report);

private:
    keytranslation::KeyStates states;
    // The key the keyboard may be repeating: only the last key pressed repeats, until released.
    uint8_t repeating = 0;
};

// The process's one low-level keyboard hook (Windows calls it without context). It runs on the
// installing thread while that thread pumps messages, and always passes the key on.
class KeyboardHook
{
public:
    KeyboardHook() = default;
    KeyboardHook(const KeyboardHook&) = delete;
    KeyboardHook& operator=(const KeyboardHook&) = delete;
    ~KeyboardHook();

    // False when Windows refuses the hook or another one of this process is installed.
    bool install(KeyChangeFilter::Report report);
    void remove();

private:
    void* handle = nullptr;
    KeyChangeFilter filter;
    KeyChangeFilter::Report report;
};

} // namespace wincore
