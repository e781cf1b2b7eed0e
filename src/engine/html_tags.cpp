#include "engine/html_tags.h"

#include <cstring>

#include "store/text_utils.h"

namespace {

// Names are kept only this long: every name the reader looks for is
// shorter, so a cut name can never be taken for one of them.
constexpr std::size_t kMaxNameLength = 16;

bool IsHtmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; }

void AppendName(std::string& name, char c) {
    if (name.size() < kMaxNameLength) name += FoldAscii(c);
}

// Elements whose text a browser reads as text, tags and all.
bool HoldsRawText(std::string_view name) {
    return name == "script" || name == "style" || name == "textarea" || name == "title";
}

}  // namespace

void HtmlTagReader::Read(std::string_view piece, const std::function<void(const HtmlStartTag&)>& found) {
    std::size_t at = 0;
    while (at < piece.size()) {
        if (state_ == State::kData) {
            // Text between tags is skipped at the speed of memchr.
            const void* open = std::memchr(piece.data() + at, '<', piece.size() - at);
            if (open == nullptr) return;
            at = static_cast<std::size_t>(static_cast<const char*>(open) - piece.data()) + 1;
            state_ = State::kTagOpen;
            continue;
        }
        if (Step(piece[at], found)) ++at;
    }
}

bool HtmlTagReader::Step(char c, const std::function<void(const HtmlStartTag&)>& found) {
    switch (state_) {
        case State::kData:
        case State::kTagOpen:
        case State::kEndTagOpen:
        case State::kMarkupDeclaration:
        case State::kComment:
        case State::kBogusComment: return StepOutsideTags(c);
        case State::kRawText: StepInRawText(c); return true;
        case State::kDoubleQuotedValue:
        case State::kSingleQuotedValue:
        case State::kUnquotedValue:
            if (++tagLength_ > kMaxTagLength) tagTooLong_ = true;
            return StepInValue(c, found);
        default:
            if (++tagLength_ > kMaxTagLength) tagTooLong_ = true;
            return StepInTag(c, found);
    }
}

// From the '<' to the tag's name, and comments and declarations.
bool HtmlTagReader::StepOutsideTags(char c) {
    switch (state_) {
        case State::kTagOpen:
            if (IsAsciiLetter(c)) {
                BeginTag(false);
                return false;
            }
            if (c == '!') {
                state_ = State::kMarkupDeclaration;
                dashes_ = 0;
                return true;
            }
            if (c == '/') {
                state_ = State::kEndTagOpen;
                return true;
            }
            state_ = c == '?' ? State::kBogusComment : State::kData;
            return c == '?';
        case State::kEndTagOpen:
            if (IsAsciiLetter(c)) {
                BeginTag(true);
                return false;
            }
            state_ = c == '>' ? State::kData : State::kBogusComment;
            return c == '>';
        case State::kMarkupDeclaration:
            // "<!--" opens a comment; anything else is a declaration up to '>'.
            if (c != '-') {
                state_ = State::kBogusComment;
                return false;
            }
            if (++dashes_ == 2) state_ = State::kComment;  // the two dashes also close "<!-->"
            return true;
        case State::kComment:
            if (c == '>' && dashes_ >= 2) state_ = State::kData;
            dashes_ = c == '-' ? dashes_ + 1 : 0;
            return true;
        default:  // a bogus comment
            if (c == '>') state_ = State::kData;
            return true;
    }
}

// Between attributes: names, '=', '/' and the '>' that ends the tag.
bool HtmlTagReader::StepInTag(char c, const std::function<void(const HtmlStartTag&)>& found) {
    if (c == '>') {
        if (state_ == State::kAttributeName) EndAttributeName();
        EndTag(found);
        return true;
    }
    switch (state_) {
        case State::kTagName:
            if (IsHtmlSpace(c))
                state_ = State::kBeforeAttributeName;
            else if (c == '/')
                state_ = State::kSelfClosing;
            else
                AppendName(tag_.name, c);
            return true;
        case State::kBeforeAttributeName:
            if (IsHtmlSpace(c)) return true;
            if (c == '/') {
                state_ = State::kSelfClosing;
                return true;
            }
            BeginAttribute();
            if (c == '=') AppendName(attributeName_, c);  // a name may start with '='
            return c == '=';
        case State::kAttributeName:
            if (IsHtmlSpace(c) || c == '/' || c == '=') {
                EndAttributeName();
                state_ = c == '=' ? State::kBeforeAttributeValue
                                  : (c == '/' ? State::kSelfClosing : State::kAfterAttributeName);
            } else {
                AppendName(attributeName_, c);
            }
            return true;
        case State::kAfterAttributeName:
            if (IsHtmlSpace(c)) return true;
            if (c == '/' || c == '=') {
                state_ = c == '=' ? State::kBeforeAttributeValue : State::kSelfClosing;
                return true;
            }
            BeginAttribute();
            return false;
        case State::kBeforeAttributeValue:
            if (IsHtmlSpace(c)) return true;
            if (c == '"' || c == '\'') {
                state_ = c == '"' ? State::kDoubleQuotedValue : State::kSingleQuotedValue;
                return true;
            }
            state_ = State::kUnquotedValue;
            return false;
        default:  // after a quoted value, or after '/'
            if (IsHtmlSpace(c) && state_ == State::kAfterQuotedValue) {
                state_ = State::kBeforeAttributeName;
                return true;
            }
            if (c == '/' && state_ == State::kAfterQuotedValue) {
                state_ = State::kSelfClosing;
                return true;
            }
            state_ = State::kBeforeAttributeName;
            return false;
    }
}

bool HtmlTagReader::StepInValue(char c, const std::function<void(const HtmlStartTag&)>& found) {
    if (state_ == State::kUnquotedValue) {
        if (IsHtmlSpace(c)) {
            state_ = State::kBeforeAttributeName;
        } else if (c == '>') {
            EndTag(found);
        } else {
            AppendToValue(c);
        }
        return true;
    }
    const char quote = state_ == State::kDoubleQuotedValue ? '"' : '\'';
    if (c == quote) {
        state_ = State::kAfterQuotedValue;
    } else {
        AppendToValue(c);
    }
    return true;
}

void HtmlTagReader::BeginTag(bool endTag) {
    tag_.name.clear();
    tag_.href.reset();
    tag_.src.reset();
    endTag_ = endTag;
    tagTooLong_ = false;
    tagLength_ = 2;  // "<" and the first letter, or "</"
    state_ = State::kTagName;
}

void HtmlTagReader::BeginAttribute() {
    attributeName_.clear();
    slot_ = Slot::kNone;
    state_ = State::kAttributeName;
}

// The first href and the first src of a tag are kept, as a browser keeps
// the first of two attributes of one name.
void HtmlTagReader::EndAttributeName() {
    slot_ = Slot::kNone;
    if (endTag_) return;
    if (attributeName_ == "href" && !tag_.href) {
        tag_.href.emplace();
        slot_ = Slot::kHref;
    } else if (attributeName_ == "src" && !tag_.src) {
        tag_.src.emplace();
        slot_ = Slot::kSrc;
    }
}

void HtmlTagReader::AppendToValue(char c) {
    if (tagTooLong_) return;
    if (slot_ == Slot::kHref) tag_.href->push_back(c);
    if (slot_ == Slot::kSrc) tag_.src->push_back(c);
}

void HtmlTagReader::EndTag(const std::function<void(const HtmlStartTag&)>& found) {
    state_ = State::kData;
    slot_ = Slot::kNone;
    if (endTag_) return;
    // Raw text starts after its start tag even when the tag itself was too
    // long to keep.
    if (HoldsRawText(tag_.name)) {
        rawTextEnd_ = "</" + tag_.name;
        rawMatched_ = 0;
        state_ = State::kRawText;
    }
    if (!tagTooLong_) found(tag_);
    tag_.href.reset();
    tag_.src.reset();
}

// Raw text ends at "</name" (any letter case) followed by a blank, '/' or
// '>'; the end tag is then read to its '>' as any other.
void HtmlTagReader::StepInRawText(char c) {
    if (rawMatched_ == rawTextEnd_.size()) {
        if (IsHtmlSpace(c) || c == '/' || c == '>') {
            BeginTag(true);
            state_ = c == '>' ? State::kData : State::kBeforeAttributeName;
            return;
        }
        rawMatched_ = 0;
    }
    if (FoldAscii(c) == rawTextEnd_[rawMatched_]) {
        ++rawMatched_;
    } else {
        rawMatched_ = c == '<' ? 1 : 0;
    }
}
