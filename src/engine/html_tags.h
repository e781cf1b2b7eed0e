#pragma once

// A streaming reader of the start tags of an HTML page, as a browser's
// tokenizer finds them: tags may span lines and stand many to a line,
// attribute values may be quoted either way or not at all, and nothing
// inside comments, <!...> and <?...> declarations, the text of script,
// style, textarea, title, xmp, iframe, noembed and noframes elements, or
// after <plaintext> counts as a tag. A script's text ends only where a
// browser ends it, also when it holds "<!--" and "<script>". The page is fed in
// pieces of any size; memory stays bounded by kMaxTagLength whatever the
// page holds. Only what links are made of is kept: the tag's name and its
// first href and src values. One reader per page, used by one thread.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// A tag with the attributes links come from, their values as they stand in
// the page (character references not yet decoded). An end tag has only its
// name.
struct HtmlTag {
    std::string name;  // lower case
    bool end = false;
    std::optional<std::string> href;
    std::optional<std::string> src;
};

class HtmlTagReader {
public:
    // A tag longer than this, from its '<' to its '>', is skipped whole.
    static constexpr std::size_t kMaxTagLength = 16384;

    // Reads the next piece of the page and hands each start and end tag that
    // ends in it to `found`, in page order.
    void Read(std::string_view piece, const std::function<void(const HtmlTag&)>& found);

private:
    enum class State {
        kData,
        kTagOpen,
        kEndTagOpen,
        kTagName,
        kBeforeAttributeName,
        kAttributeName,
        kAfterAttributeName,
        kBeforeAttributeValue,
        kDoubleQuotedValue,
        kSingleQuotedValue,
        kUnquotedValue,
        kAfterQuotedValue,
        kSelfClosing,
        kMarkupDeclaration,
        kComment,
        kCommentEndBang,  // "--!" read in a comment
        kBogusComment,
        kRawText,
        kScript,
        kPlainText,
    };
    // Where a script's text stands: outside "<!--", inside it, or inside a
    // "<script" written within it, where "</script>" does not end the text.
    enum class ScriptEscape { kNone, kEscaped, kDoubleEscaped };
    // Which of the tag's fields the value being read goes to.
    enum class Slot { kNone, kHref, kSrc };

    // Handles one byte; false when the same byte is to be handled again in
    // the state it left behind.
    bool Step(char c, const std::function<void(const HtmlTag&)>& found);
    bool StepInTag(char c, const std::function<void(const HtmlTag&)>& found);
    bool StepInValue(char c, const std::function<void(const HtmlTag&)>& found);
    bool StepOutsideTags(char c);
    void BeginTag(bool endTag);
    void BeginAttribute();
    void EndAttributeName();
    void AppendToValue(char c);
    void EndTag(const std::function<void(const HtmlTag&)>& found);
    void StepInRawText(char c);
    void StepInScript(char c);
    bool StepInScriptMarkup(char c);
    bool ExtendScriptMarkup(char c, std::string_view toward);
    void LeaveRawText(char c);

    State state_ = State::kData;
    HtmlTag tag_;
    bool endTag_ = false;
    bool tagTooLong_ = false;
    std::size_t tagLength_ = 0;
    std::string attributeName_;
    Slot slot_ = Slot::kNone;
    int dashes_ = 0;              // in a comment or script: the '-' just before this byte
    int openingDashes_ = 0;       // how many of those are the "<!--" that opened the comment
    std::string rawTextEnd_;      // "</script" and the like, while in such text
    std::size_t rawMatched_ = 0;  // how much of rawTextEnd_ the last bytes were
    ScriptEscape scriptEscape_ = ScriptEscape::kNone;
    std::string scriptMarkup_;  // "<!-", "</scri", "<scr"...: what may become markup
};
