#include "engine/archive_name.h"

#include <gtest/gtest.h>

namespace {

TEST(IsArchiveName, AcceptsEverySuffixAnywhereInAnyCase) {
    for (const char* name :
         {"a.zip", "Setup.EXE", "x.rar", "x.ace", "x.tar", "x.gz", "x.arj", "x.gzip", "x.ddi", "x.uue",
          "index.asp", "page.Aspx", "notes.rtf", "x.zip.html", "Software/pkg.tar.gz"}) {
        EXPECT_TRUE(IsArchiveName(name)) << name;
    }
}

TEST(IsArchiveName, RefusesNamesWithoutAnArchiveSuffix) {
    for (const char* name : {"", "readme.txt", "Software/", "zip", "page.html", "x.", "x.z", "x.dd"}) {
        EXPECT_FALSE(IsArchiveName(name)) << name;
    }
}

}  // namespace
