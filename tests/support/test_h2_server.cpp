#include "support/test_h2_server.h"

#include <sstream>

#include "support/tls_test_server.h"

TestH2Server::TestH2Server(const std::filesystem::path& root)
    : server_({TARRAWICK_H2_TEST_SERVER, TrustedServerFiles().certificate, TrustedServerFiles().key,
               root.string()},
              "the HTTP/2 server", true) {}

std::string TestH2Server::Url(std::string_view path) const {
    return "https://127.0.0.1:" + std::to_string(server_.Port()) + std::string(path);
}

TestH2Server::Figures TestH2Server::Count() {
    server_.SendLine();
    std::istringstream line(server_.ReadLine());  // "connections <c> streams <s> most <m>"
    Figures figures;
    std::string name;
    line >> name >> figures.connections >> name >> figures.streams >> name >> figures.mostAtOnce;
    return figures;
}
