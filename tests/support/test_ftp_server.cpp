#include "support/test_ftp_server.h"

TestFtpServer::TestFtpServer(const std::filesystem::path& root, std::optional<std::size_t> holdAfter,
                             std::string_view listingReply, const std::vector<std::string>& refused,
                             std::string_view user)
    : server_(Arguments(root, holdAfter, listingReply, refused, user), "the FTP server", false,
              Environment(user)) {}

std::vector<std::string> TestFtpServer::Environment(std::string_view user) {
    if (user.empty()) return {};
    const std::size_t colon = user.find(':');
    return {"FTP_TEST_SERVER_PASSWORD=" +
            std::string(colon == std::string_view::npos ? "" : user.substr(colon + 1))};
}

std::vector<std::string> TestFtpServer::Arguments(const std::filesystem::path& root,
                                                  std::optional<std::size_t> holdAfter,
                                                  std::string_view listingReply,
                                                  const std::vector<std::string>& refused,
                                                  std::string_view user) {
    std::vector<std::string> args{TARRAWICK_FTP_TEST_SERVER, root.string()};
    for (const std::string& command : refused) {
        args.emplace_back("--refuse");
        args.push_back(command);
    }
    if (holdAfter) {
        args.emplace_back("--hold-after");
        args.push_back(std::to_string(*holdAfter));
    }
    if (!listingReply.empty()) {
        args.emplace_back("--listing-reply");
        args.emplace_back(listingReply);
    }
    if (!user.empty()) {
        args.emplace_back("--user");
        args.emplace_back(user.substr(0, user.find(':')));
    }
    return args;
}

std::string TestFtpServer::Server() const { return "127.0.0.1:" + std::to_string(Port()); }

std::string TestFtpServer::Url(std::string_view path) const {
    return "ftp://" + Server() + std::string(path);
}

void TestFtpServer::Release() { server_.SendLine(); }
