#pragma once

#include <filesystem>

// Whether Caps Lock, Num Lock and Scroll Lock are on, read from the
// keyboard lights the kernel shows under /sys/class/leds; a light that
// cannot be read counts as off.
struct LockKeys {
    bool capsLock = false;
    bool numLock = false;
    bool scrollLock = false;

    friend bool operator==(const LockKeys&, const LockKeys&) = default;
};

LockKeys ReadLockKeys(const std::filesystem::path& ledFolder = "/sys/class/leds");
