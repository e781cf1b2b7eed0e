#include "store/address_text.h"

#include "store/text_utils.h"

std::string EscapeBlanks(std::string_view address, std::size_t capacity) {
    std::string stored;
    for (char c : TrimBlanks(address)) {
        const std::string piece = IsBlank(c) ? PercentEscape(c) : std::string(1, c);
        if (stored.size() + piece.size() > capacity) break;
        stored += piece;
    }
    return stored;
}

std::string WithDefaultScheme(std::string_view address) {
    if (address.find("//") != std::string_view::npos) return std::string(address);
    return "http://" + std::string(address);
}
