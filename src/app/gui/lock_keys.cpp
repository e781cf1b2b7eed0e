#include "app/gui/lock_keys.h"

#include <fstream>
#include <string>
#include <system_error>

namespace {

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool LightIsOn(const std::filesystem::path& light) {
    std::ifstream brightness(light / "brightness");
    int level = 0;
    return (brightness >> level) && level > 0;
}

}  // namespace

LockKeys ReadLockKeys(const std::filesystem::path& ledFolder) {
    LockKeys keys;
    std::error_code error;
    std::filesystem::directory_iterator entry(ledFolder, error);
    for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        // Any keyboard's light counts: "input3::capslock", "input3::numlock", ...
        if (EndsWith(name, "::capslock")) keys.capsLock = keys.capsLock || LightIsOn(entry->path());
        if (EndsWith(name, "::numlock")) keys.numLock = keys.numLock || LightIsOn(entry->path());
        if (EndsWith(name, "::scrolllock")) keys.scrollLock = keys.scrollLock || LightIsOn(entry->path());
    }
    return keys;
}
