#include "ui/record_text.h"

#include "store/text_utils.h"

namespace {

constexpr char16_t kByteEscapeBase = 0xDC00;  // + a byte from 0x80 to 0xFF
constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the well-formed UTF-8 sequence at `at` (no overlong form,
// no surrogate, nothing past U+10FFFF), or 0 when there is none; its code
// point goes to `codePoint`.
std::size_t Utf8SequenceAt(std::string_view bytes, std::size_t at, char32_t& codePoint) {
    const auto byte = [&](std::size_t offset) { return static_cast<unsigned char>(bytes[at + offset]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char secondLow = 0x80;
    unsigned char secondHigh = 0xBF;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        if (lead == 0xE0) secondLow = 0xA0;
        if (lead == 0xED) secondHigh = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        if (lead == 0xF0) secondLow = 0x90;
        if (lead == 0xF4) secondHigh = 0x8F;
    } else {
        return 0;
    }
    if (bytes.size() - at < length) return 0;
    if (byte(1) < secondLow || byte(1) > secondHigh) return 0;
    for (std::size_t offset = 1; offset < length; ++offset) {
        if (!IsContinuation(byte(offset))) return 0;
        codePoint = (codePoint << 6) | (byte(offset) & 0x3F);
    }
    return length;
}

void AppendCodePoint(QString& text, char32_t codePoint) {
    if (QChar::requiresSurrogates(codePoint)) {
        text.append(QChar(QChar::highSurrogate(codePoint)));
        text.append(QChar(QChar::lowSurrogate(codePoint)));
    } else {
        text.append(QChar(static_cast<char16_t>(codePoint)));
    }
}

}  // namespace

QString TextFromRecord(std::string_view bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (std::size_t at = 0; at < bytes.size();) {
        char32_t codePoint = 0;
        if (const std::size_t length = Utf8SequenceAt(bytes, at, codePoint); length > 0) {
            AppendCodePoint(text, codePoint);
            at += length;
        } else {
            text.append(
                QChar(static_cast<char16_t>(kByteEscapeBase + static_cast<unsigned char>(bytes[at]))));
            ++at;
        }
    }
    return text;
}

std::string TextForRecord(QStringView text) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype at = 0; at < text.size(); ++at) {
        const char16_t unit = text[at].unicode();
        if (QChar::isHighSurrogate(unit) && at + 1 < text.size() && text[at + 1].isLowSurrogate()) {
            AppendUtf8(bytes, QChar::surrogateToUcs4(unit, text[at + 1].unicode()));
            ++at;
        } else if (unit >= kByteEscapeBase + 0x80 && unit <= kByteEscapeBase + 0xFF) {
            bytes.push_back(static_cast<char>(unit - kByteEscapeBase));
        } else if (QChar::isSurrogate(unit)) {
            AppendUtf8(bytes, kReplacement);  // a lone one that no bytes were shown as
        } else {
            AppendUtf8(bytes, unit);
        }
    }
    return bytes;
}
