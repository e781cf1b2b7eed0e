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

// Elements whose text a browser reads as text, tags and all, up to their
// end tag. A script's text has rules of its own.
bool HoldsRawText(std::string_view name) {
    constexpr std::string_view kNames[] = {"style",  "textarea", "title",   "xmp",
                                           "iframe", "noembed",  "noframes"};
    for (std::string_view held : kNames) {
        if (name == held) return true;
    }
    return false;
}

bool EndsTagName(char c) { return IsHtmlSpace(c) || c == '/' || c == '>'; }

}  // namespace

void HtmlTagReader::Read(std::string_view piece, const std::function<void(const HtmlTag&)>& found) {
    std::size_t at = 0;
    while (at < piece.size()) {
        if (state_ == State::kPlainText) return;  // text to the end of the page
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

bool HtmlTagReader::Step(char c, const std::function<void(const HtmlTag&)>& found) {
    switch (state_) {
        case State::kData:
        case State::kTagOpen:
        case State::kEndTagOpen:
        case State::kMarkupDeclaration:
        case State::kComment:
        case State::kCommentEndBang:
        case State::kBogusComment: return StepOutsideTags(c);
        case State::kRawText: StepInRawText(c); return true;
        case State::kScript: StepInScript(c); return true;
        case State::kPlainText: return true;
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
            if (++dashes_ == 2) {
                state_ = State::kComment;  // the two dashes also close "<!-->"
                openingDashes_ = 2;
            }
            return true;
        case State::kComment:
            // "-->" ends a comment, and so does "--!>".
            if (c == '>' && dashes_ >= 2) state_ = State::kData;
            // The dashes of "<!--" close "<!-->" but not "<!--!>".
            if (c == '!' && dashes_ - openingDashes_ >= 2) state_ = State::kCommentEndBang;
            dashes_ = c == '-' ? dashes_ + 1 : 0;
            if (c != '-') openingDashes_ = 0;
            return true;
        case State::kCommentEndBang: state_ = c == '>' ? State::kData : State::kComment; return c == '>';
        default:  // a bogus comment
            if (c == '>') state_ = State::kData;
            return true;
    }
}

// Between attributes: names, '=', '/' and the '>' that ends the tag.
bool HtmlTagReader::StepInTag(char c, const std::function<void(const HtmlTag&)>& found) {
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

bool HtmlTagReader::StepInValue(char c, const std::function<void(const HtmlTag&)>& found) {
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
    tag_.end = endTag;
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

void HtmlTagReader::EndTag(const std::function<void(const HtmlTag&)>& found) {
    state_ = State::kData;
    slot_ = Slot::kNone;
    if (endTag_) {
        if (!tagTooLong_) found(tag_);
        return;
    }
    // Raw text starts after its start tag even when the tag itself was too
    // long to keep.
    if (HoldsRawText(tag_.name) || tag_.name == "script") {
        rawTextEnd_ = "</" + tag_.name;
        rawMatched_ = 0;
        state_ = tag_.name == "script" ? State::kScript : State::kRawText;
        scriptEscape_ = ScriptEscape::kNone;
        scriptMarkup_.clear();
        dashes_ = 0;
    }
    if (tag_.name == "plaintext") state_ = State::kPlainText;
    if (!tagTooLong_) found(tag_);
    tag_.href.reset();
    tag_.src.reset();
}

// Raw text ends at "</name" (any letter case) followed by a blank, '/' or
// '>'; the end tag is then read to its '>' as any other.
void HtmlTagReader::StepInRawText(char c) {
    if (rawMatched_ == rawTextEnd_.size()) {
        if (EndsTagName(c)) {
            LeaveRawText(c);
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

void HtmlTagReader::LeaveRawText(char c) {
    BeginTag(true);
    tag_.name = rawTextEnd_.substr(2);
    state_ = c == '>' ? State::kData : (c == '/' ? State::kSelfClosing : State::kBeforeAttributeName);
}

// A script's text: "<!--" starts an escaped part that "-->" ends; inside
// it, "<script" followed by a blank, '/' or '>' starts a part in which
// "</script>" only returns to the escaped part. Anywhere else "</script"
// ends the text.
void HtmlTagReader::StepInScript(char c) {
    if (!scriptMarkup_.empty() && StepInScriptMarkup(c)) return;
    scriptMarkup_.clear();
    if (c == '<') {
        scriptMarkup_ = "<";
        dashes_ = 0;
        return;
    }
    if (c == '>' && dashes_ >= 2) scriptEscape_ = ScriptEscape::kNone;
    dashes_ = c == '-' ? dashes_ + 1 : 0;
}

// One more byte of what began with '<': false when that is no longer
// markup of the script's text, and the byte is text.
bool HtmlTagReader::StepInScriptMarkup(char c) {
    const std::string_view markup = scriptMarkup_;
    if (markup == "<") {
        const bool opens = c == '/' || (c == '!' && scriptEscape_ == ScriptEscape::kNone) ||
                           (IsAsciiLetter(c) && scriptEscape_ == ScriptEscape::kEscaped);
        return opens && ExtendScriptMarkup(c, c == '/' ? "</script" : (c == '!' ? "<!--" : "<script"));
    }
    if (markup == "</script" && EndsTagName(c)) {
        scriptMarkup_.clear();
        if (scriptEscape_ == ScriptEscape::kDoubleEscaped) {
            scriptEscape_ = ScriptEscape::kEscaped;
        } else {
            LeaveRawText(c);
        }
        return true;
    }
    if (markup == "<script" && EndsTagName(c)) {
        scriptMarkup_.clear();
        scriptEscape_ = ScriptEscape::kDoubleEscaped;
        return true;
    }
    if (markup == "<!-" && c == '-') {
        // The two dashes may also close the part at once: "<!-->".
        scriptMarkup_.clear();
        scriptEscape_ = ScriptEscape::kEscaped;
        dashes_ = 2;
        return true;
    }
    if (markup.starts_with("</")) return ExtendScriptMarkup(c, "</script");
    return ExtendScriptMarkup(c, markup.starts_with("<!") ? "<!--" : "<script");
}

bool HtmlTagReader::ExtendScriptMarkup(char c, std::string_view toward) {
    const std::size_t at = scriptMarkup_.size();
    if (at >= toward.size() || FoldAscii(c) != toward[at]) return false;
    scriptMarkup_ += FoldAscii(c);
    return true;
}
