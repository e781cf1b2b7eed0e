#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/fixed_text.h"

// The crawler's to-do stack of addresses; each text holds at most 255 bytes.
class LinkStack {
public:
    void Push(std::string_view text) { nodes_.emplace_back(text); }

    // The top text, removed from the stack; empty when the stack is empty.
    std::string Pop() {
        if (nodes_.empty()) return {};
        std::string top = nodes_.back().Str();
        nodes_.pop_back();
        return top;
    }

    bool IsEmpty() const { return nodes_.empty(); }
    std::size_t Size() const { return nodes_.size(); }

    // The text `depth` places below the top (0: the top), which must exist.
    std::string_view FromTop(std::size_t depth) const { return nodes_[nodes_.size() - 1 - depth].View(); }

private:
    std::vector<FixedText<256>> nodes_;
};
