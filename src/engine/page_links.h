#pragma once

// Every link of a page as a browser shows it: the href of each a, area and
// link tag and the src of each frame and iframe, in page order, wherever
// they stand on their lines. Values are decoded of character references
// (HTML's whole table of names, and numbers), lose the blanks around them
// and the tabs and line feeds inside, and are resolved against the page's
// address or its first <base href>, without their fragment (see
// ResolveReference). Links to mailto:, javascript: and data: addresses are
// left out. The page is read piece by piece with bounded memory (see
// HtmlTagReader).
//
// A base applies to the whole page, also to the links before it. Those can
// only be link tags in the head, so links are held back while no base has
// come and the head may still go on: until </head> or a tag that has no
// place in a head (such as <body> or <a>), at most kMaxHeldLinks of them
// and kMaxHeldBytes in all, and given by Finish when the page ends first. A
// base met after that counts from where it stands.

#include <string>
#include <string_view>
#include <vector>

#include "engine/html_tags.h"

class PageLinkReader {
public:
    // `pageAddress` is the address the page was read from, after any
    // redirection.
    explicit PageLinkReader(std::string pageAddress);

    static constexpr std::size_t kMaxHeldLinks = 64;
    static constexpr std::size_t kMaxHeldBytes = 65536;

    // The links that this piece of the page gives, in page order: those
    // whose tags end in it, after any held back until a tag in it.
    std::vector<std::string> Read(std::string_view piece);

    // The links still held back when the page has ended.
    std::vector<std::string> Finish();

private:
    void Take(const HtmlTag& tag, std::vector<std::string>& links);
    void TakeBase(const std::string& href);
    void Hold(std::string reference, std::vector<std::string>& links);
    void ReleaseHeld(std::vector<std::string>& links);
    void AddLink(std::string_view reference, std::vector<std::string>& links) const;

    HtmlTagReader tags_;
    std::string pageAddress_;
    std::string base_;
    bool baseSeen_ = false;
    bool holding_ = true;  // no base yet, and the page may still be in its head
    std::vector<std::string> held_;
    std::size_t heldBytes_ = 0;
};

// The value of an attribute with its character references decoded as a
// browser decodes them in attribute values: numeric ones always, the named
// ones amp, lt, gt, quot and apos (and the first four without their ';'
// when no letter, digit or '=' follows). A number a browser would not
// show as its character becomes U+FFFD. Unknown names stay as written.
std::string DecodeCharacterReferences(std::string_view value);
