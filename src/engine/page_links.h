#pragma once

// Every link of a page as a browser shows it: the href of each a, area and
// link tag and the src of each frame and iframe, in page order, wherever
// they stand on their lines. Values are decoded of character references
// (&amp; &#38; &#x26;), lose the blanks around them and the tabs and line
// feeds inside, and are resolved as RFC 3986 says against the page's
// address or its first <base href>, without their fragment. Links to
// mailto:, javascript: and data: addresses are left out. The page is read
// piece by piece with bounded memory (see HtmlTagReader).

#include <string>
#include <string_view>
#include <vector>

#include "engine/html_tags.h"

class PageLinkReader {
public:
    // `pageAddress` is the address the page was read from, after any
    // redirection.
    explicit PageLinkReader(std::string pageAddress);

    // The links whose tags end in this piece of the page, in page order.
    std::vector<std::string> Read(std::string_view piece);

private:
    void Take(const HtmlStartTag& tag, std::vector<std::string>& links);

    HtmlTagReader tags_;
    std::string pageAddress_;
    std::string base_;
    bool baseSeen_ = false;
};

// The value of an attribute with its character references decoded as a
// browser decodes them in attribute values: numeric ones always, the named
// ones amp, lt, gt, quot and apos (and the first four without their ';'
// when no letter, digit or '=' follows). A number a browser would not
// show as its character becomes U+FFFD. Unknown names stay as written.
std::string DecodeCharacterReferences(std::string_view value);
