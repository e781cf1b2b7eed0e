#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>

#include "store/item_store.h"
#include "store/message_box.h"

// Saves the changed lists while the program runs, so that a crash or a kill
// loses at most the last few seconds: once the lists have been quiet for a
// while after a change, and at the latest a longer while after the first
// unsaved change while changes keep coming, so a burst costs one write.
// A failure message is shown once, not at every try, until a save succeeds
// again; the next change tries again. Used on the user-interface thread.
class AutoSave {
public:
    using Clock = std::chrono::steady_clock;
    struct Delays {
        Clock::duration quiet = std::chrono::seconds(5);
        Clock::duration longest = std::chrono::seconds(30);
    };

    AutoSave(ItemStore& store, MessageBoxPort& messages, Delays delays, std::filesystem::path folder = ".");

    // Notes whether the lists changed since the last call and saves them when
    // it is time. Called again while its own failure message is open, it
    // does nothing. True when it saved (or tried to).
    bool Poll(Clock::time_point now);

private:
    // Passes each failure text on once until a save succeeds.
    class OnceMessages : public MessageBoxPort {
    public:
        explicit OnceMessages(MessageBoxPort& messages) : messages_(messages) {}
        void ShowMessage(std::string_view text) override;
        void Forget() { shown_.clear(); }

    private:
        MessageBoxPort& messages_;
        std::set<std::string, std::less<>> shown_;
    };

    bool Due(Clock::time_point now) const;

    ItemStore& store_;
    OnceMessages messages_;
    const Delays delays_;
    const std::filesystem::path folder_;
    // Unset before the first call: a list changed before then (a project
    // made in the start-up chooser) is saved too.
    std::optional<std::uint64_t> changesSeen_;
    std::optional<Clock::time_point> firstUnsavedChange_;
    Clock::time_point lastChange_;
    bool saving_ = false;
};
