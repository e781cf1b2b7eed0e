#include "engine/site_crawler_worker.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include "app/default_workers.h"
#include "app/entry_commands.h"
#include "app/worker_dispatch.h"
#include "engine/crawl_log.h"
#include "engine/crawl_view.h"
#include "engine/url_parts.h"
#include "net/curl_session.h"
#include "net/descriptor_budget.h"
#include "store/item_store.h"
#include "support/fake_window.h"
#include "support/manual_executor.h"
#include "support/record_builders.h"
#include "support/temp_folder.h"
#include "support/test_h2_server.h"
#include "support/test_http_server.h"
#include "support/tls_test_server.h"
#include "support/worker_fixture.h"
#include "workers/app_state.h"
#include "workers/hand_over.h"
#include "workers/worker_threads.h"

namespace {

using namespace std::chrono_literals;

std::string Page(std::initializer_list<std::string> lines) {
    std::string page;
    for (const std::string& line : lines) page += line + "\r\n";
    return page;
}

std::string Href(const std::string& link) { return "<a href=\"" + link + "\">link</a>"; }

// The library's one-shot sha256, in hex.
std::string Sha256Of(const std::string& bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += "0123456789abcdef"[digest[i] >> 4];
        hex += "0123456789abcdef"[digest[i] & 0x0F];
    }
    return hex;
}

std::vector<std::string> Targets(const TestHttpServer& server, std::size_t from = 0) {
    std::vector<std::string> targets;
    const std::vector<TestHttpRequest> requests = server.Requests();
    for (std::size_t i = from; i < requests.size(); ++i) targets.push_back(requests[i].target);
    return targets;
}

bool Contains(const std::vector<std::string>& texts, const std::string& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// Renames the web project it is shown and answers every question with Yes.
class RenamingDialogs : public EntryDialogs {
public:
    explicit RenamingDialogs(std::string name) : name_(std::move(name)) {}
    std::optional<FileRequest> AskFileUrl() override { return std::nullopt; }
    bool EditWebProject(std::string_view, WebProject& project) override {
        project.name = name_;
        return true;
    }
    bool NewSearchProject(SearchProject&) override { return false; }
    bool EditSearchProject(SearchProject&) override { return false; }
    bool AskYesNo(std::string_view) override { return true; }

private:
    std::string name_;
};

// Web-site projects crawled by the real SiteCrawlerWorker through the
// dispatch, against local test servers, with this thread as the
// user-interface thread.
class SiteCrawlerTest : public WorkerFixture {
protected:
    // A project taking zip archives, named "proj" unless said otherwise.
    static WebProject Project(const std::string& startUrl, const std::string& name = "proj") {
        WebProject project = Site(name, startUrl, "Ready");
        project.wantZip = 1;
        return project;
    }

    // Adds the project as the newest one, lists the requested sites with its
    // row (0) selected and starts it.
    void Start(const WebProject& project) {
        store.RequestedSites.Append(project);
        state.ShownList = 2;
        window.Show(store.RequestedSites);
        window.Select({0});
        StartSelected();
    }

    void StartSelected() {
        if (!dispatch) {
            WorkerProcedures procedures = DefaultWorkerProcedures(CurlSessionFactory(settings));
            // Every text is handed over at once, so tests see each one that is not replaced.
            procedures.siteCrawler = [sessions = CurlSessionFactory(settings),
                                      web = web](WorkerContext& context) {
                SiteCrawlerWorker(context, sessions, web, std::chrono::nanoseconds::zero());
            };
            dispatch = std::make_unique<WorkerDispatch>(store, state, window, threads, procedures);
        }
        dispatch->SetOptions(options);
        dispatch->StartWorker();
    }

    bool RunUntilDone() {
        return executor.RunUntil([&] { return store.ActiveSiteCrawls.Count() == 0; });
    }

    // Runs the handed-over steps until the server has received the request.
    void RunUntilRequested(const TestHttpServer& server, const std::string& target) {
        ASSERT_TRUE(executor.RunUntil([&] { return Contains(Targets(server), target); }));
    }

    bool Called(const std::string& call) const { return Contains(window.calls, call); }

    TestHttpServer site;
    CurlSessionSettings settings;
    WebOptions web;
    Options options;  // but web, which the crawl takes from `web`
};

TEST_F(SiteCrawlerTest, CrawlsDepthFirstFetchingEachAddressOnceAndMirrorsTheSite) {
    site.Route("/Index.htm", TestHttpReply::Ok(Page({
                                 Href("a.htm"),
                                 "<p>" + Href("b.htm") + " and <frame src=\"frame.htm\" name=f>",
                                 Href("INDEX.htm"),  // the start address, in another case
                                 Href("moved.htm"),
                                 Href("mailto:me@h.test") + Href("never.zip"),
                             })));
    site.Route("/moved.htm", TestHttpReply::Redirect(301, "/elsewhere.zip"));
    site.Route("/frame.htm", TestHttpReply::Ok(Page({Href("A.HTM")})));  // met before
    site.Route("/b.htm", TestHttpReply::Ok(Page({Href("d1/d2/x.zip")})));
    site.Route("/a.htm", TestHttpReply::Ok(Page({Href("/a1.zip")})));
    site.Route("/d1/d2/x.zip", TestHttpReply::Ok("x bytes"));
    site.Route("/a1.zip", TestHttpReply::Ok("a1 bytes"));
    Start(Project(site.Url("/Index.htm")));
    ASSERT_TRUE(RunUntilDone());

    // b.htm and what it links to come before a.htm; the redirection is not followed.
    EXPECT_EQ(Targets(site), (std::vector<std::string>{"/Index.htm", "/moved.htm", "/frame.htm", "/b.htm",
                                                       "/d1/d2/x.zip", "/a.htm", "/a1.zip"}));
    const std::vector<TestHttpRequest> requests = site.Requests();
    EXPECT_EQ(requests[3].Header("Accept"), "text/*");
    EXPECT_EQ(requests[3].Header("User-Agent"), ProgramUserAgent());
    EXPECT_EQ(requests[4].Header("Accept"), "application/*");
    EXPECT_EQ(requests[4].Header("User-Agent"), requests[0].Header("User-Agent"));
    EXPECT_EQ(folder.Read("Software/proj/d1/d2/x.zip"), "x bytes");
    EXPECT_EQ(folder.Read("Software/proj/a1.zip"), "a1 bytes");
    EXPECT_EQ(window.treeProjects, (std::vector<std::string>{"proj"}));
    EXPECT_EQ(window.treeFiles,
              (std::vector<std::string>{"Software/proj/d1/d2/x.zip", "Software/proj/a1.zip"}));
    EXPECT_TRUE(Called("SetStatusText " + site.Url("/moved.htm") + " not found"));
    EXPECT_TRUE(Called("SetStatusText 6 links found"));
    EXPECT_FALSE(Called("SetStatusText 7 links found"));

    ASSERT_EQ(store.DownloadedSites.Count(), 1);
    EXPECT_EQ(store.DownloadedSites.GetAt(0)->status, "Success");
    EXPECT_EQ(store.RequestedSites.Count(), 0);
    EXPECT_EQ(window.RowCount(), 0);
    EXPECT_EQ(window.lastActionText, "Download completed");
    EXPECT_EQ(window.statusText, "Success");
    EXPECT_EQ(state.SelectedRow, -1);
    EXPECT_FALSE(window.animationPlaying);
    EXPECT_FALSE(state.AnimationRunning);
}

TEST_F(SiteCrawlerTest, EveryKindOfStartAddressEndsAsSuccess) {
    const std::string host = "127.0.0.1:" + std::to_string(site.Port());
    site.Route("/p.htm", TestHttpReply::Ok(Page({Href("p.zip")})));
    site.Route("/p.zip", TestHttpReply::Ok("p"));
    site.Route("/d/s.zip", TestHttpReply::Ok("s"));
    const std::string longStart = host + "/" + std::string(250 - host.size() - 5, 'l') + ".htm";
    struct Case {
        std::string start;
        std::vector<std::string> targets;
        std::string statusCall;  // a status text written on the way, if any
    };
    const std::vector<Case> cases = {
        {host + "/p.htm", {"/p.htm", "/p.zip"}, ""},
        {"http://" + host + "/d/s.zip", {"/d/s.zip"}, ""},
        {"ftp://" + host + "/", {}, "Malformed URL : ftp://" + host + "/"},
        {"http://" + host + "/none.htm", {"/none.htm"}, "http://" + host + "/none.htm not found"},
        // too long once "http://" is put in front: reported as typed
        {longStart, {}, "Malformed URL : " + longStart},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::size_t before = site.Requests().size();
        window.calls.clear();
        Start(Project(cases[i].start, "p" + std::to_string(i)));
        ASSERT_TRUE(RunUntilDone());
        EXPECT_EQ(Targets(site, before), cases[i].targets) << cases[i].start;
        if (!cases[i].statusCall.empty()) {
            EXPECT_TRUE(Called("SetStatusText " + cases[i].statusCall)) << cases[i].start;
        }
        ASSERT_EQ(store.DownloadedSites.Count(), static_cast<int>(i + 1));
        EXPECT_EQ(store.DownloadedSites.GetAt(static_cast<int>(i))->status, "Success") << cases[i].start;
    }
    EXPECT_EQ(folder.Read("Software/p0/p.zip"), "p");
    EXPECT_EQ(folder.Read("Software/p1/d/s.zip"), "s");
    EXPECT_EQ(store.RequestedSites.Count(), 0);
}

// Paths on a server are case-sensitive: an address keeps the letter case of
// the page it was found on, while every comparison ignores it. A fragment
// names a place in a page, not another page. A local path that is refused
// leaves no folder behind.
TEST_F(SiteCrawlerTest, AddressesKeepTheirCaseAndLoseTheirFragment) {
    site.Route("/Docs/Index.htm",
               TestHttpReply::Ok(Page({Href("get.php?file=/a/b.zip"), Href("Files/Setup.ZIP"),
                                       Href("Page.htm#top"), Href("Page.htm"), Href("PAGE.htm#end"),
                                       Href("#top"), "<frame src=\"Menu.htm#m\" name=m>"})));
    site.Route("/Docs/Menu.htm", TestHttpReply::Ok(Page({})));
    site.Route("/Docs/Page.htm", TestHttpReply::Ok(Page({Href("../changelog.Debian.gz")})));
    site.Route("/changelog.Debian.gz", TestHttpReply::Ok("log"));
    site.Route("/Docs/Files/Setup.ZIP", TestHttpReply::Ok("setup"));
    site.Route("/Docs/get.php?file=/a/b.zip", TestHttpReply::Ok("b"));
    WebProject project = Project(site.Url("/Docs/Index.htm"));
    project.wantGz = 1;
    Start(project);
    ASSERT_TRUE(RunUntilDone());

    EXPECT_EQ(Targets(site), (std::vector<std::string>{"/Docs/Index.htm", "/Docs/Menu.htm", "/Docs/Page.htm",
                                                       "/changelog.Debian.gz", "/Docs/Files/Setup.ZIP",
                                                       "/Docs/get.php?file=/a/b.zip"}));
    EXPECT_EQ(folder.Read("Software/proj/changelog.Debian.gz"), "log");
    EXPECT_EQ(folder.Read("Software/proj/Docs/Files/Setup.ZIP"), "setup");
    EXPECT_EQ(window.treeFiles, (std::vector<std::string>{"Software/proj/changelog.Debian.gz",
                                                          "Software/proj/Docs/Files/Setup.ZIP"}));
    EXPECT_TRUE(Called("SetStatusText Software/proj/Docs/get.php?file=/a/b.zip has illegal chars"));
    EXPECT_FALSE(folder.Exists("Software/proj/Docs/get.php?file="));
    EXPECT_EQ(store.DownloadedSites.Count(), 1);
}

TEST_F(SiteCrawlerTest, OtherSitesAreLeftOrCountedAsTheProjectSays) {
    TestHttpServer second;
    TestHttpServer third;
    // Leaving the site is off: only links that hold the start root, wherever.
    const std::string away = second.Url("/go.htm?from=" + site.Url("/"));
    site.Route("/stay.htm", TestHttpReply::Ok(Page({Href(second.Url("/x.htm")), Href(away)})));
    Start(Project(site.Url("/stay.htm"), "stay"));
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(Targets(second), (std::vector<std::string>{"/go.htm?from=" + site.Url("/")}));

    // Two sites at most: the first link to a third stops the page, and
    // every later page stops at its first link that gets that far.
    site.Route("/multi.htm", TestHttpReply::Ok(Page({Href(second.Url("/a.htm")), Href("b.htm"),
                                                     Href(third.Url("/c.htm")), Href("d.htm")})));
    site.Route("/b.htm", TestHttpReply::Ok(Page({Href("e.htm"), Href("f.htm")})));
    second.Route("/a.htm", TestHttpReply::Ok(Page({Href("g.htm")})));
    WebProject counted = Project(site.Url("/multi.htm"), "counted");
    counted.exitDomain = 1;
    counted.maxDomainCount = 2;
    const std::size_t siteBefore = site.Requests().size();
    const std::size_t secondBefore = second.Requests().size();
    Start(counted);
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(Targets(site, siteBefore), (std::vector<std::string>{"/multi.htm", "/b.htm"}));
    EXPECT_EQ(Targets(second, secondBefore), (std::vector<std::string>{"/a.htm"}));
    EXPECT_TRUE(Targets(third).empty());
    EXPECT_EQ(store.DownloadedSites.Count(), 2);
}

TEST_F(SiteCrawlerTest, FilesLandOnlyInsideTheProjectFolder) {
    folder.Write("outside.zip", "keep");
    std::filesystem::create_directories(folder / "elsewhere");
    std::filesystem::create_directories(folder / "Software/proj/h");
    std::filesystem::create_symlink(folder / "elsewhere", folder / "Software/proj/h/link");
    std::filesystem::create_symlink(folder / "outside.zip", folder / "Software/proj/h/planted.zip");
    // 255 characters once made absolute: one more than an entry holds.
    const std::string longLink = std::string(255 - 4 - site.Url("/h/").size(), 'l') + ".zip";
    site.Route(
        "/h/index.htm",
        TestHttpReply::Ok(Page({Href("a.zip?x=1"), Href("x/../../../up.zip"), Href("d/./in.zip"),
                                Href("link/x.zip"), Href("planted.zip"), Href(longLink), Href("ok.zip")})));
    for (const char* target :
         {"/h/a.zip?x=1", "/up.zip", "/in.zip", "/h/link/x.zip", "/h/planted.zip", "/h/ok.zip"}) {
        site.Route(target, TestHttpReply::Ok("served"));
    }
    Start(Project(site.Url("/h/index.htm")));
    ASSERT_TRUE(RunUntilDone());

    EXPECT_EQ(folder.Read("Software/proj/h/ok.zip"), "served");
    EXPECT_TRUE(Called("SetStatusText Software/proj/h/a.zip?x=1 has illegal chars"));
    // Dot segments are gone before a path is made: files land where their sent address says.
    EXPECT_EQ(folder.Read("Software/proj/up.zip"), "served");
    EXPECT_EQ(folder.Read("Software/proj/in.zip"), "served");
    EXPECT_TRUE(Called("SetStatusText Error creating Software/proj/h/link/x.zip"));
    EXPECT_TRUE(Called("SetStatusText Error creating Software/proj/h/planted.zip"));
    EXPECT_EQ(folder.Read("outside.zip"), "keep");
    EXPECT_TRUE(std::filesystem::is_empty(folder / "elsewhere"));
    EXPECT_FALSE(folder.Exists("Software/up.zip"));
    EXPECT_FALSE(folder.Exists("up.zip"));
    for (const std::string& target : Targets(site)) EXPECT_EQ(target.find("llll"), std::string::npos);
    EXPECT_EQ(window.treeFiles, (std::vector<std::string>{"Software/proj/h/ok.zip", "Software/proj/in.zip",
                                                          "Software/proj/up.zip"}));
    ASSERT_EQ(store.DownloadedSites.Count(), 1);  // skipped files are no errors

    // A project name that cannot be a folder: nothing is created for it.
    Start(Project(site.Url("/h/index.htm"), ".."));
    ASSERT_TRUE(RunUntilDone());
    EXPECT_TRUE(Called("SetStatusText Error creating Software/../h/ok.zip"));
    EXPECT_FALSE(folder.Exists("h"));
}

// What a crawl compares, keeps and files is the address as libcurl sends
// it, without dot segments, whichever reader found it: a page is fetched once
// however it is spelt, and an archive found through a spelling with dot
// segments is saved in its folder rather than fetched and dropped.
TEST_F(SiteCrawlerTest, AnAddressCountsAndIsFiledAsItIsSent) {
    site.Route("/html/index.htm",
               TestHttpReply::Ok(Page({Href("tutorial/libxslttutorial.htm"), Href("../index.htm")})));
    site.Route(
        "/html/tutorial/",
        TestHttpReply::Ok(Page({Href("../"), Href("libxslttutorial.htm"), Href("libxslttutorial.xml.gz")})));
    site.Route("/html/tutorial/libxslttutorial.htm", TestHttpReply::Ok(Page({Href("#intro")})));
    site.Route("/html/tutorial/libxslttutorial.xml.gz", TestHttpReply::Ok("gz"));
    struct Case {
        bool asBrowser;
        std::string start;
        std::string toListing;  // a link of the start page to the listing
    };
    const std::vector<Case> cases = {{false, "/index.htm", "x/./html/tutorial/"},
                                     {true, "/html/../index.htm", "html/tutorial/"}};
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        site.Route("/index.htm",
                   TestHttpReply::Ok(Page({Href("html/index.htm"), Href("html/../html/index.htm"),
                                           Href(c.toListing), Href("index.htm")})));
        web.readLinksAsBrowser = c.asBrowser;
        dispatch.reset();
        const std::size_t before = site.Requests().size();
        const std::string name = "p" + std::to_string(i);
        WebProject project = Project(site.Url(c.start), name);
        project.wantGz = 1;
        Start(project);
        ASSERT_TRUE(RunUntilDone());

        std::vector<std::string> targets = Targets(site, before);
        std::sort(targets.begin(), targets.end());
        EXPECT_EQ(std::adjacent_find(targets.begin(), targets.end()), targets.end()) << c.start;
        const std::string saved = "Software/" + name + "/html/tutorial/libxslttutorial.xml.gz";
        EXPECT_EQ(folder.Read(saved), "gz") << c.start;
        EXPECT_TRUE(Contains(window.treeFiles, saved)) << c.start;
    }
}

// Every request leaves a line in its project's log, with the Internet
// error's message or why an archive was not saved; the log shows the last
// run's first error, follows the project's renaming and goes with it.
TEST_F(SiteCrawlerTest, TheProjectsLogKeepsEachRequestAndGoesWithTheProject) {
    const std::string lastModified = "Tue, 15 Nov 1994 08:12:31 GMT";
    site.Route(
        "/", TestHttpReply::Ok(Page({Href("cut.zip"), Href("q.zip?x=1"), Href("gone.zip"), Href("ok.zip")})));
    site.RouteBy("/ok.zip", [&](const TestHttpRequest& request) {
        if (request.HasHeader("If-Modified-Since")) return TestHttpReply::Status(304, "Not Modified");
        TestHttpReply reply = TestHttpReply::Ok("ok");
        reply.headers.push_back("Last-Modified: " + lastModified);
        return reply;
    });
    site.Route("/q.zip?x=1", TestHttpReply::Ok("q"));
    site.Route("/cut.zip", TestHttpReply::Cut(TestReplyEnding::kCloseEarly, std::string(3000, 'c'), 100));
    for (int run = 0; run < 2; ++run) {
        if (run == 0) Start(Project(site.Url("/")));
        if (run == 1) StartSelected();
        ASSERT_TRUE(RunUntilDone());
    }
    const std::string log = folder.Read(CrawlLogPath("proj").string());
    for (const std::string& line :
         {std::string("\t-\trun started\n"), "\t" + site.Url("/") + "\t200\n",
          "\t" + site.Url("/ok.zip") + "\t200 saved as Software/proj/ok.zip\n",
          "\t" + site.Url("/ok.zip") + "\tnot modified\n", "\t" + site.Url("/gone.zip") + "\t404\n",
          "\t" + site.Url("/q.zip?x=1") + "\terror: not saved: Software/proj/q.zip?x=1 has illegal chars\n",
          "\t" + site.Url("/cut.zip") + "\terror: "}) {
        EXPECT_NE(log.find(line), std::string::npos) << line << " in\n" << log;
    }
    EXPECT_EQ(FirstErrorOfLastRun("proj"), "not saved: Software/proj/q.zip?x=1 has illegal chars");

    RenamingDialogs dialogs("x/../y");  // a name is no path
    EntryCommands commands(store, state, window, dialogs);
    commands.PanelProperties();
    EXPECT_FALSE(folder.Exists(CrawlLogPath("proj").string()));
    EXPECT_EQ(CrawlLogPath("x/../y").parent_path(), "logs");
    EXPECT_EQ(folder.Read(CrawlLogPath("x/../y").string()), log);
    commands.DeleteEntries();
    EXPECT_EQ(store.RequestedSites.Count(), 0);
    EXPECT_FALSE(folder.Exists(CrawlLogPath("x/../y").string()));
}

// With published checksums looked for, the archives a crawl saves are
// checked against the lists the crawl fetches anyway (a name without a dot
// is read as a page), met before or after them, with no request for them
// beyond those made without the option; only an archive that no list
// covered is looked up beside it at the end. An altered archive is renamed
// and reported in the log and the tree, and the crawl ends with errors.
TEST_F(SiteCrawlerTest, ArchivesAreCheckedAgainstTheChecksumListsTheCrawlMeets) {
    const std::string x1 = "first archive";
    const std::string x2 = "second archive, altered on the mirror";
    const std::string y = "third archive";
    const std::string z = "fourth archive";
    const std::string x2Published = Sha256Of("second archive");
    // Depth first: b's list is met before its archive, a's after both of its.
    site.Route("/", TestHttpReply::Ok(Page({Href("a/SHA256SUMS"), Href("a/x1.zip"), Href("a/x2.zip"),
                                            Href("b/y.zip"), Href("b/SHA256SUMS"), Href("c/z.zip")})));
    site.Route("/a/SHA256SUMS", TestHttpReply::Ok(Sha256Of(x1) + "  x1.zip\n" + x2Published + " *x2.zip\n"));
    site.Route("/a/x1.zip", TestHttpReply::Ok(x1));
    site.Route("/a/x2.zip", TestHttpReply::Ok(x2));
    site.Route("/b/SHA256SUMS", TestHttpReply::Ok(Sha256Of(y) + "  y.zip\n"));
    site.Route("/b/y.zip", TestHttpReply::Ok(y));
    site.Route("/c/z.zip", TestHttpReply::Ok(z));
    site.Route("/c/z.zip.sha256", TestHttpReply::Ok(Sha256Of(z) + "  z.zip\n"));  // linked nowhere

    Start(Project(site.Url("/"), "plain"));
    ASSERT_TRUE(RunUntilDone());
    const std::size_t plainRequests = site.Requests().size();
    EXPECT_EQ(store.DownloadedSites.Count(), 1);
    EXPECT_TRUE(window.treeNotes.empty());

    options.findPublishedChecksums = true;
    Start(Project(site.Url("/"), "checked"));
    ASSERT_TRUE(RunUntilDone());
    ASSERT_EQ(site.Requests().size() - plainRequests, plainRequests + 1);
    EXPECT_EQ(site.Requests().back().target, "/c/z.zip.sha256");
    EXPECT_EQ(folder.Read("Software/checked/a/x1.zip"), x1);
    EXPECT_EQ(folder.Read("Software/checked/a/x2.zip.corrupt"), x2);
    EXPECT_FALSE(folder.Exists("Software/checked/a/x2.zip"));
    EXPECT_EQ(folder.Read("Software/checked/b/y.zip"), y);
    const std::string mismatch = "Checksum mismatch: sha256 expected " + x2Published.substr(0, 8) +
                                 "\u2026, got " + Sha256Of(x2).substr(0, 8) +
                                 "\u2026, kept as Software/checked/a/x2.zip.corrupt";
    std::vector<std::string> notes = window.treeNotes;
    std::sort(notes.begin(), notes.end());
    EXPECT_EQ(notes, (std::vector<std::string>{
                         "Software/checked/a/x1.zip: sha256 verified (from SHA256SUMS): " + Sha256Of(x1),
                         "Software/checked/a/x2.zip: " + mismatch,
                         "Software/checked/b/y.zip: sha256 verified (from SHA256SUMS): " + Sha256Of(y),
                         "Software/checked/c/z.zip: sha256 verified (from z.zip.sha256): " + Sha256Of(z)}));
    const std::string log = folder.Read(CrawlLogPath("checked").string());
    EXPECT_NE(log.find("\t" + site.Url("/b/y.zip") + "\tsha256 verified (from SHA256SUMS): " + Sha256Of(y)),
              std::string::npos)
        << log;
    EXPECT_EQ(FirstErrorOfLastRun("checked"), mismatch);
    ASSERT_EQ(store.RequestedSites.Count(), 1);
    EXPECT_EQ(store.RequestedSites.GetAt(0)->status, "Some errors occurred");
}

TEST_F(SiteCrawlerTest, InternetErrorsAreCountedAndTheCrawlGoesOn) {
    settings.silenceLimit = 200ms;  // the silent server below is given up after that
    const std::string body(5000, 'z');
    site.Route("/", TestHttpReply::Ok(Page({Href("cut.zip"), Href("silent.zip"), Href("good.zip")})));
    site.Route("/cut.zip", TestHttpReply::Cut(TestReplyEnding::kCloseEarly, body, 1000));
    site.Route("/silent.zip", TestHttpReply::Cut(TestReplyEnding::kStall, body, 10));
    site.Route("/good.zip", TestHttpReply::Ok(body));
    Start(Project(site.Url("/")));
    ASSERT_TRUE(RunUntilDone());

    EXPECT_EQ(Targets(site), (std::vector<std::string>{"/", "/good.zip", "/silent.zip", "/cut.zip"}));
    EXPECT_TRUE(folder.Read("Software/proj/good.zip") == body);
    EXPECT_EQ(folder.Read("Software/proj/silent.zip").size(), 10u);  // left as far as it came
    EXPECT_EQ(window.treeFiles, (std::vector<std::string>{"Software/proj/good.zip"}));
    ASSERT_EQ(store.RequestedSites.Count(), 1);
    EXPECT_EQ(store.RequestedSites.GetAt(0)->status, "Some errors occurred");
    EXPECT_EQ(window.RowText(0, 1), "Some errors occurred");
    EXPECT_EQ(window.lastActionText, "Download completed");
    EXPECT_EQ(window.statusText, "Some errors occurred");
    EXPECT_EQ(store.DownloadedSites.Count(), 0);
    // The status pane followed each file with the size its server announced.
    const auto goodWhole = [](const TransferFigures& shown) {
        return shown.bytes == 5000 && shown.size == 5000u;
    };
    EXPECT_TRUE(std::any_of(window.transfersShown.begin(), window.transfersShown.end(), goodWhole));
    EXPECT_FALSE(window.transfer);
    EXPECT_EQ(window.endedEntries, std::vector<std::string>{"proj: Some errors occurred"});
    EXPECT_FALSE(window.animationPlaying);
}

TEST_F(SiteCrawlerTest, TheLinksFoundCountIsWrittenWhateverIsShown) {
    site.Route("/", TestHttpReply::Ok(Page({Href("a.htm"), Href("b.htm"), Href("c.htm")})));
    struct Case {
        int shownList;
        int selectedRow;
    };
    for (const Case& shown : {Case{1, 0}, Case{2, 1}}) {
        store.RequestedSites.Append(Project("http://127.0.0.1/other", "other"));
        Start(Project(site.Url("/"), "shown" + std::to_string(shown.shownList)));
        state.ShownList = shown.shownList;
        state.SelectedRow = shown.selectedRow;
        window.lastActionText.clear();
        window.statusText.clear();
        ASSERT_TRUE(RunUntilDone());
        EXPECT_EQ(window.statusText, "3 links found");
        EXPECT_EQ(window.lastActionText, "");  // the project's own texts are not shown
    }
}

TEST_F(SiteCrawlerTest, AHaltedCrawlStopsWhereItIsAndContinuesFromThere) {
    const std::string body(20000, 'b');
    site.Route("/", TestHttpReply::Ok(Page({Href("after.zip"), Href("big.zip")})));
    site.Route("/big.zip", TestHttpReply::Cut(TestReplyEnding::kStall, body, 1000));
    site.Route("/after.zip", TestHttpReply::Ok("after"));
    Start(Project(site.Url("/")));
    RunUntilRequested(site, "/big.zip");
    site.WaitUntilStalled();
    dispatch->SuspendWorker();
    site.ReleaseStalled();
    WorkerControl* control = store.ActiveSiteCrawls.GetAt(0)->thread.get();
    ASSERT_TRUE(RunUntilParked(*control));
    executor.RunUntil([] { return false; }, 0ms);  // texts still waiting keep the halt's
    EXPECT_EQ(store.RequestedSites.GetAt(0)->status, "Stopped");
    EXPECT_EQ(window.RowText(0, 1), "Stopped");
    EXPECT_EQ(window.statusText, "Download Stopped");
    EXPECT_FALSE(Contains(Targets(site), "/after.zip"));

    StartSelected();
    ASSERT_TRUE(RunUntilDone());
    EXPECT_TRUE(folder.Read("Software/proj/big.zip") == body);
    EXPECT_EQ(folder.Read("Software/proj/after.zip"), "after");
    EXPECT_EQ(store.DownloadedSites.Count(), 1);
    EXPECT_EQ(window.statusText, "Success");
}

TEST_F(SiteCrawlerTest, AProjectDeletedOrRenamedDuringItsCrawlEndsUnreported) {
    for (const bool rename : {false, true}) {
        TestHttpServer server;
        server.Route("/", TestHttpReply::Ok(Page({Href("next.zip"), Href("big.zip")})));
        server.Route("/big.zip", TestHttpReply::Cut(TestReplyEnding::kStall, std::string(3000, 'b'), 1000));
        Start(Project(server.Url("/")));
        RunUntilRequested(server, "/big.zip");
        server.WaitUntilStalled();
        if (rename) {
            store.RequestedSites.GetAt(0)->name = "renamed";
            store.RequestedSites.SetModified(true);  // as the Properties command does after an edit
        } else {
            store.RequestedSites.RemoveAt(0);
            window.DeleteRow(0);
        }
        window.calls.clear();
        server.ReleaseStalled();
        ASSERT_TRUE(RunUntilDone());
        EXPECT_FALSE(Contains(Targets(server), "/next.zip"));
        EXPECT_EQ(store.DownloadedSites.Count(), 0);
        EXPECT_EQ(store.RequestedSites.Count(), rename ? 1 : 0);
        for (const std::string& call : window.calls) {
            EXPECT_TRUE(call.starts_with("AddTreeFile") || call == "StopAnimation") << call;
        }
        store.RequestedSites.RemoveAt(0);
    }
}

// With the option on, https is crawled as http is: both schemes of one host
// and port are one site and mirror into the same folders. With it off,
// https addresses are neither fetched nor followed.
TEST_F(SiteCrawlerTest, HttpsIsCrawledAsOneSiteWithHttpOnlyWithTheOption) {
    TlsTestServer tls;
    settings.extraCaFile = TestAuthorityFile();
    tls.backend.Route("/index.htm",
                      TestHttpReply::Ok(Page({Href(tls.HttpsUrl("/s/secure.htm")), Href("a.zip")})));
    tls.backend.Route(
        "/s/secure.htm",
        TestHttpReply::Ok(Page({Href("b.zip"), Href("/c.zip"), Href(tls.HttpUrl("/s/d.zip"))})));
    for (const char* file : {"/a.zip", "/s/b.zip", "/c.zip", "/s/d.zip"}) {
        tls.backend.Route(file, TestHttpReply::Ok(file));
    }
    struct Case {
        bool option;
        std::string start;
        std::vector<std::string> saved;
        std::size_t secureConnections;  // so far: the server closes each after one answer
    };
    const Case cases[] = {
        {false, tls.HttpUrl("/index.htm"), {"a.zip"}, 0},
        {false, tls.HttpsUrl("/index.htm"), {}, 0},
        {true, tls.HttpUrl("/index.htm"), {"a.zip", "s/b.zip", "c.zip", "s/d.zip"}, 3},
        {true, tls.HttpsUrl("/index.htm"), {"a.zip", "s/b.zip", "c.zip", "s/d.zip"}, 8},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        web.followHttpsAndRedirects = c.option;
        dispatch.reset();  // the next start takes the options anew
        window.calls.clear();
        const std::string name = "p" + std::to_string(i);
        Start(Project(c.start, name));
        ASSERT_TRUE(RunUntilDone());
        std::vector<std::string> saved;
        for (const char* file : {"a.zip", "s/b.zip", "c.zip", "s/d.zip"}) {
            if (folder.Exists("Software/" + name + "/" + file)) saved.push_back(file);
        }
        EXPECT_EQ(saved, c.saved) << c.start << " option " << c.option;
        EXPECT_EQ(tls.SecureConnections(), c.secureConnections) << c.start << " option " << c.option;
        if (c.start.starts_with("https") && !c.option) {
            EXPECT_TRUE(Called("SetStatusText Malformed URL : " + c.start));
        }
        ASSERT_EQ(store.DownloadedSites.Count(), static_cast<int>(i + 1));
    }
    EXPECT_EQ(folder.Read("Software/p2/s/b.zip"), "/s/b.zip");

    // A certificate nobody vouches for is an Internet error like any other.
    TlsTestServer stranger(TestCertificate::kUnknownIssuer);
    Start(Project(stranger.HttpsUrl("/index.htm"), "stranger"));
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(store.RequestedSites.GetAt(0)->status, "Some errors occurred");
    EXPECT_TRUE(stranger.backend.Requests().empty());
    EXPECT_NE(FirstErrorOfLastRun("stranger").find("certificate"), std::string::npos);  // libcurl's message
}

// Each redirection is followed at once when its target passes the crawl's
// rules, and the file is saved under its final address; a target that fails
// them, a loop and an eleventh hop end the address as "not found".
TEST_F(SiteCrawlerTest, RedirectionsAreFollowedWithinTheCrawlsRules) {
    TlsTestServer tls;
    TestHttpServer other;
    settings.extraCaFile = TestAuthorityFile();
    web.followHttpsAndRedirects = true;
    TestHttpServer& server = tls.backend;
    server.Route("/", TestHttpReply::Ok(Page({Href("old.htm"), Href("get.zip"), Href("loop1.htm"),
                                              Href("away.zip"), Href("hop0.zip")})));
    server.Route("/old.htm", TestHttpReply::Redirect(301, tls.HttpsUrl("/new/index.htm")));
    server.Route("/new/index.htm", TestHttpReply::Ok(Page({Href("x.zip")})));
    server.Route("/new/x.zip", TestHttpReply::Ok("x"));
    server.Route("/get.zip", TestHttpReply::Redirect(302, tls.HttpsUrl("/files/real.zip")));
    server.Route("/files/real.zip", TestHttpReply::Ok("real"));
    server.Route("/loop1.htm", TestHttpReply::Redirect(307, "/loop2.htm"));
    server.Route("/loop2.htm", TestHttpReply::Redirect(308, "/loop1.htm"));
    server.Route("/away.zip", TestHttpReply::Redirect(301, other.Url("/away.zip")));
    other.Route("/away.zip", TestHttpReply::Ok("away"));
    for (int hop = 0; hop <= 11; ++hop) {
        const std::string next = "/hop" + std::to_string(hop + 1) + ".zip";
        server.Route("/hop" + std::to_string(hop) + ".zip", TestHttpReply::Redirect(303, next));
    }
    Start(Project(tls.HttpUrl("/")));
    ASSERT_TRUE(RunUntilDone());

    EXPECT_EQ(folder.Read("Software/proj/new/x.zip"), "x");
    EXPECT_EQ(folder.Read("Software/proj/files/real.zip"), "real");
    EXPECT_FALSE(folder.Exists("Software/proj/get.zip"));
    for (const char* target : {"/loop1.htm", "/away.zip", "/hop0.zip"}) {
        EXPECT_TRUE(Called("SetStatusText " + tls.HttpUrl(target) + " not found")) << target;
    }
    const std::vector<std::string> targets = Targets(server);
    EXPECT_EQ(std::count(targets.begin(), targets.end(), "/loop2.htm"), 1);
    EXPECT_TRUE(Contains(targets, "/hop10.zip"));
    EXPECT_FALSE(Contains(targets, "/hop11.zip"));
    EXPECT_TRUE(other.Requests().empty());  // exitDomain 0 keeps the crawl on its site
    // Redirections are no links found: the five of the first page and x.zip.
    EXPECT_TRUE(Called("SetStatusText 6 links found"));
    EXPECT_FALSE(Called("SetStatusText 7 links found"));
    EXPECT_EQ(store.DownloadedSites.Count(), 1);
}

// With both options on, a crawl takes every link of a page wherever it
// stands, resolves it as a browser does, reads no page above its start
// folder and still fetches the archives those pages link to elsewhere.
TEST_F(SiteCrawlerTest, ReadingAsABrowserBelowTheStartFolderFindsEveryLinkedArchive) {
    web.readLinksAsBrowser = true;
    web.stayBelowStartFolder = true;
    const std::string networkPath = site.Url("/pub/tools/docs/net.zip").substr(5);  // without "http:"
    const std::string index =
        "<html><head><base href=\"/pub/tools/docs/\"><script>var s = '<a href=\"/pub/script.zip\">';"
        "</script></head><body><a href=\"guide.htm\">Guide</a> <a href='../../../files/all.zip'>All</a>"
        " <A HREF=./v1.zip#x>v1</A><!-- <a href=\"old.zip\"> --><a\r\n  class=x\n  href=\"v2&amp;more.zip\""
        "\n>v2</a><a href=\"/pub/other.htm\">up</a><a href=\"mailto:me@h.test\">me</a><a href=\"" +
        networkPath + "\">net</a><a href=\"javascript:get('x.zip')\">x</a></body></html>";
    site.Route("/pub/tools/index.htm", TestHttpReply::InPieces(index, 5, true));
    site.Route("/pub/tools/docs/guide.htm",
               TestHttpReply::Ok("<a href=\"?page=2\">2</a><a href=\"../index.htm\">top</a><a href=\"/pub/\">"
                                 "pub</a><iframe src=\"/pub/tools/docs/z.zip\"></iframe>"));
    // A page that ends in its head: the link held for a base still counts.
    site.Route("/pub/tools/docs/guide.htm?page=2", TestHttpReply::Ok("<head><link rel=next href=alt.zip>"));
    for (const char* file : {"/files/all.zip", "/pub/tools/docs/v1.zip", "/pub/tools/docs/v2&more.zip",
                             "/pub/tools/docs/net.zip", "/pub/tools/docs/z.zip", "/pub/tools/docs/alt.zip"}) {
        site.Route(file, TestHttpReply::Ok(file));
    }
    Start(Project(site.Url("/pub/tools/index.htm")));
    ASSERT_TRUE(RunUntilDone());

    std::vector<std::string> targets = Targets(site);
    std::sort(targets.begin(), targets.end());
    EXPECT_EQ(targets,
              (std::vector<std::string>{
                  "/files/all.zip", "/pub/tools/docs/alt.zip", "/pub/tools/docs/guide.htm",
                  "/pub/tools/docs/guide.htm?page=2", "/pub/tools/docs/net.zip", "/pub/tools/docs/v1.zip",
                  "/pub/tools/docs/v2&more.zip", "/pub/tools/docs/z.zip", "/pub/tools/index.htm"}));
    EXPECT_EQ(folder.Read("Software/proj/files/all.zip"), "/files/all.zip");
    EXPECT_EQ(folder.Read("Software/proj/pub/tools/docs/v2&more.zip"), "/pub/tools/docs/v2&more.zip");
    EXPECT_EQ(window.treeFiles.size(), 6u);
    EXPECT_TRUE(Called("SetStatusText 8 links found"));
    EXPECT_FALSE(Called("SetStatusText 9 links found"));
    EXPECT_EQ(store.DownloadedSites.Count(), 1);
}

// Answers every question with Yes and offers no other dialog.
class YesDialogs : public EntryDialogs {
public:
    std::optional<FileRequest> AskFileUrl() override { return std::nullopt; }
    bool EditWebProject(std::string_view, WebProject&) override { return false; }
    bool NewSearchProject(SearchProject&) override { return false; }
    bool EditSearchProject(SearchProject&) override { return false; }
    bool AskYesNo(std::string_view) override { return true; }
};

// A halted crawl whose project is deleted ends there; a new project of the
// same name is a crawl of its own, of its own site.
TEST_F(SiteCrawlerTest, DeletingAHaltedProjectEndsItsCrawl) {
    site.Route("/", TestHttpReply::Ok(Page({Href("old.zip"), Href("big.zip")})));
    site.Route("/big.zip", TestHttpReply::Cut(TestReplyEnding::kStall, std::string(3000, 'b'), 1000));
    Start(Project(site.Url("/")));
    RunUntilRequested(site, "/big.zip");
    site.WaitUntilStalled();
    dispatch->SuspendWorker();
    site.ReleaseStalled();
    const std::shared_ptr<WorkerControl> halted = store.ActiveSiteCrawls.GetAt(0)->thread;
    ASSERT_TRUE(RunUntilParked(*halted));
    YesDialogs dialogs;
    EntryCommands(store, state, window, dialogs).DeleteEntries();
    ASSERT_EQ(store.RequestedSites.Count(), 0);
    EXPECT_EQ(store.ActiveSiteCrawls.Count(), 0);
    EXPECT_TRUE(executor.RunUntil([&] { return halted->IsFinished(); }));

    TestHttpServer other;
    other.Route("/", TestHttpReply::Ok(Page({Href("new.zip")})));
    other.Route("/new.zip", TestHttpReply::Ok("new"));
    Start(Project(other.Url("/")));
    ASSERT_TRUE(RunUntilDone());
    EXPECT_EQ(Targets(other), (std::vector<std::string>{"/", "/new.zip"}));
    EXPECT_EQ(Targets(site), (std::vector<std::string>{"/", "/big.zip"}));
    EXPECT_EQ(folder.Read("Software/proj/new.zip"), "new");
    ASSERT_EQ(store.DownloadedSites.Count(), 1);
    EXPECT_EQ(store.DownloadedSites.GetAt(0)->startUrl, other.Url("/"));
}

// A second run asks for an archive it saved, also one reached through a
// redirection, only if it changed since the server's time of it and keeps it
// on a 304, continues an archive cut short, and reads the page again. The
// file of another site that lands in the same place is asked for whole.
TEST_F(SiteCrawlerTest, ASecondRunFetchesOnlyWhatChangedOrWasLeftUnfinished) {
    const std::string lastModified = "Tue, 15 Nov 1994 08:12:31 GMT";
    TestHttpServer other;
    site.Route("/index.htm", TestHttpReply::Ok(Page({Href(other.Url("/kept.zip")), Href("kept.zip"),
                                                     Href("cut.zip"), Href("moved.zip")})));
    const auto keptOnlyWhenAskedRight = [&](const std::string& body) {
        return [&, body](const TestHttpRequest& request) {
            if (request.Header("If-Modified-Since") == lastModified)
                return TestHttpReply::Status(304, "Not Modified");
            // Anything else is a fault of the crawler, which must not replace the file with this.
            TestHttpReply reply =
                TestHttpReply::Ok(request.HasHeader("If-Modified-Since") ? "wrong date" : body);
            reply.headers.push_back("Last-Modified: " + lastModified);
            return reply;
        };
    };
    site.RouteBy("/kept.zip", keptOnlyWhenAskedRight("kept"));
    site.RouteBy("/real.zip", keptOnlyWhenAskedRight("real"));
    site.Route("/moved.zip", TestHttpReply::Redirect(301, "/real.zip"));
    other.RouteBy("/kept.zip", keptOnlyWhenAskedRight("other"));
    std::string whole(30000, '\0');
    for (std::size_t i = 0; i < whole.size(); ++i) whole[i] = static_cast<char>(i * 131 % 251);
    TestHttpReply cut = TestHttpReply::Ranged(whole, "\"c1\"");
    cut.ending = TestReplyEnding::kCloseEarly;
    cut.cutAfter = 12000;
    site.Route("/cut.zip", cut);
    web.followHttpsAndRedirects = true;
    WebProject project = Project(site.Url("/index.htm"));
    project.exitDomain = 1;
    Start(project);
    ASSERT_TRUE(RunUntilDone());
    ASSERT_EQ(store.RequestedSites.GetAt(0)->status, "Some errors occurred");
    const std::size_t firstRun = site.Requests().size();

    site.Route("/cut.zip", TestHttpReply::Ranged(whole, "\"c1\""));
    window.calls.clear();
    StartSelected();
    ASSERT_TRUE(RunUntilDone());

    EXPECT_EQ(folder.Read("Software/proj/kept.zip"), "other");  // both sites fetched whole, the other last
    EXPECT_EQ(folder.Read("Software/proj/real.zip"), "real");
    EXPECT_TRUE(folder.Read("Software/proj/cut.zip") == whole);
    EXPECT_EQ(Targets(site, firstRun),
              (std::vector<std::string>{"/index.htm", "/moved.zip", "/real.zip", "/cut.zip", "/kept.zip"}));
    const std::vector<TestHttpRequest> requests = site.Requests();
    EXPECT_EQ(requests[firstRun + 3].Header("Range").substr(0, 6), "bytes=");
    EXPECT_EQ(requests[firstRun + 3].Header("If-Range"), "\"c1\"");
    EXPECT_FALSE(requests[firstRun].HasHeader("If-Modified-Since"));  // pages are read every time
    for (const TestHttpRequest& asked : other.Requests()) EXPECT_FALSE(asked.HasHeader("If-Modified-Since"));
    EXPECT_FALSE(requests[firstRun + 4].HasHeader("If-Modified-Since"));  // the other site's file is there
    EXPECT_EQ(requests[firstRun + 2].Header("If-Modified-Since"),
              lastModified);  // by the redirection's target
    EXPECT_TRUE(Called("AddTreeFile proj Software/proj/real.zip"));
    EXPECT_TRUE(Called("AddTreeFile proj Software/proj/cut.zip"));
    EXPECT_EQ(store.DownloadedSites.Count(), 1);
}

// A site of nested pages, each sent in small chunks, linking to their
// subpages, to a missing page, back to pages met before and to archives of
// several sizes, one of them larger than an answer asked ahead may hold.
void ServeNestedSite(TestHttpServer& server) {
    const auto archive = [](std::size_t size, char seed) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(seed + i * 7 % 251);
        return bytes;
    };
    const auto page = [&](const std::string& target, std::initializer_list<std::string> links) {
        std::string lines = "<html><body>\r\n";
        for (const std::string& link : links) lines += Href(link) + "\r\n";
        server.Route(target, TestHttpReply::InPieces(lines + "</body></html>\r\n", 40, true));
    };
    page("/index.htm", {"d1/p1.htm", "a0.zip", "d2/p2.htm", "big.zip", "p3.htm", "gone.htm"});
    page("/d1/p1.htm", {"../index.htm", "a1.zip", "d11/p11.htm", "a2.zip", "/p3.htm"});
    page("/d1/d11/p11.htm", {"a3.zip", "../../a0.zip", "a4.zip"});
    page("/d2/p2.htm", {"a5.zip", "/d1/p1.htm", "a6.zip", "a7.zip", "../p4.htm"});
    page("/p3.htm", {"a8.zip", "d1/d11/a9.zip"});
    page("/p4.htm", {"a10.zip"});
    const std::pair<const char*, std::size_t> archives[] = {
        {"/a0.zip", 10},       {"/d1/a1.zip", 5000},    {"/d1/a2.zip", 300},   {"/d1/d11/a3.zip", 70000},
        {"/d1/d11/a4.zip", 1}, {"/d2/a5.zip", 2000},    {"/d2/a6.zip", 20000}, {"/d2/a7.zip", 256},
        {"/a8.zip", 4096},     {"/d1/d11/a9.zip", 900}, {"/a10.zip", 12345},   {"/big.zip", 3 << 19},
    };
    char seed = 'a';
    for (const auto& [target, size] : archives)
        server.Route(target, TestHttpReply::Ok(archive(size, seed++)));
}

// Every file below the folder, by its path below it.
std::map<std::string, std::string> FilesBelow(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        files[entry.path().lexically_relative(folder).string()] =
            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return files;
}

// The texts with the server's port and the project's name taken out.
std::vector<std::string> Normalized(std::vector<std::string> texts, const TestHttpServer& server,
                                    const std::string& project) {
    const std::string port = ":" + std::to_string(server.Port());
    for (std::string& text : texts) {
        for (const std::string& varying : {port, std::string("/") + project + "/", " " + project + " "}) {
            for (std::size_t at = text.find(varying); at != std::string::npos; at = text.find(varying, at)) {
                text.replace(at, varying.size(), varying.front() == ':' ? ":port" : "/proj/");
            }
        }
    }
    return texts;
}

// The addresses and outcomes of the project's log, without their times.
std::vector<std::string> LogLines(const std::string& project) {
    std::ifstream in(CrawlLogPath(project));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line.substr(line.find('\t') + 1));
    return lines;
}

// With requests asked ahead, a crawl still sends each request of a crawl
// asking one at a time, once, with the same headers; it reads the pages in
// the same order, so it saves the same files, shows the same texts and
// writes the same log, however the answers come back. It never has more
// requests in flight than the option says, and does overlap them.
TEST_F(SiteCrawlerTest, RequestsAskedAheadAreExactlyThoseOfACrawlOneAtATime) {
    struct Run {
        std::vector<std::string> requests;  // sorted, each with its Accept header
        std::vector<std::string> texts;     // the tree's files and the status texts, in order
        std::vector<std::string> log;
        std::map<std::string, std::string> files;
        std::size_t mostAtOnce = 0;
    };
    const auto crawl = [&](int requestsAtOnce, bool asBrowser) {
        TestHttpServer server;
        ServeNestedSite(server);
        // Later requests are often answered first.
        server.SetReplyDelays({30ms, 0ms, 12ms, 3ms, 25ms, 0ms, 7ms, 18ms});
        web.requestsPerSite = requestsAtOnce;
        web.readLinksAsBrowser = asBrowser;
        dispatch.reset();
        window.calls.clear();
        const std::string name = "n" + std::to_string(requestsAtOnce) + (asBrowser ? "b" : "l");
        Start(Project(server.Url("/index.htm"), name));
        EXPECT_TRUE(RunUntilDone());
        Run run;
        for (const TestHttpRequest& request : server.Requests()) {
            run.requests.push_back(request.target + " " + request.Header("Accept"));
        }
        std::sort(run.requests.begin(), run.requests.end());
        for (const std::string& call : window.calls) {
            if (call.starts_with("AddTreeFile") ||
                (call.starts_with("SetStatusText") && !call.ends_with("k read"))) {
                run.texts.push_back(call);
            }
        }
        run.texts = Normalized(run.texts, server, name);
        run.log = Normalized(LogLines(name), server, name);
        run.files = FilesBelow(folder.Path() / "Software" / name);
        run.mostAtOnce = server.MostAtOnce();
        EXPECT_EQ(store.DownloadedSites.GetAt(store.DownloadedSites.Count() - 1)->name, name);
        return run;
    };
    // Pages whose answers came early are read ahead for the links to ask,
    // in both ways of reading links.
    for (const bool asBrowser : {false, true}) {
        const Run one = crawl(1, asBrowser);
        ASSERT_EQ(one.files.size(), 12u);
        EXPECT_EQ(one.mostAtOnce, 1u);
        for (const int requestsAtOnce : {4, 16}) {
            const Run ahead = crawl(requestsAtOnce, asBrowser);
            EXPECT_EQ(ahead.requests, one.requests) << requestsAtOnce << asBrowser;
            EXPECT_EQ(ahead.texts, one.texts) << requestsAtOnce << asBrowser;
            EXPECT_EQ(ahead.log, one.log) << requestsAtOnce << asBrowser;
            EXPECT_TRUE(ahead.files == one.files) << requestsAtOnce << asBrowser;
            EXPECT_LE(ahead.mostAtOnce, static_cast<std::size_t>(requestsAtOnce));
            EXPECT_GE(ahead.mostAtOnce, 2u);
        }
    }
}

// While the crawl waits for an answer, the answers asked ahead that end
// meanwhile make room for further requests: more pages, and archives once
// no page before them can add links, as a missing one cannot. The slow
// answer comes only once the server has seen them all.
TEST_F(SiteCrawlerTest, AnswersEndingWhileTheCrawlWaitsMakeRoomForMoreRequests) {
    struct Case {
        std::vector<std::string> links;  // of the start page, the last one read first
        std::string slow;
        std::size_t requestsBeforeSlowAnswer;
    };
    const Case cases[] = {
        {{"p1.htm", "p2.htm", "p3.htm", "p4.htm", "p5.htm", "p6.htm", "slow.htm"}, "/slow.htm", 8},
        {{"a2.zip", "a1.zip", "missing.htm", "a0.zip"}, "/a0.zip", 5},
    };
    web.requestsPerSite = 4;
    int run = 0;
    for (const Case& c : cases) {
        TestHttpServer server;
        std::string start;
        for (const std::string& link : c.links) {
            start += Href(link) + "\r\n";
            if (link != "missing.htm")
                server.Route("/" + link, TestHttpReply::Status(200, "OK", "<p>" + link + "</p>"));
        }
        server.Route("/index.htm", TestHttpReply::Status(200, "OK", start));
        std::atomic<bool> seenAll = false;
        server.RouteBy(c.slow, [&](const TestHttpRequest&) {
            seenAll = server.WaitForRequests(c.requestsBeforeSlowAnswer, 20s);
            return TestHttpReply::Status(200, "OK", "slow");
        });
        dispatch.reset();
        const std::string name = "w" + std::to_string(run++);
        Start(Project(server.Url("/index.htm"), name));
        ASSERT_TRUE(RunUntilDone());
        EXPECT_TRUE(seenAll) << c.slow;
        EXPECT_EQ(server.Requests().size(), c.requestsBeforeSlowAnswer) << c.slow;
        for (const std::string& link : c.links) {
            if (link.ends_with(".zip")) {
                EXPECT_TRUE(folder.Exists("Software/" + name + "/" + link)) << link;
            }
        }
    }
}

// A refusal that comes while the crawl waits for another answer holds the
// host back at once: nothing more reaches it before Retry-After is over, and
// the refused address is asked again.
TEST_F(SiteCrawlerTest, ARefusalAskedAheadHoldsTheHostBackAtOnce) {
    web.requestsPerSite = 4;
    TestHttpServer server;
    const std::vector<std::string> links = {"a5.zip", "a4.zip", "a3.zip", "a2.zip", "a1.zip", "a0.zip"};
    std::string start;
    for (const std::string& link : links) start += Href(link) + "\r\n";
    server.Route("/index.htm", TestHttpReply::Status(200, "OK", start));
    // The start page and the four requests at once come first; the second
    // of them is refused once all of them have come.
    const std::size_t firstRequests = 5;
    std::mutex mutex;
    std::optional<std::chrono::steady_clock::time_point> refusedAt;
    std::vector<std::chrono::steady_clock::time_point> askedAfter;
    const auto answer = [&](const TestHttpRequest& request) {
        if (server.Requests().size() > firstRequests) {
            std::lock_guard lock(mutex);
            askedAfter.push_back(std::chrono::steady_clock::now());
            return TestHttpReply::Status(200, "OK", request.target);
        }
        if (request.target == "/a1.zip") {
            server.WaitForRequests(firstRequests, 20s);
            std::lock_guard lock(mutex);
            refusedAt = std::chrono::steady_clock::now();
            TestHttpReply refusal = TestHttpReply::Status(429, "Too Many Requests");
            refusal.headers.push_back("Retry-After: 1");
            return refusal;
        }
        // The others are answered late, so that the refusal is the only
        // answer the crawl sees while it waits.
        server.WaitForRequests(firstRequests + links.size(), 1500ms);
        return TestHttpReply::Status(200, "OK", request.target);
    };
    for (const std::string& link : links) server.RouteBy("/" + link, answer);
    Start(Project(server.Url("/index.htm"), "held"));
    ASSERT_TRUE(RunUntilDone());
    std::lock_guard lock(mutex);
    ASSERT_TRUE(refusedAt);
    ASSERT_FALSE(askedAfter.empty());
    for (const auto asked : askedAfter) EXPECT_GE(asked - *refusedAt, 1s);
    EXPECT_EQ(folder.Read("Software/held/a1.zip"), "/a1.zip");
}

// Over https to a server that speaks HTTP/2, the requests asked ahead share
// one connection as streams, and the crawl saves what it saves one at a time.
TEST_F(SiteCrawlerTest, OverHttp2TheRequestsOfASiteShareOneConnection) {
    TempFolder served;
    std::vector<std::string> links;
    for (int i = 0; i < 6; ++i) {
        const std::string name = "d/a" + std::to_string(i) + ".zip";
        served.Write(name, std::string(1000 + 5000 * i, static_cast<char>('a' + i)));
        links.push_back(Href(name));
    }
    served.Write("index.htm", Page({links[0], links[1], links[2], links[3], links[4], links[5]}));
    settings.extraCaFile = TestAuthorityFile();
    web.followHttpsAndRedirects = true;
    for (const int requestsAtOnce : {1, 4}) {
        TestH2Server server(served.Path());
        web.requestsPerSite = requestsAtOnce;
        dispatch.reset();
        const std::string name = "h" + std::to_string(requestsAtOnce);
        Start(Project(server.Url("/index.htm"), name));
        ASSERT_TRUE(RunUntilDone());
        for (int i = 0; i < 6; ++i) {
            const std::string file = "d/a" + std::to_string(i) + ".zip";
            EXPECT_TRUE(folder.Read("Software/" + name + "/" + file) == served.Read(file)) << file;
        }
        const TestH2Server::Figures figures = server.Count();
        EXPECT_EQ(figures.connections, 1u) << requestsAtOnce;
        EXPECT_EQ(figures.streams, 7u) << requestsAtOnce;
        EXPECT_EQ(figures.mostAtOnce > 1, requestsAtOnce > 1) << figures.mostAtOnce;
    }
}

std::size_t OpenDescriptors() {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                                  std::filesystem::directory_iterator()));
}

// A halt holds every request in flight, asked ahead or not, and continuing
// completes each file whole; deleting the halted project ends the crawl
// without writing another byte, and every descriptor is given back.
TEST_F(SiteCrawlerTest, AHaltHoldsEveryRequestInFlightAndADeleteEndsThemAll) {
    web.requestsPerSite = 4;
    const std::string body(3000, 'b');
    const std::vector<std::string> names = {"a1.zip", "a2.zip", "a3.zip", "a4.zip", "a5.zip", "a6.zip"};
    for (const bool deleted : {false, true}) {
        settings.descriptors = std::make_shared<DescriptorBudget>(1024);
        dispatch.reset();
        const std::size_t descriptorsBefore = OpenDescriptors();
        {
            TestHttpServer server;
            std::vector<std::string> links;
            for (const std::string& name : names) {
                links.push_back(Href(name));
                server.Route("/" + name, TestHttpReply::Cut(TestReplyEnding::kStall, body, 1000));
            }
            server.Route(
                "/", TestHttpReply::Ok(Page({links[0], links[1], links[2], links[3], links[4], links[5]})));
            const std::string project = deleted ? "deleted" : "continued";
            const int downloadedBefore = store.DownloadedSites.Count();
            Start(Project(server.Url("/"), project));
            ASSERT_TRUE(executor.RunUntil([&] { return server.StalledCount() == 4; }));
            EXPECT_EQ(settings.descriptors->Taken(), DescriptorBudget::kPerSession + 3);
            dispatch->SuspendWorker();
            server.ReleaseStalled();
            const std::shared_ptr<WorkerControl> halted = store.ActiveSiteCrawls.GetAt(0)->thread;
            ASSERT_TRUE(RunUntilParked(*halted));
            EXPECT_EQ(server.Requests().size(), 5u);  // the page and four archives, no more
            if (deleted) {
                YesDialogs dialogs;
                EntryCommands(store, state, window, dialogs).DeleteEntries();
                ASSERT_TRUE(executor.RunUntil([&] { return halted->IsFinished(); }));
                // Only the archive being read when halted, as far as it was read: of
                // those asked ahead nothing is written.
                const std::map<std::string, std::string> left =
                    FilesBelow(folder.Path() / "Software" / project);
                ASSERT_EQ(left.size(), 1u);
                EXPECT_EQ(left.begin()->first, "a6.zip");
                EXPECT_LT(left.begin()->second.size(), body.size());
                EXPECT_EQ(store.DownloadedSites.Count(), downloadedBefore);
            } else {
                StartSelected();
                ASSERT_TRUE(executor.RunUntil([&] { return halted->IsFinished(); }));
                const std::map<std::string, std::string> saved =
                    FilesBelow(folder.Path() / "Software" / project);
                EXPECT_EQ(saved.size(), names.size());
                for (const auto& [name, bytes] : saved) EXPECT_TRUE(bytes == body) << name;
                EXPECT_EQ(store.DownloadedSites.Count(), downloadedBefore + 1);
            }
            EXPECT_EQ(settings.descriptors->Taken(), 0u);
        }
        EXPECT_EQ(OpenDescriptors(), descriptorsBefore) << (deleted ? "deleted" : "continued");
    }
}

TEST(CrawlRequestTest, SplitsAddressesAndEscapesWhatARequestLineCannotHold) {
    struct Case {
        std::string address;
        bool parsed;
        UrlService service;
        std::string server;
        int port;
        std::string object;
    };
    const std::vector<Case> cases = {
        {"http://h.test", true, UrlService::kHttp, "h.test", 80, "/"},
        {"HTTP://user:pw@h.test:8080/a b.zip?q=1", true, UrlService::kHttp, "h.test", 8080, "/a%20b.zip?q=1"},
        {"http://h.test?q=\"x\"", true, UrlService::kHttp, "h.test", 80, "/?q=%22x%22"},
        {"http://[::1]:81/\xe9t\xe9.zip", true, UrlService::kHttp, "::1", 81, "/%E9t%E9.zip"},
        {"https://h.test/", true, UrlService::kHttps, "h.test", 443, "/"},
        {"ftp://h.test/pub/", true, UrlService::kFtp, "h.test", 21, "/pub/"},
        {"gopher://h.test/", true, UrlService::kOther, "h.test", 0, "/"},
        {"h.test/a.htm", false, {}, "", 0, ""},
        {"http:///a.htm", false, {}, "", 0, ""},
        {"http://h.test:0/", false, {}, "", 0, ""},
        {"http://h.test:99999/", false, {}, "", 0, ""},
        {"http://h.test:8o/", false, {}, "", 0, ""},
        {"http://h test/", false, {}, "", 0, ""},
        {"ht tp://h.test/", false, {}, "", 0, ""},
    };
    for (const Case& c : cases) {
        const std::optional<UrlParts> parts = ParseUrl(c.address);
        ASSERT_EQ(parts.has_value(), c.parsed) << c.address;
        if (!parts) continue;
        EXPECT_EQ(parts->service, c.service) << c.address;
        const HttpRequest request = CrawlRequest(*parts, true);
        EXPECT_EQ(request.server, c.server) << c.address;
        EXPECT_EQ(request.port, c.port) << c.address;
        EXPECT_EQ(request.object, c.object) << c.address;
        EXPECT_EQ(request.secure, c.service == UrlService::kHttps) << c.address;
    }
    EXPECT_EQ(CrawlRequest(*ParseUrl("http://h/a.zip"), false).headers,
              "Accept: application/*\r\n");  // the session adds the program's User-Agent
}

// A text recorded soon after the last one shown must not wait for the next
// record, which a slow server may hold back for long: it is shown when the
// interval ends.
// Default ports count as equal across the schemes; other ports do not.
TEST(SameSiteKeyTest, HttpAndHttpsOfOneHostAndPortAreOneSite) {
    const std::vector<std::vector<std::string>> sites = {
        {"http://Host.test/", "http://host.test:80/a.htm", "https://host.test/x.zip",
         "HTTPS://host.test:443"},
        {"http://host.test:8080/", "https://host.test:8080/b/"},
        {"http://host.test:443/"},
        {"https://host.test:80/"},
        {"http://other.test/"},
    };
    for (std::size_t i = 0; i < sites.size(); ++i) {
        for (std::size_t j = 0; j < sites.size(); ++j) {
            for (const std::string& a : sites[i]) {
                for (const std::string& b : sites[j]) {
                    EXPECT_EQ(SameSiteKey(a) == SameSiteKey(b), i == j) << a << " " << b;
                }
            }
        }
    }
    EXPECT_FALSE(SameSiteKey("ftp://host.test/"));
    EXPECT_FALSE(SameSiteKey("host.test/"));
}

TEST(CrawlViewTest, ATextRecordedWithinTheIntervalIsShownWhenTheIntervalEnds) {
    ManualExecutor executor;
    ItemStore store;
    AppState state;
    FakeWindow window;
    WebProject project;
    project.name = "proj";
    store.RequestedSites.Append(project);
    WorkerContext context{"proj",
                          std::make_shared<HandOver>(executor),
                          std::make_shared<WorkerControl>(),
                          store,
                          state,
                          window,
                          store.ActiveSiteCrawls};
    CrawlView view(context, "proj", std::chrono::hours(1));

    view.SetStatusText("1 links found");
    ASSERT_TRUE(executor.RunUntil([&] { return window.statusText == "1 links found"; }));
    view.SetStatusText("2 links found");
    EXPECT_EQ(executor.DelayedCount(), 1u);
    executor.ElapseDelays();
    EXPECT_TRUE(executor.RunUntil([&] { return window.statusText == "2 links found"; }));
}

// An answer asking the crawl to slow down (429, or 503 with Retry-After) is
// waited out and asked again, at most three times; then it ends as not
// found with its status. The wait is a halt point and ends with the crawl.
TEST_F(SiteCrawlerTest, AnswersToSlowDownAreWaitedOutAndAskedAgain) {
    struct Case {
        std::string target;
        int status;
        std::string retryAfter;  // empty: none
        int refusals;            // before the real answer
        std::size_t requests;
        std::chrono::milliseconds leastGap;  // between two requests, as the server sees them
        bool saved;
    };
    const std::vector<Case> cases = {
        {"/busy.zip", 429, "1", 1, 2, 1s, true},
        // The tries run out. The refusal taught a pace of one start a second;
        // a request on a connection kept open may reach the server a little sooner.
        {"/down.zip", 503, "0", 10, 4, 900ms, false},
        {"/broken.zip", 503, "", 10, 1, 0ms, false},  // an error: no Retry-After, no new try
    };
    std::mutex mutex;
    std::vector<std::chrono::steady_clock::time_point> asked;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.target);
        site.RouteBy(c.target, [&](const TestHttpRequest&) {
            std::lock_guard lock(mutex);
            asked.push_back(std::chrono::steady_clock::now());
            if (asked.size() > static_cast<std::size_t>(c.refusals)) return TestHttpReply::Ok("bytes");
            TestHttpReply refusal = TestHttpReply::Status(c.status, "Slow Down");
            if (!c.retryAfter.empty()) refusal.headers.push_back("Retry-After: " + c.retryAfter);
            return refusal;
        });
        Start(Project(site.Url(c.target), "p" + std::to_string(i)));
        ASSERT_TRUE(RunUntilDone());
        std::lock_guard lock(mutex);
        ASSERT_EQ(asked.size(), c.requests);
        for (std::size_t again = 1; again < asked.size(); ++again) {
            EXPECT_GE(asked[again] - asked[again - 1], c.leastGap);
        }
        EXPECT_EQ(folder.Exists("Software/p" + std::to_string(i) + c.target), c.saved);
        if (!c.saved) {
            EXPECT_TRUE(Called("SetStatusText " + site.Url(c.target) + " not found (" +
                               std::to_string(c.status) + ")"));
        }
        asked.clear();
    }
    EXPECT_EQ(store.DownloadedSites.Count(), 3);

    // A long wait halts with the crawl and ends when the project is deleted.
    TestHttpServer slow;
    slow.Route("/", TestHttpReply::Ok(Page({Href("later.zip")})));
    TestHttpReply refusal = TestHttpReply::Status(429, "Too Many Requests");
    refusal.headers.push_back("Retry-After: 600");
    slow.Route("/later.zip", refusal);
    Start(Project(slow.Url("/"), "slow"));
    RunUntilRequested(slow, "/later.zip");
    dispatch->SuspendWorker();
    const std::shared_ptr<WorkerControl> halted = store.ActiveSiteCrawls.GetAt(0)->thread;
    ASSERT_TRUE(RunUntilParked(*halted));
    YesDialogs dialogs;
    EntryCommands(store, state, window, dialogs).DeleteEntries();
    EXPECT_TRUE(executor.RunUntil([&] { return halted->IsFinished(); }));
    EXPECT_EQ(Targets(slow), (std::vector<std::string>{"/", "/later.zip"}));
}

// With the option on, a crawl reads each site's robots.txt once and fetches
// only what the program's group allows (the longest rule wins, Allow on a
// tie), no sooner than Crawl-delay after its last request. A robots.txt the
// server does not have allows everything; one it fails to give, nothing.
TEST_F(SiteCrawlerTest, RobotsTxtDecidesWhatACrawlFetchesAndHowOften) {
    const std::string rules =
        "User-agent: *\nDisallow: /\n\n"
        "User-agent: OtherBot\nUser-agent: tarrawick/2.0  # the product token, any case\n"
        "Disallow: /private\nAllow: /private/open\n"  // the longer wins
        "Disallow: /*.zip$\n"                         // ends in .zip, no query
        "Disallow: /tie\nAllow: /tie\n"
        "Disallow: /%7Euser\n"  // the same as /~user
        "Crawl-delay: 0.2\n";
    const std::vector<std::string> links = {"private/a.zip", "private/open/b.zip", "c.zip", "c.zip?v=1",
                                            "tie.htm",       "~user/e.htm"};
    const std::vector<std::string> all = {"/",      "/~user/e.htm",        "/tie.htm",      "/c.zip?v=1",
                                          "/c.zip", "/private/open/b.zip", "/private/a.zip"};
    struct Case {
        bool obey;
        TestHttpReply robots;
        std::vector<std::string> targets;
        const char* outcome;
    };
    const std::vector<Case> cases = {
        {true,
         TestHttpReply::Ok(rules),
         {"/robots.txt", "/", "/tie.htm", "/c.zip?v=1", "/private/open/b.zip"},
         "Success"},
        {true, TestHttpReply::Status(404, "Not Found"), {}, "Success"},
        // A redirection loop counts as no robots.txt once five were followed.
        {true, TestHttpReply::Redirect(302, "/robots.txt"), {}, "Success"},
        {true, TestHttpReply::Status(503, "Service Unavailable"), {"/robots.txt"}, "Some errors occurred"},
        {false, TestHttpReply::Ok(rules), all, "Success"},
    };
    std::mutex mutex;
    std::vector<std::chrono::steady_clock::time_point> asked;
    const auto timed = [&](const std::string& target, const TestHttpReply& reply) {
        site.RouteBy(target, [&, reply](const TestHttpRequest&) {
            std::lock_guard lock(mutex);
            asked.push_back(std::chrono::steady_clock::now());
            return reply;
        });
    };
    std::string index;
    for (const std::string& link : links) index += Href(link) + "\r\n";
    timed("/", TestHttpReply::Ok(index));
    for (std::size_t target = 1; target < all.size(); ++target) timed(all[target], TestHttpReply::Ok("x"));
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(i);
        web.obeyRobotsTxt = c.obey;
        dispatch.reset();  // the next crawl takes the options
        timed("/robots.txt", c.robots);
        const std::size_t before = site.Requests().size();
        asked.clear();
        Start(Project(site.Url("/"), "p" + std::to_string(i)));
        ASSERT_TRUE(RunUntilDone());
        std::vector<std::string> targets = c.targets;
        if (targets.empty()) {
            targets = all;
            targets.insert(targets.begin(), c.robots.status == 302 ? 6 : 1, "/robots.txt");
        }
        EXPECT_EQ(Targets(site, before), targets);
        EXPECT_EQ(window.statusText, c.outcome);
        if (c.robots.status == 503) {
            EXPECT_TRUE(Called("SetStatusText " + site.Url("/robots.txt") +
                               " could not be read: nothing is fetched from that site"));
        }
        if (i == 0) {
            // Crawl-delay counts from robots.txt's own request on; a request on
            // a connection kept open may reach the server a little sooner.
            std::lock_guard lock(mutex);
            for (std::size_t next = 1; next < asked.size(); ++next)
                EXPECT_GE(asked[next] - asked[next - 1], 150ms);
        }
    }
    EXPECT_NE(FirstErrorOfLastRun("p3").find("(503)"), std::string::npos);
}

}  // namespace

namespace {

// A crawl asks once for a server's login, when it first answers 401, and
// sends it with every later request there. A redirection the crawl follows
// to another server carries none, even when that server asks for one: the
// user is asked for that server's own.
TEST_F(SiteCrawlerTest, ACrawlAsksOnceForALoginAndSendsItOnlyToItsServer) {
    TestHttpServer other;
    web.followHttpsAndRedirects = true;
    const auto guarded = [](TestHttpReply granted) {
        return BasicLoginRequired("ann", "pw-9x", "Mirror", std::move(granted));
    };
    site.RouteBy("/", guarded(TestHttpReply::Ok(Page({Href("a.zip"), Href("away.zip")}))));
    site.RouteBy("/a.zip", guarded(TestHttpReply::Ok("a")));
    site.RouteBy("/away.zip", guarded(TestHttpReply::Redirect(302, other.Url("/b.zip"))));
    other.RouteBy("/b.zip", guarded(TestHttpReply::Ok("b")));
    const std::string siteServer = "http://127.0.0.1:" + std::to_string(site.Port());
    window.onLogin = [&](const LoginQuestion& question) -> std::optional<LoginAnswer> {
        if (question.server != siteServer) return std::nullopt;
        return LoginAnswer{"ann", "pw-9x", false};
    };
    WebProject project = Project(site.Url("/"));
    project.exitDomain = 1;
    Start(project);
    ASSERT_TRUE(RunUntilDone());

    ASSERT_EQ(window.loginQuestions.size(), 2u);
    EXPECT_EQ(window.loginQuestions[0].server, siteServer);
    EXPECT_EQ(window.loginQuestions[0].realm, "Mirror");
    EXPECT_EQ(window.loginQuestions[1].server, "http://127.0.0.1:" + std::to_string(other.Port()));
    EXPECT_EQ(folder.Read("Software/proj/a.zip"), "a");
    EXPECT_TRUE(Contains(Targets(site), "/away.zip"));
    ASSERT_FALSE(other.Requests().empty());
    for (const TestHttpRequest& request : other.Requests()) EXPECT_FALSE(request.HasHeader("Authorization"));
}

}  // namespace
