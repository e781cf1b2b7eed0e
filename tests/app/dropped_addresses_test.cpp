#include "app/dropped_addresses.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

TEST(DroppedAddressesTest, AddressesAreTakenAndEverythingElseRefused) {
    struct Case {
        std::string text;
        Lines addresses;
        Lines refused;
    };
    const Case cases[] = {
        // A browser's URI list, with its comment and line ends.
        {"# from a page\r\nhttp://h/a.zip\r\nFTP://files.example/pub/b.zip\r\n",
         {"http://h/a.zip", "FTP://files.example/pub/b.zip"},
         {}},
        {"  https://h:8080/x.zip  \n\n\tmirror.example/tools/c.rar\n",
         {"https://h:8080/x.zip", "mirror.example/tools/c.rar"},
         {}},
        {"hello world\nfile:///home/u/x.zip\nmailto:a@b.example\nhttp:///x.zip\nhttp://h "
         "a/x.zip\nreadme.txt\n"
         "javascript://alert(1)",
         {},
         {"hello world", "file:///home/u/x.zip", "mailto:a@b.example", "http:///x.zip", "http://h a/x.zip",
          "readme.txt", "javascript://alert(1)"}},
        // Longer than a file entry holds: refused whole rather than cut into another address.
        {"http://h/" + std::string(245, 'a'), {"http://h/" + std::string(245, 'a')}, {}},
        {"http://h/" + std::string(246, 'a'), {}, {"http://h/" + std::string(246, 'a')}},
        {"h.example/" + std::string(238, 'a'),
         {},
         {"h.example/" + std::string(238, 'a')}},  // "http://" counts
        {std::string("http://h/a\0b.zip", 16), {}, {std::string("http://h/a\0b.zip", 16)}},
    };
    for (const Case& c : cases) {
        const DroppedAddresses split = SplitDroppedText(c.text);
        EXPECT_EQ(split.addresses, c.addresses) << c.text;
        EXPECT_EQ(split.refused, c.refused) << c.text;
    }
}

TEST(DroppedAddressesTest, TheMessageNamesTheFirstRefusedLinesCutShort) {
    EXPECT_EQ(RefusalMessage({}), "");
    EXPECT_EQ(RefusalMessage({"hello world"}), "This is not an address and was not added:\nhello world");
    const std::string message = RefusalMessage({std::string(200, 'x'), "b", "c", "d", "e", "f"});
    EXPECT_EQ(message, "These are not addresses and were not added:\n" + std::string(80, 'x') +
                           "...\nb\nc\nd\ne\n...");
}

}  // namespace
