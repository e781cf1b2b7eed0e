#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "support/child_server.h"

// An https server that speaks HTTP/2 only (tests/support/h2_test_server.py,
// over Debian's python3-h2), serving the files of a folder on 127.0.0.1
// with the test authority's certificate. Requests that arrive together are
// answered together, the later ones first.
class TestH2Server {
public:
    explicit TestH2Server(const std::filesystem::path& root);

    // "https://127.0.0.1:<port>" followed by the path.
    std::string Url(std::string_view path) const;

    struct Figures {
        std::size_t connections = 0;  // TLS connections so far
        std::size_t streams = 0;      // requests so far
        std::size_t mostAtOnce = 0;   // the most streams open together on one connection
    };
    Figures Count();

private:
    ChildServer server_;
};
