#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/default_workers.h"
#include "net/curl_session.h"
#include "support/file_worker_fixture.h"
#include "support/record_builders.h"
#include "support/search_engine_stand_ins.h"
#include "support/temp_folder.h"
#include "support/test_ftp_server.h"
#include "support/test_proxy_server.h"
#include "support/tls_test_server.h"

namespace {

constexpr const char* kUser = "ann";
constexpr const char* kPassword = "pa:ss w0rd";

// Sets an environment variable, or removes it, for the object's life.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedVariable() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

ProxyOptions Manual(ProxyScheme scheme, int port, std::string user = {}, std::string password = {}) {
    ProxyOptions proxy;
    proxy.mode = ProxyMode::kManual;
    proxy.scheme = scheme;
    proxy.host = "127.0.0.1";
    proxy.port = port;
    proxy.user = std::move(user);
    proxy.password = std::move(password);
    return proxy;
}

ProxyOptions NoProxy() {
    ProxyOptions proxy;
    proxy.mode = ProxyMode::kNone;
    return proxy;
}

TestProxyKind KindOf(ProxyScheme scheme) {
    const bool socks = scheme == ProxyScheme::kSocks5 || scheme == ProxyScheme::kSocks5h;
    return socks ? TestProxyKind::kSocks5 : TestProxyKind::kHttp;
}

// Files, crawls and searches run by the program's own workers through the
// dispatch, to a server that speaks http and https on one port, through a
// stand-in proxy named in the options (or the environment).
class ProxyTest : public FileWorkerFixture {
protected:
    ProxyTest() {
        CurlSessionSettings settings;
        settings.extraCaFile = TestAuthorityFile();
        sessions = CurlSessionFactory(settings);
        dispatch = std::make_unique<WorkerDispatch>(store, state, window, threads,
                                                    DefaultWorkerProcedures(sessions, engines.Hosts()));
    }

    // Downloads the file as the newest entry with the options; its status
    // where it ended: still requested (a failure) or downloaded.
    std::string Download(const std::string& url) {
        Start(url);
        if (!RunUntilDone()) return "did not end";
        for (const ItemList<FileEntry>* list : {&store.RequestedFiles, &store.DownloadedFiles}) {
            for (const FileEntry& entry : *list) {
                if (entry.url.Str() == url) return entry.status.Str();
            }
        }
        return "no entry";
    }

    TlsTestServer server;
    ScopedVariable noProxy{"no_proxy", nullptr};
    ScopedVariable noProxyUpper{"NO_PROXY", nullptr};
    SearchEngineStandIns engines;
};

// Every kind of proxy (an https one too) carries plain and TLS downloads
// whole, with a login or without: the proxy saw each request (by name for socks5h), and the file is
// the server's, byte for byte.
TEST_F(ProxyTest, EachKindOfProxyCarriesHttpAndHttpsDownloads) {
    const struct {
        ProxyScheme scheme;
        bool secure;
        bool login;
        const char* host;
        const char* seen;  // the proxy's log, with P for the server's port
    } cases[] = {
        {ProxyScheme::kHttp, false, false, "127.0.0.1", "GET http://127.0.0.1:P/f0.zip"},
        {ProxyScheme::kHttp, true, false, "127.0.0.1", "CONNECT 127.0.0.1:P"},
        {ProxyScheme::kHttp, true, true, "127.0.0.1", "CONNECT 127.0.0.1:P"},
        {ProxyScheme::kHttp, false, true, "127.0.0.1", "GET http://127.0.0.1:P/f3.zip"},
        {ProxyScheme::kSocks5, false, false, "127.0.0.1", "SOCKS 127.0.0.1:P"},
        {ProxyScheme::kSocks5, true, true, "127.0.0.1", "SOCKS 127.0.0.1:P"},
        {ProxyScheme::kSocks5h, false, true, "localhost", "SOCKS name localhost:P"},
        {ProxyScheme::kSocks5h, true, false, "localhost", "SOCKS name localhost:P"},
        {ProxyScheme::kHttps, false, true, "127.0.0.1", "GET http://127.0.0.1:P/f8.zip"},
        {ProxyScheme::kHttps, true, false, "127.0.0.1", "CONNECT 127.0.0.1:P"},
    };
    const std::string port = std::to_string(server.Port());
    for (std::size_t index = 0; index < std::size(cases); ++index) {
        const auto& c = cases[index];
        const std::string name = "f" + std::to_string(index) + ".zip";
        SCOPED_TRACE(name);
        const std::string body(70000 + index, static_cast<char>('a' + index));
        server.backend.Route("/" + name, TestHttpReply::Ok(body));
        TestProxyServer proxy(KindOf(c.scheme), c.login ? kUser : "", c.login ? kPassword : "");
        // An https proxy: the same proxy behind TLS.
        std::optional<TlsTestServer> proxyTls;
        if (c.scheme == ProxyScheme::kHttps) proxyTls.emplace(TestCertificate::kTrusted, proxy.Port());
        const int proxyPort = proxyTls ? proxyTls->Port() : proxy.Port();
        options.proxy = Manual(c.scheme, proxyPort, c.login ? kUser : "", c.login ? kPassword : "");
        const std::string url =
            std::string(c.secure ? "https://" : "http://") + c.host + ":" + port + "/" + name;

        EXPECT_EQ(Download(url), "Success");
        EXPECT_TRUE(folder.Read("Software/" + name) == body);
        std::string seen = c.seen;
        seen.replace(seen.find('P'), 1, port);
        EXPECT_EQ(proxy.Log(), std::vector<std::string>{seen});
        if (proxyTls) {
            EXPECT_EQ(proxyTls->SecureConnections(), 1u);  // the proxy was reached over TLS
        }
    }
    EXPECT_EQ(server.SecureConnections(), 5u);
}

// The server's answer, not the proxy's answer to CONNECT, decides whether a
// tunnelled download failed, whether the proxy is the options' or the
// environment's.
TEST_F(ProxyTest, AnErrorAnswerThroughATunnelIsTheServersAndSavesNothing) {
    TestProxyServer proxy(TestProxyKind::kHttp);
    const std::string proxyAddress = "http://127.0.0.1:" + std::to_string(proxy.Port());
    ScopedVariable httpsProxy("https_proxy", proxyAddress.c_str());
    const ProxyOptions chosen[] = {Manual(ProxyScheme::kHttp, proxy.Port()), ProxyOptions{}};
    for (std::size_t index = 0; index < std::size(chosen); ++index) {
        const std::string name = "gone" + std::to_string(index) + ".zip";
        server.backend.Route("/" + name, TestHttpReply::Status(404, "Not Found", "<html>gone</html>"));
        options.proxy = chosen[index];
        EXPECT_EQ(Download(server.HttpsUrl("/" + name)), "404 Not Found");
        EXPECT_FALSE(folder.Exists("Software/" + name));
    }
    const std::string tunnel = "CONNECT 127.0.0.1:" + std::to_string(server.Port());
    EXPECT_EQ(proxy.Log(), (std::vector<std::string>{tunnel, tunnel}));
}

// A proxy that refuses the login says so in the entry, and nothing reaches
// the server or the disk.
TEST_F(ProxyTest, ARefusedLoginIsAClearErrorAndWritesNothing) {
    const struct {
        ProxyScheme scheme;
        bool secure;
        const char* user;
        const char* message;
        const char* seen;
    } cases[] = {
        {ProxyScheme::kHttp, false, kUser, "407 Proxy Authentication Required", "407"},
        {ProxyScheme::kHttp, true, kUser, "407 Proxy Authentication Required", "407"},
        {ProxyScheme::kHttp, true, "", "407 Proxy Authentication Required", "407"},
        {ProxyScheme::kSocks5, false, kUser, "SOCKS proxy: user name or password refused",
         "SOCKS login refused"},
        {ProxyScheme::kSocks5h, true, "", "SOCKS proxy: a login is required", "SOCKS no method"},
    };
    for (std::size_t index = 0; index < std::size(cases); ++index) {
        const auto& c = cases[index];
        const std::string name = "r" + std::to_string(index) + ".zip";
        SCOPED_TRACE(name);
        server.backend.Route("/" + name, TestHttpReply::Ok("never sent"));
        TestProxyServer proxy(KindOf(c.scheme), kUser, kPassword);
        options.proxy = Manual(c.scheme, proxy.Port(), c.user, "wrong");
        const std::string url = (c.secure ? server.HttpsUrl("/") : server.HttpUrl("/")) + name;

        EXPECT_EQ(Download(url), c.message);
        EXPECT_EQ(window.statusText, c.message);
        EXPECT_FALSE(folder.Exists("Software/" + name));
        EXPECT_EQ(proxy.Log(), std::vector<std::string>{c.seen});
    }
    EXPECT_TRUE(server.backend.Requests().empty());
    EXPECT_EQ(store.DownloadedFiles.Count(), 0);
}

// The environment's proxy is used by default and by nothing else: "None"
// goes straight to the server, and a manual proxy replaces it (its bypass
// list reaching the server directly).
TEST_F(ProxyTest, OnlyTheDefaultModeFollowsTheEnvironmentsProxy) {
    TestProxyServer environmentProxy(TestProxyKind::kHttp);
    TestProxyServer manualProxy(TestProxyKind::kSocks5);
    const std::string proxyAddress = "http://127.0.0.1:" + std::to_string(environmentProxy.Port());
    ScopedVariable httpProxy("http_proxy", proxyAddress.c_str());
    ScopedVariable allProxy("all_proxy", nullptr);
    ProxyOptions bypassed = Manual(ProxyScheme::kSocks5, manualProxy.Port());
    bypassed.bypass = "example.org, 127.0.0.1";
    const struct {
        ProxyOptions proxy;
        std::size_t byEnvironment;
        std::size_t byManual;
    } cases[] = {
        {ProxyOptions{}, 1, 0},
        {NoProxy(), 0, 0},
        {Manual(ProxyScheme::kSocks5, manualProxy.Port()), 0, 1},
        {bypassed, 0, 0},
    };
    for (std::size_t index = 0; index < std::size(cases); ++index) {
        const std::string name = "e" + std::to_string(index) + ".zip";
        SCOPED_TRACE(name);
        server.backend.Route("/" + name, TestHttpReply::Ok("bytes " + name));
        const std::size_t environmentBefore = environmentProxy.Log().size();
        const std::size_t manualBefore = manualProxy.Log().size();
        options.proxy = cases[index].proxy;
        EXPECT_EQ(Download(server.HttpUrl("/" + name)), "Success");
        EXPECT_EQ(folder.Read("Software/" + name), "bytes " + name);
        EXPECT_EQ(environmentProxy.Log().size() - environmentBefore, cases[index].byEnvironment);
        EXPECT_EQ(manualProxy.Log().size() - manualBefore, cases[index].byManual);
    }
}

// FTP goes through a tunnel of an HTTP proxy or through a SOCKS proxy, its
// data connections passive although the options ask for active ones (the
// server refuses PORT and EPRT).
TEST_F(ProxyTest, FtpGoesThroughEitherKindOfProxyWithPassiveDataConnections) {
    TempFolder served;
    served.Write("pub.zip", std::string(40000, 'f'));
    TestFtpServer ftp(served.Path(), std::nullopt, {}, {"PORT", "EPRT"});
    options.ftpPassive = false;
    for (const ProxyScheme scheme : {ProxyScheme::kHttp, ProxyScheme::kSocks5}) {
        SCOPED_TRACE(std::string(ProxySchemeName(scheme)));
        TestProxyServer proxy(KindOf(scheme), kUser, kPassword);
        options.proxy = Manual(scheme, proxy.Port(), kUser, kPassword);
        std::filesystem::remove(folder / "Software/pub.zip");
        EXPECT_EQ(Download(ftp.Url("/pub.zip")), "Success");
        EXPECT_TRUE(folder.Read("Software/pub.zip") == std::string(40000, 'f'));
        const std::vector<std::string> seen = proxy.Log();
        ASSERT_FALSE(seen.empty());
        EXPECT_EQ(seen.front(), (scheme == ProxyScheme::kHttp ? "CONNECT " : "SOCKS ") + ftp.Server());
    }
}

// Crawls and searches take the proxy of their options like the files do.
TEST_F(ProxyTest, CrawlsAndSearchesGoThroughTheProxy) {
    TestProxyServer proxy(TestProxyKind::kHttp, kUser, kPassword);
    options.proxy = Manual(ProxyScheme::kHttp, proxy.Port(), kUser, kPassword);
    server.backend.Route("/site/index.htm", TestHttpReply::Ok("<a href=\"tool.zip\">tool</a>\n"));
    server.backend.Route("/site/tool.zip", TestHttpReply::Ok("tool bytes"));
    WebProject site = Site("proj", server.HttpUrl("/site/index.htm"), "Ready");
    site.wantZip = 1;
    store.RequestedSites.Append(site);
    state.ShownList = 2;
    window.Show(store.RequestedSites);
    window.Select({0});
    StartSelected();
    ASSERT_TRUE(executor.RunUntil([&] { return store.ActiveSiteCrawls.Count() == 0; }));
    EXPECT_EQ(folder.Read("Software/proj/site/tool.zip"), "tool bytes");

    engines.ServeAltavista("tools", TestHttpReply::Ok(ResultPage(NumberedLinks("a.org", 3))));
    SearchProject search = Search("Tools", "tools", "Ready");
    search.useAltavista = 1;
    search.useYahoo = 0;
    store.RequestedSearches.Append(search);
    state.ShownList = 5;
    window.Show(store.RequestedSearches);
    window.Select({0});
    StartSelected();
    ASSERT_TRUE(executor.RunUntil([&] { return store.ActiveSearchRuns.Count() == 0; }));
    EXPECT_EQ(store.SearchResults.Count(), 3);

    const std::vector<std::string> seen = proxy.Log();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], "GET " + server.HttpUrl("/site/index.htm"));
    EXPECT_EQ(seen[1], "GET " + server.HttpUrl("/site/tool.zip"));
    EXPECT_TRUE(seen[2].starts_with("GET http://127.0.0.1:" + std::to_string(engines.altavista.Port())));
}

}  // namespace
