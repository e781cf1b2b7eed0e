#include "engine/site_crawler_worker.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <system_error>
#include <unistd.h>
#include <unordered_map>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <sys/xattr.h>

#include "engine/address_set.h"
#include "engine/archive_name.h"
#include "engine/crawl_checksums.h"
#include "engine/crawl_log.h"
#include "engine/crawl_view.h"
#include "engine/fetch_ahead.h"
#include "engine/host_pacing.h"
#include "engine/http_date.h"
#include "engine/http_resume.h"
#include "engine/link_helpers.h"
#include "engine/local_file.h"
#include "engine/local_paths.h"
#include "engine/page_links.h"
#include "engine/part_records.h"
#include "engine/robots_rules.h"
#include "engine/server_logins.h"
#include "engine/site_robots.h"
#include "engine/url_resolve.h"
#include "engine/worker_session.h"
#include "net/close_quietly.h"
#include "net/internet_exception.h"
#include "store/link_stack.h"
#include "store/text_utils.h"
#include "workers/app_state.h"
#include "workers/shown_transfer.h"

namespace {

constexpr std::size_t kBlockSize = 255;
constexpr std::size_t kReadBufferSize = 8192;
// The longest address a FileEntry holds; longer links are dropped whole.
constexpr std::size_t kMaxAddressLength = decltype(FileEntry::url)::kCapacity;
constexpr std::chrono::milliseconds kConnectTimeout{60000};
constexpr int kMaxRedirectHops = 10;
// How far down the stack addresses are looked at to be asked ahead, in
// requests at once.
constexpr std::size_t kLookAheadPerRequest = 64;

// The session sends the program's User-Agent with every request.
constexpr const char* kPageHeaders = "Accept: text/*\r\n";
constexpr const char* kFileHeaders = "Accept: application/*\r\n";

constexpr const char* kSuccess = "Success";
constexpr const char* kSomeErrors = "Some errors occurred";

bool NeedsEscape(char c) {
    constexpr std::string_view kUnsafe = "\"<>\\^`{|}";
    const auto byte = static_cast<unsigned char>(c);
    return byte <= ' ' || byte >= 0x7f || kUnsafe.find(c) != std::string_view::npos;
}

// The link without its fragment: "page.htm#top" and "page.htm" are one page.
std::string_view WithoutFragment(std::string_view link) { return link.substr(0, link.find('#')); }

// The address as the request sends it: libcurl removes the "." and ".."
// segments of the path, so "d/../x.htm", "./x.htm" and "x.htm" reach the
// server as one address, and the crawl compares and files them as that one.
// The query is left as it is; an address that does not begin with a scheme
// and "://" too.
std::string SentForm(std::string_view address) {
    const std::size_t scheme = address.find("://");
    if (scheme == std::string_view::npos || address.find_first_of("/?#") < scheme)
        return std::string(address);
    const std::size_t pathStart = std::min(address.find_first_of("/?#", scheme + 3), address.size());
    const std::size_t pathEnd = std::min(address.find_first_of("?#", pathStart), address.size());
    return std::string(address.substr(0, pathStart))
        .append(RemoveDotSegments(address.substr(pathStart, pathEnd - pathStart)))
        .append(address.substr(pathEnd));
}

// "\d1\d2" as "/d1/d2".
std::string SlashForm(std::string_view pageFolder) {
    std::string folder(pageFolder);
    std::replace(folder.begin(), folder.end(), '\\', '/');
    return folder;
}

std::string LinksFoundText(int count) {
    char text[32];
    std::snprintf(text, sizeof text, "%d links found", count);
    return text;
}

// When the file was saved, as the crawler set it from the server's
// Last-Modified; nothing when there is no file.
std::optional<std::time_t> SavedTime(const std::string& localPath) {
    struct stat status {};
    if (::lstat(localPath.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    return status.st_mtim.tv_sec;
}

// Gives the saved file the server's time of it, which a later run asks with.
void SetSavedTime(int folder, const std::string& name, std::string_view lastModified) {
    const std::optional<std::time_t> time = ParseHttpDate(lastModified);
    if (!time) return;
    const timespec times[2] = {{*time, 0}, {*time, 0}};
    ::utimensat(folder, name.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

// The address a saved file came from, noted on the file as the desktop notes
// it, so that a later run asks for the file by its time only from there: a
// file of another site, or of an earlier address, may be in the same place.
constexpr const char* kOriginAttribute = "user.xdg.origin.url";

void SetSavedOrigin(int folder, const std::string& name, const std::string& address) {
    const int file = ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (file < 0) return;
    ::fsetxattr(file, kOriginAttribute, address.data(), address.size(), 0);
    ::close(file);
}

// The same for a file completed in place, found by its path; a symbolic
// link there is left alone.
void SetSavedOrigin(const std::string& localPath, const std::string& address) {
    ::lsetxattr(localPath.c_str(), kOriginAttribute, address.data(), address.size(), 0);
}

bool WasSavedFrom(const std::string& localPath, const std::string& address) {
    std::string origin(address.size() + 1, '\0');  // one more byte tells a longer origin apart
    const ssize_t length = ::lgetxattr(localPath.c_str(), kOriginAttribute, origin.data(), origin.size());
    return length >= 0 && origin.substr(0, static_cast<std::size_t>(length)) == address;
}

bool IsRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The address up to and including the last '/' of its path: its query
// and fragment are left out, and an address without a path is its root.
std::string FolderOf(std::string_view address) {
    const std::string_view withoutQuery = address.substr(0, address.find_first_of("?#"));
    std::string root = GetSiteRoot(withoutQuery).value_or(std::string());
    const std::size_t slash = withoutQuery.rfind('/');
    if (slash == std::string_view::npos || slash + 1 < root.size()) return root;
    return std::string(withoutQuery.substr(0, slash + 1));
}

// An address the server would not give: "<address> not found", with the
// status when it was a request to slow down that outlasted the tries.
std::string NotFoundText(const std::string& address, int status) {
    if (status == 429 || status == 503) return address + " not found (" + std::to_string(status) + ")";
    return address + " not found";
}

// What the acceptance test makes of a link.
enum class Acceptance { kDropped, kAccepted, kSiteLimitPassed };

// One crawl of one project.
class SiteCrawl {
public:
    SiteCrawl(WorkerContext& context, const InternetSessionFactory& sessions, const WebOptions& web,
              std::chrono::nanoseconds viewInterval)
        : context_(context),
          sessions_(sessions),
          web_(web),
          view_(context, context.key, viewInterval),
          checks_(context.options.findPublishedChecksums) {}

    void Run() {
        try {
            if (!Crawl()) return;
        } catch (...) {
            // Nothing more can be fetched (no memory, say): the crawl ends as one with errors.
            errors_ = true;
        }
        Step([this] { EndOfCrawl(); });
    }

private:
    // False when the crawl ended early: the program is ending or the project is gone.
    bool Crawl() {
        if (!Start()) return false;
        while (!stack_.IsEmpty()) {
            if (!context_.PassGate()) return false;
            const std::string address(TrimBlanks(stack_.Pop()));
            if (!Fetch(address)) return false;
        }
        return LookUpPublishedDigests();
    }

    // The archives no checksum list of the crawl covered are looked up
    // beside them on the server. False when the crawl is to end.
    bool LookUpPublishedDigests() {
        bool goOn = true;
        const std::vector<CrawlChecksums::Verdict> verdicts =
            checks_.LookUpWaiting([this, &goOn](const std::string& address) -> std::optional<std::string> {
                goOn = goOn && context_.PassGate();
                if (!goOn) return std::nullopt;
                std::optional<std::string> text = FetchChecksumFile(Session(), address);
                Log(address, text ? "checksum file read" : "no checksum file");
                return text;
            });
        if (goOn) ReportChecks(verdicts);
        return goOn;
    }

    // Worker thread: waits while halted, then runs the step on the
    // user-interface thread after what the view still holds; false when the
    // program is ending.
    bool Step(std::function<void()> step) {
        return context_.Step([this, &step] {
            view_.ShowWaiting();
            step();
        });
    }

    // User-interface thread: the project as it is now, or null when it was
    // deleted or renamed, in which case the crawl ends here unreported.
    WebProject* LookUpProject() {
        ItemList<WebProject>& requested = context_.store.RequestedSites;
        position_ = requested.FindByName(context_.key);
        if (position_ >= 0) return requested.GetAt(position_);
        EndTransfer(context_.state, context_.window, kRequestedSitesList, context_.key);
        StopAnimationIfRunning(context_.state, context_.window);
        context_.RemoveActiveRecord();
        return nullptr;
    }

    // Worker thread: copies the project's settings as they are now, for the
    // next address; false when the crawl is to end. While the requested
    // sites are unchanged since the last copy, the copy stands and the
    // user-interface thread is not waited for.
    bool TakeProject() {
        if (context_.store.RequestedSites.ChangeCount() == sitesSeenAt_) return true;
        return CopyProject([] {});
    }

    // Worker thread: copies the project's settings, shows the project in the
    // downloaded tree and plays the animation; false when the crawl is to end.
    bool TakeProjectAtStart() {
        return CopyProject([this] {
            context_.window.BeginTreeProject(project_.name);
            PlayAnimationIfStopped(context_.state, context_.window);
        });
    }

    // Worker thread: a step that copies the project and then, when it is
    // still there, does what follows on the user-interface thread.
    bool CopyProject(const std::function<void()>& then) {
        bool present = false;
        const bool ran = Step([&] {
            sitesSeenAt_ = context_.store.RequestedSites.ChangeCount();
            const WebProject* project = LookUpProject();
            if (project == nullptr) return;
            present = true;
            project_ = *project;
            then();
        });
        return ran && present;
    }

    bool Start() {
        if (!TakeProjectAtStart()) return false;
        if (!context_.control->Gate().IsEnding()) log_.emplace(context_.key);
        const std::string typed = project_.startUrl.Str();
        const std::string start = SentForm(MakeAbsoluteLink("", "", "", typed));
        visitedLinks_.Add(start);
        startRoot_ = GetSiteRoot(start).value_or(std::string());
        startSite_ = SameSiteKey(start);
        startFolder_ = FolderOf(start);
        startFolderPath_ = ParseUrl(startFolder_).value_or(UrlParts{}).object;
        knownSites_.Add(SiteOf(start));
        projectFolder_ = DownloadFolder().string() + "/" + project_.name.Str();
        CreateProjectFolder();
        if (start.empty() || start.size() > kMaxAddressLength) {
            // Too long to be stored, maybe only once "http://" is in front.
            view_.SetStatusTextWhenShown("Malformed URL : " + typed);
        } else {
            stack_.Push(start);
        }
        return true;
    }

    void CreateProjectFolder() const {
        std::error_code ignored;
        std::filesystem::create_directory(DownloadFolder(), ignored);
        if (IsSafePathComponent(project_.name)) std::filesystem::create_directory(projectFolder_, ignored);
    }

    // False when the crawl is to end.
    bool Fetch(const std::string& address) {
        linksOfArrivedPages_.erase(address);
        const std::optional<UrlParts> parts = ParseUrl(address);
        if (!parts || !IsFetchedService(parts->service)) {
            view_.SetStatusTextWhenShown("Malformed URL : " + address);
            return true;
        }
        view_.SetLastActionWhenShown("Opening " + address);
        if (!TakeProject()) return false;
        if (!RobotsAllowFetch(address, *parts)) return true;
        try {
            std::string fetched = address;
            FileAsk ask;
            std::unique_ptr<HttpFile> file = Request(*parts, fetched, ask);
            if (file && !IsPageLink(fetched)) return FetchFile(std::move(file), fetched, ask);
            if (!file || file->QueryInfoStatusCode() != 200) {
                if (file) Log(fetched, std::to_string(file->QueryInfoStatusCode()));
                view_.SetStatusTextWhenShown(NotFoundText(address, file ? file->QueryInfoStatusCode() : 0));
                if (file) CloseQuietly(*file);
                return true;
            }
            Log(fetched, "200");
            if (checks_.IsFolderList(fetched)) {
                ReportChecks(checks_.TakeFolderList(fetched, *file));
                CloseQuietly(*file);
                return true;
            }
            view_.SetLastActionWhenShown("Reading " + fetched);
            file->SetReadBufferSize(kReadBufferSize);
            const std::optional<std::string> folder = GetRelativeFolder(RootFor(fetched), fetched);
            const bool goOn = ReadPage(*file, fetched, folder.value_or(std::string()));
            CloseQuietly(*file);
            return goOn;
        } catch (const InternetException& error) {
            // The message becomes the progress text, which the next block
            // replaces before it can be seen; the log keeps it.
            errors_ = true;
            LogError(address, error.Message());
        } catch (const LocalFileError& error) {
            errors_ = true;  // a file that could not be written whole is an error too
            LogError(address, std::string("not saved: ") + error.what());
        }
        return true;
    }

    // What is asked beyond the address for an archive an earlier run saved
    // (only if it changed since) or left unfinished (the rest of it).
    struct FileAsk {
        std::string localPath;
        HttpResumePlan plan;
        bool ifModified = false;
        std::string headers;
    };

    // Nothing for a page. A file saved from another address is asked for
    // whole: folders are cut from addresses by the start root's length only,
    // so another site's file of the same path lands in the same place.
    FileAsk AskFor(const std::string& address) const {
        FileAsk ask;
        if (IsPageLink(address)) return ask;
        const std::optional<std::string> folder = GetRelativeFolder(RootFor(address), address);
        ask.localPath = LocalPathOf(address, folder);
        if (!IsSafeTarget(address, folder, ask.localPath)) return ask;
        if (LoadPartRecord(ask.localPath)) {
            ask.plan = PlanHttpResume(ask.localPath, address);
            ask.headers = ask.plan.headers;
        } else if (!WasSavedFrom(ask.localPath, address)) {
            return ask;
        } else if (const std::optional<std::time_t> saved = SavedTime(ask.localPath)) {
            ask.headers = "If-Modified-Since: " + FormatHttpDate(*saved) + "\r\n";
            ask.ifModified = true;
        }
        return ask;
    }

    bool NotFound(HttpFile& file, const std::string& address) {
        view_.SetStatusTextWhenShown(NotFoundText(address, file.QueryInfoStatusCode()));
        CloseQuietly(file);
        return true;
    }

    // False when the crawl is to end. A 304 keeps the archive saved before;
    // a part is continued where the server agrees, else asked for again whole.
    bool FetchFile(std::unique_ptr<HttpFile> file, const std::string& address, FileAsk ask) {
        ResumeAnswer answer = JudgeResumeAnswer(*file, ask.plan);
        if (answer == ResumeAnswer::kAskAgain) {
            Log(address, std::to_string(file->QueryInfoStatusCode()));
            CloseQuietly(*file);
            ForgetPartRecord(ask.localPath);
            ask.plan = {};
            const UrlParts parts = ParseUrl(address).value_or(UrlParts{});
            file =
                AskPaced(parts, address, [&] { return Session().SendRequest(CrawlRequest(parts, false)); });
            answer = ResumeAnswer::kWriteWhole;
        }
        const bool unchanged = ask.ifModified && file->QueryInfoStatusCode() == 304;
        if (unchanged || answer == ResumeAnswer::kComplete) {
            Log(address, unchanged ? "not modified" : "complete already");
            CloseQuietly(*file);
            if (!unchanged) SetSavedOrigin(ask.localPath, address);
            ForgetPartRecord(ask.localPath);
            view_.AddTreeFile(ask.localPath);
            return true;
        }
        if (answer == ResumeAnswer::kWriteWhole && file->QueryInfoStatusCode() != 200) {
            Log(address, std::to_string(file->QueryInfoStatusCode()));
            return NotFound(*file, address);
        }
        view_.SetLastActionWhenShown("Reading " + address);
        file->SetReadBufferSize(kReadBufferSize);
        const std::optional<std::string> folder = GetRelativeFolder(RootFor(address), address);
        const std::int64_t appendAt = answer == ResumeAnswer::kAppend ? ask.plan.offset : 0;
        const bool goOn = DownloadFile(*file, address, folder, appendAt);
        CloseQuietly(*file);
        return goOn;
    }

    std::string LocalPathOf(const std::string& address, const std::optional<std::string>& folder) const {
        return projectFolder_ + SlashForm(folder.value_or(std::string())) + "/" +
               std::string(LocalFileName(address));
    }

    // Whether the file's local path stays below the project's folder and may be written.
    bool IsSafeTarget(const std::string& address, const std::optional<std::string>& folder,
                      const std::string& localPath) const {
        return folder && IsSafeLocalPath(*folder, LocalFileName(address)) &&
               IsSafePathComponent(project_.name) && !HasIllegalChars(localPath);
    }

    bool IsFetchedService(UrlService service) const {
        return service == UrlService::kHttp ||
               (web_.followHttpsAndRedirects && service == UrlService::kHttps);
    }

    // The answer for the address. When redirections are followed, each
    // target the crawl accepts is asked for in turn, at most
    // kMaxRedirectHops of them, and `address` becomes the last one; null when
    // a target is refused or the hops run out. Each request asks what
    // AskFor says of its own address, and `ask` is that of the last one.
    std::unique_ptr<HttpFile> Request(const UrlParts& parts, std::string& address, FileAsk& ask) {
        std::unique_ptr<HttpFile> file = SendAsking(parts, address, ask);
        if (!web_.followHttpsAndRedirects) return file;
        for (int hop = 0; IsRedirect(file->QueryInfoStatusCode()); ++hop) {
            const std::string target = SentForm(WithoutFragment(file->QueryRedirectTarget()));
            const std::string redirected = std::to_string(file->QueryInfoStatusCode()) + " to " + target;
            CloseQuietly(*file);
            const std::optional<UrlParts> targetParts = ParseUrl(target);
            if (hop == kMaxRedirectHops || !targetParts || !IsFetchedService(targetParts->service) ||
                !AcceptRedirect(target) || !RobotsAllowFetch(target, *targetParts)) {
                Log(address, redirected + ", not followed");
                return nullptr;
            }
            Log(address, redirected);
            address = target;
            file = SendAsking(*targetParts, address, ask);
        }
        return file;
    }

    // An answer that asks the crawl to slow down is asked again when the
    // host's pacing says, as often as it allows; then it stands.
    std::unique_ptr<HttpFile> SendAsking(const UrlParts& parts, const std::string& address, FileAsk& ask) {
        ask = AskFor(address);
        HttpRequest request = CrawlRequest(parts, IsPageLink(address));
        request.headers += ask.headers;
        InternetSession& session = Session();
        if (!ahead_) {
            return AskPaced(parts, address,
                            [&] { return WithLogin(session.SendRequest(request), request, address); });
        }
        // An answer asked ahead was paced when it was sent; asked again, it
        // is sent anew. The crawl's turn waits for what has come meanwhile.
        ahead_->Recount();
        return AskPaced(
            parts, address,
            [&] { return WithLogin(ahead_->Send(request, [&] { SendAhead(address); }), request, address); },
            ahead_->AskedAt(request));
    }

    // Worker thread: the answer, or while the server answers 401 and the
    // user gives a login, the answer to the request sent again with it.
    // Each request carries only its own server's login, so a redirection
    // the crawl follows never takes one elsewhere.
    std::unique_ptr<HttpFile> WithLogin(std::unique_ptr<HttpFile> file, const HttpRequest& request,
                                        const std::string& address) {
        while (file->QueryInfoStatusCode() == 401 &&
               logins_.AskAfter401(Session(), address,
                                   ChallengeRealm(file->QueryInfoHeader("WWW-Authenticate")))) {
            CloseQuietly(*file);
            file = Session().SendRequest(request);
        }
        return file;
    }

    // The addresses the crawl will ask next, as far as they can be told:
    // the top of the stack, and ahead of the rest, the links of each page
    // on it whose answer has arrived whole, last first, as the crawl will
    // push them.
    struct Prediction {
        std::size_t left;  // addresses still to look at
        bool inTurn;       // no page whose links are unknown comes before
        bool crawlsNext;   // nothing comes before: the crawl asks it next
        AddressSet seen;   // links of arrived pages gone through
    };

    // Asks ahead for what the crawl asks next. Pages are asked as far as
    // they can be told, files only while no page whose links are unknown
    // comes before them: those links would go first, so a file could wait
    // for a whole subtree, holding a paused connection if it is large. An
    // address asked ahead is asked in its turn, as each one on the stack
    // and each link the rules take now will be; a request that cannot be
    // sent now is sent in its turn. The links of the page being asked come
    // first when all of it has arrived (it was asked ahead).
    void SendAhead(const std::string& asked) {
        Prediction next{
            kLookAheadPerRequest * static_cast<std::size_t>(web_.requestsPerSite), true, true, {}};
        if (IsPageLink(asked)) {
            const std::optional<std::string_view> body = ahead_->OwnArrivedBodyOf200();
            if (body && project_.exitDomain == 0) {
                const std::vector<std::string> links = LinksToBePushed(asked, *body, next.seen);
                linksOfArrivedPages_.erase(asked);  // it is read now
                for (auto link = links.rbegin(); link != links.rend() && next.left > 0; ++link) {
                    Predict(*link, next);
                }
            } else {
                next.inTurn = next.crawlsNext = false;
            }
        }
        for (std::size_t i = 0; i < stack_.Size() && next.left > 0; ++i) {
            Predict(std::string(TrimBlanks(stack_.FromTop(i))), next);
        }
    }

    void Predict(const std::string& address, Prediction& next) {
        if (next.left == 0 || !ahead_->HasRoom()) {
            next.left = 0;
            return;
        }
        --next.left;
        const bool page = IsPageLink(address);
        const std::optional<UrlParts> parts = ParseUrl(address);
        const bool crawlsNext = std::exchange(next.crawlsNext, false);
        if (!parts || !IsFetchedService(parts->service)) return;
        // robots.txt is read only in the crawl's turn: until then its site is left alone.
        if (web_.obeyRobotsTxt && !RobotsKnownToAllow(*parts)) return;
        HttpRequest request = CrawlRequest(*parts, page);
        const std::optional<std::string_view> body = page ? ahead_->ArrivedBodyOf200(request) : std::nullopt;
        if (!body || project_.exitDomain != 0) {
            if ((page || next.inTurn) && !SendAheadIfAllowed(request, address, crawlsNext)) next.left = 0;
            next.inTurn = next.inTurn && (!page || EndsWithoutLinks(ahead_->EndedStatusOf(request)));
            return;
        }
        next.crawlsNext = crawlsNext;
        const std::vector<std::string> links = LinksToBePushed(address, *body, next.seen);
        for (auto link = links.rbegin(); link != links.rend() && next.left > 0; ++link) Predict(*link, next);
    }

    // Whether a page's whole answer with this status (0: not yet here) is
    // one the crawl ends at, pushing no links: not one it asks again, asks
    // a login for or follows elsewhere.
    static bool EndsWithoutLinks(int status) {
        return status >= 400 && status != 401 && status != 407 && status != 429 && status != 503;
    }

    // False when nothing more can be sent ahead now.
    bool SendAheadIfAllowed(HttpRequest& request, const std::string& address, bool crawlsNext) {
        if (ahead_->Holds(request)) return true;
        request.headers += AskFor(address).headers;
        try {
            return ahead_->SendAheadIfAllowed(request, crawlsNext);
        } catch (const InternetException&) {
            return false;
        }
    }

    // The links that reading the page will push, as the rules stand now:
    // a link taken now is asked in the crawl, from this page or an earlier
    // one. Nothing when other sites count: then a link's fate depends on
    // the sites met before it.
    std::vector<std::string> LinksToBePushed(const std::string& address, std::string_view body,
                                             AddressSet& seen) {
        std::vector<std::string> taken;
        if (project_.exitDomain != 0) return taken;
        auto [found, fresh] = linksOfArrivedPages_.try_emplace(address);
        if (fresh) {
            for (const std::string& link : PageLinks(address, body)) found->second.push_back(SentForm(link));
        }
        for (const std::string& link : found->second) {
            if (WouldAccept(link) && seen.Add(link)) taken.push_back(link);
        }
        return taken;
    }

    // The links of a page as ReadPage finds them, before they are sent form.
    std::vector<std::string> PageLinks(const std::string& address, std::string_view body) const {
        if (web_.readLinksAsBrowser) {
            PageLinkReader reader(address);
            std::vector<std::string> links = reader.Read(body);
            for (std::string& link : reader.Finish()) links.push_back(std::move(link));
            return links;
        }
        const std::string root = RootFor(address);
        const std::string folder = GetRelativeFolder(root, address).value_or(std::string());
        std::vector<std::string> links;
        while (!body.empty()) {
            const std::size_t feed = body.find('\n');
            const std::string line(body.substr(0, std::min(feed, HttpFile::kMaxLineLength)));
            body.remove_prefix(
                std::min(body.size(), feed == std::string_view::npos ? body.size() : feed + 1));
            for (const std::optional<std::string>& link : {ExtractHrefLink(line), ExtractFrameSource(line)}) {
                if (link) links.push_back(MakeAbsoluteLink(root, address, folder, WithoutFragment(*link)));
            }
        }
        return links;
    }

    // PassesRules without its changes, for a crawl that stays on its site.
    bool WouldAccept(const std::string& link) const {
        return link.size() <= kMaxAddressLength && !visitedLinks_.Contains(link) &&
               IsWantedLink(link, project_) && HasCrawledScheme(link) && !ContainsNoCase("cgi-bin", link) &&
               !ContainsNoCase("javascript:", link) && IsInStartFolder(link) && IsOnStartSite(link) &&
               KnownRobotsAllow(link);
    }

    // Worker thread: sends as the host's pacing lets it, again while the
    // answer asks to slow down and the pacing allows another try.
    // An answer sent ahead (`sentAheadAt`) was paced when it was sent.
    std::unique_ptr<HttpFile> AskPaced(const UrlParts& parts, const std::string& address,
                                       const std::function<std::unique_ptr<HttpFile>()>& send,
                                       std::optional<HostPacing::Clock::time_point> sentAheadAt = {}) {
        HostPacing& pacing = PacingFor(parts);
        for (int askedAgain = 0;; ++askedAgain) {
            const HostPacing::Clock::time_point started =
                askedAgain == 0 && sentAheadAt ? *sentAheadAt : WaitForTurn(pacing);
            std::unique_ptr<HttpFile> file = send();
            const int status = file->QueryInfoStatusCode();
            const std::string retryAfter = file->QueryInfoHeader("Retry-After");
            const HostPacing::Clock::time_point now = HostPacing::Clock::now();
            const std::optional<HostPacing::Clock::time_point> again =
                pacing.Answered({status, retryAfter, askedAgain, started}, now, std::time(nullptr));
            if (!again) return file;
            const auto wait = std::chrono::ceil<std::chrono::seconds>(*again - now);
            Log(address, std::to_string(status) + ", asked again in " + std::to_string(wait.count()) + " s");
            CloseQuietly(*file);
        }
    }

    // Worker thread: returns when the host's pacing lets the next request
    // start, counting it as started then. The wait halts with the crawl and
    // ends at once, throwing, when the crawl ends.
    HostPacing::Clock::time_point WaitForTurn(HostPacing& pacing) {
        if (!context_.control->PassGateAt(pacing.EarliestStart())) {
            throw InternetException(InternetError::kAborted, "The crawl is ending");
        }
        const HostPacing::Clock::time_point now = HostPacing::Clock::now();
        pacing.Started(now);
        return now;
    }

    HostPacing& PacingFor(const UrlParts& parts) { return PacingFor(parts.server, parts.port); }

    HostPacing& PacingFor(const std::string& server, int port) {
        const std::string host = FoldedCopy(server) + ":" + std::to_string(port);
        return pacing_.try_emplace(host, std::max(web_.requestsPerSite, kMinRequestsPerSite)).first->second;
    }

    // Whether the site's robots.txt has been read and allows the address.
    bool RobotsKnownToAllow(const UrlParts& parts) const {
        const auto known = robots_.find(RobotsSiteOf(parts));
        return known != robots_.end() && known->second.Allows(parts.object);
    }

    // Worker thread: whether robots.txt lets the crawl fetch the address,
    // when the crawl obeys it; the site's robots.txt is read first when the
    // crawl has not read it yet. An address left out is only logged.
    bool RobotsAllowFetch(const std::string& address, const UrlParts& parts) {
        if (!web_.obeyRobotsTxt || RobotsOf(parts).Allows(parts.object)) return true;
        Log(address, "disallowed by robots.txt");
        return false;
    }

    // The same at the acceptance test, which reads no robots.txt: a link to
    // a site whose robots.txt is not known yet is checked when it is fetched.
    bool KnownRobotsAllow(const std::string& link) const {
        if (!web_.obeyRobotsTxt) return true;
        const std::optional<UrlParts> parts = ParseUrl(link);
        if (!parts) return true;
        const auto known = robots_.find(RobotsSiteOf(*parts));
        return known == robots_.end() || known->second.Allows(parts->object);
    }

    // Worker thread: the rules of the address's site, read once per crawl.
    // Its Crawl-delay paces the host from then on.
    const RobotsRules& RobotsOf(const UrlParts& parts) {
        const std::string site = RobotsSiteOf(parts);
        if (const auto known = robots_.find(site); known != robots_.end()) return known->second;
        RobotsRules rules = ReadRobots(parts, site + "/robots.txt");
        if (const std::optional<std::chrono::milliseconds> delay = rules.CrawlDelay()) {
            PacingFor(parts).SetCrawlDelay(*delay);
        }
        return robots_.emplace(site, std::move(rules)).first->second;
    }

    // Worker thread: a robots.txt that cannot be read allows nothing, which
    // is an error of the crawl.
    RobotsRules ReadRobots(const UrlParts& parts, const std::string& address) {
        std::string whyNot;
        try {
            const std::unique_ptr<HttpFile> file =
                AskPaced(parts, address, [&] { return Session().OpenURL(address, RobotsRequestOptions()); });
            Log(address, std::to_string(file->QueryInfoStatusCode()));
            if (std::optional<RobotsRules> rules = RobotsRulesOfAnswer(*file, whyNot))
                return std::move(*rules);
        } catch (const InternetException& error) {
            // Past five redirections robots.txt counts as missing (RFC 9309).
            if (error.Error() == InternetError::kTooManyRedirects) return RobotsRules::AllowingAll();
            whyNot = error.Message();
        }
        errors_ = true;
        LogError(address, "could not be read (" + whyNot + "): nothing is fetched from that site");
        view_.SetStatusTextWhenShown(address + " could not be read: nothing is fetched from that site");
        return RobotsRules::AllowingNothing();
    }

    // A redirection's target passes the acceptance test's rules, then counts
    // as visited; it is no link found and goes on no stack.
    bool AcceptRedirect(const std::string& target) {
        if (PassesRules(target) != Acceptance::kAccepted) return false;
        visitedLinks_.Add(target);
        return true;
    }

    // One session for the whole crawl: libcurl keeps each server's
    // connection for the next address.
    InternetSession& Session() {
        if (!session_) {
            session_ = OpenWorkerSession(sessions_, context_.options);
            abort_.emplace(*context_.control, *session_);
            session_->SetConnectTimeout(kConnectTimeout);
            if (web_.requestsPerSite > 1) OverlapRequests();
        }
        return *session_;
    }

    // Without the descriptors for more connections the crawl goes on one
    // request at a time.
    void OverlapRequests() {
        try {
            session_->SetRequestsAtOnce(web_.requestsPerSite);
        } catch (const InternetException&) {
            return;
        }
        ahead_.emplace(*session_, web_.requestsPerSite, [this](const HttpRequest& request) -> HostPacing& {
            return PacingFor(request.server, request.port);
        });
        // While halted no answer asked ahead waits on a connection: nobody
        // would read it, and its connection could time out.
        context_.control->SetHaltListener([this](bool halted) {
            session_->SetHeld(halted);
            if (halted) ahead_->DropUnanswered();
        });
    }

    // False when the program is ending.
    bool ReadPage(HttpFile& file, const std::string& address, const std::string& folder) {
        view_.SetLastActionWhenShown("Retrieving links...");
        return web_.readLinksAsBrowser ? ReadPageAsBrowser(file, address)
                                       : ReadPageByLine(file, address, folder);
    }

    // At most one href and one frame source a line. False when the program is ending.
    bool ReadPageByLine(HttpFile& file, const std::string& address, const std::string& folder) {
        const std::string root = RootFor(address);
        std::string line;
        for (;;) {
            if (!context_.PassGate()) return false;
            if (!file.ReadString(line)) return true;
            view_.PlayAnimationIfStopped();
            bool limitPassed = false;
            for (const std::optional<std::string>& link : {ExtractHrefLink(line), ExtractFrameSource(line)}) {
                if (!link) continue;
                const std::string absolute = MakeAbsoluteLink(root, address, folder, WithoutFragment(*link));
                limitPassed = Accept(absolute) == Acceptance::kSiteLimitPassed || limitPassed;
            }
            if (limitPassed) return true;
        }
    }

    // Every link of the page, read in pieces of the read buffer's size.
    // False when the program is ending.
    bool ReadPageAsBrowser(HttpFile& file, const std::string& address) {
        PageLinkReader reader(address);
        std::string piece(kReadBufferSize, '\0');
        for (;;) {
            if (!context_.PassGate()) return false;
            const std::size_t count = file.Read(piece.data(), piece.size());
            // At the end, the links held back for a base that never came.
            const bool ended = count == 0;
            if (!ended) view_.PlayAnimationIfStopped();
            const std::vector<std::string> links =
                ended ? reader.Finish() : reader.Read(std::string_view(piece).substr(0, count));
            for (const std::string& link : links) {
                if (Accept(link) == Acceptance::kSiteLimitPassed) return true;
            }
            if (ended) return true;
        }
    }

    // The link keeps the letter case of its page, since that is how the
    // server knows it; every test here ignores case. It is compared, kept
    // and filed in the form it is sent in.
    Acceptance Accept(const std::string& found) {
        const std::string link = SentForm(found);
        const Acceptance verdict = PassesRules(link);
        if (verdict != Acceptance::kAccepted) return verdict;
        ++linksFound_;
        stack_.Push(link);
        visitedLinks_.Add(link);
        view_.SetStatusText(LinksFoundText(linksFound_));
        return Acceptance::kAccepted;
    }

    // The acceptance test's rules, without what an accepted link then does.
    Acceptance PassesRules(const std::string& link) {
        if (link.size() > kMaxAddressLength || visitedLinks_.Contains(link)) return Acceptance::kDropped;
        if (!IsWantedLink(link, project_) || !HasCrawledScheme(link)) return Acceptance::kDropped;
        if (ContainsNoCase("cgi-bin", link) || ContainsNoCase("javascript:", link))
            return Acceptance::kDropped;
        if (!IsInStartFolder(link)) return Acceptance::kDropped;
        if (project_.exitDomain == 0 && !IsOnStartSite(link)) return Acceptance::kDropped;
        if (!KnownRobotsAllow(link)) return Acceptance::kDropped;
        if (project_.exitDomain == 1) {
            if (knownSites_.Add(SiteOf(link))) ++siteCount_;
            if (project_.maxDomainCount != 0 && siteCount_ > project_.maxDomainCount) {
                return Acceptance::kSiteLimitPassed;
            }
        }
        return Acceptance::kAccepted;
    }

    // The tests below tell http and https of one site apart only when the
    // option is off: then a link needs "http://", the start site is StartRoot
    // anywhere in a link, and sites are told by their roots.

    bool HasCrawledScheme(const std::string& link) const {
        return ContainsNoCase("http://", link) ||
               (web_.followHttpsAndRedirects && ContainsNoCase("https://", link));
    }

    bool IsSameSiteAsStart(const std::string& address) const {
        return web_.followHttpsAndRedirects && startSite_ && SameSiteKey(address) == startSite_;
    }

    bool IsOnStartSite(const std::string& link) const {
        return ContainsNoCase(startRoot_, link) || IsSameSiteAsStart(link);
    }

    // With the option on, a page is read only when it lies in the start
    // address's folder or below it; files are not held to it.
    bool IsInStartFolder(const std::string& link) const {
        if (!web_.stayBelowStartFolder || !IsPageLink(link)) return true;
        if (StartsWithNoCase(link, startFolder_)) return true;
        if (!IsSameSiteAsStart(link)) return false;
        const std::optional<UrlParts> parts = ParseUrl(link);
        return parts && StartsWithNoCase(parts->object, startFolderPath_);
    }

    // What KnownSites holds for the link's site.
    std::string SiteOf(const std::string& link) const {
        if (web_.followHttpsAndRedirects) {
            if (std::optional<std::string> key = SameSiteKey(link)) return *key;
        }
        return GetSiteRoot(link).value_or(std::string());
    }

    // The root that the address's links and folders are taken against: its
    // own when it is the start site under the other scheme or port spelling,
    // so both schemes mirror into the same folders; else StartRoot.
    std::string RootFor(const std::string& address) const {
        if (IsSameSiteAsStart(address)) return GetSiteRoot(address).value_or(startRoot_);
        return startRoot_;
    }

    // False when the program is ending. A file whose local path would leave
    // its folder is skipped like one with illegal characters; the whole path
    // is checked before any of its folders is made.
    bool DownloadFile(HttpFile& file, const std::string& address, const std::optional<std::string>& folder,
                      std::int64_t appendAt) {
        const std::string name(LocalFileName(address));
        const std::string localPath = LocalPathOf(address, folder);
        if (!folder || !IsSafeLocalPath(*folder, name) || HasIllegalChars(localPath)) {
            view_.SetStatusTextWhenShown(localPath + " has illegal chars");
            LogError(address, "not saved: " + localPath + " has illegal chars");
            return true;
        }
        FolderHandle local =
            IsSafePathComponent(project_.name) ? OpenFolderPath(projectFolder_, *folder) : FolderHandle();
        // Kept before the file is touched, so a file cut short is never
        // taken for one saved whole.
        if (appendAt == 0) SavePartRecord(localPath, PartRecordFor(file, address));
        std::optional<LocalFile> saved;
        try {
            if (local.IsOpen()) saved.emplace(local.Descriptor(), name, appendAt);
        } catch (const LocalFileError&) {}
        if (!saved) {
            ForgetPartRecord(localPath);
            view_.SetStatusTextWhenShown("Error creating " + localPath);
            LogError(address, "not saved: Error creating " + localPath);
            return true;
        }
        view_.SetLastActionWhenShown("Dowloading " + localPath + "...");
        std::unique_ptr<BackgroundDigest> digest = checks_.StartArchive(file, localPath, appendAt);
        saved->HashWith(digest.get());
        if (!Transfer(file, *saved, appendAt)) return false;
        saved->Close();
        SetSavedTime(local.Descriptor(), name, file.QueryInfoHeader("Last-Modified"));
        SetSavedOrigin(local.Descriptor(), name, address);
        ForgetPartRecord(localPath);
        view_.AddTreeFile(localPath);
        Log(address, std::to_string(file.QueryInfoStatusCode()) + " saved as " + localPath);
        ReportChecks(checks_.ArchiveSaved(address, localPath, std::move(digest)));
        return true;
    }

    // A failed check is an error of the crawl, whose file has been renamed.
    void ReportChecks(const std::vector<CrawlChecksums::Verdict>& verdicts) {
        for (const CrawlChecksums::Verdict& verdict : verdicts) {
            view_.NoteTreeFile(verdict.localPath, verdict.text);
            if (verdict.verified) {
                Log(verdict.address, verdict.text);
            } else {
                errors_ = true;
                LogError(verdict.address, verdict.text);
            }
        }
    }

    // False when the program is ending.
    bool Transfer(HttpFile& file, LocalFile& saved, std::int64_t appendAt) {
        char block[kBlockSize + 1];
        auto total = static_cast<std::uint64_t>(appendAt);  // the file's bytes, an earlier run's included
        std::optional<std::uint64_t> size = file.ContentLength();
        if (size) *size += static_cast<std::uint64_t>(appendAt);  // a 206 announces the rest only
        ++filesTransferred_;
        for (;;) {
            if (!context_.PassGate()) return false;
            const std::size_t count = file.Read(block, kBlockSize);
            if (count == 0) return true;
            view_.PlayAnimationIfStopped();
            saved.Write(block, count);
            total += count;
            view_.SetBytesReadWhenShown(total, size, filesTransferred_);
        }
    }

    // Worker thread: a line of the project's log, unless the crawl is
    // being ended (its project deleted, say).
    void Log(const std::string& address, std::string_view outcome) {
        if (log_ && !context_.control->Gate().IsEnding()) log_->Record(address, outcome);
    }
    void LogError(const std::string& address, std::string_view message) {
        if (log_ && !context_.control->Gate().IsEnding()) log_->RecordError(address, message);
    }

    // User-interface thread.
    void EndOfCrawl() {
        WebProject* project = LookUpProject();
        if (project == nullptr) return;
        ItemList<WebProject>& requested = context_.store.RequestedSites;
        AppState& state = context_.state;
        WindowPort& window = context_.window;
        const int row = requested.Count() - 1 - position_;
        const bool listed = state.ShownList == kRequestedSitesList;
        const bool shown = listed && state.SelectedRow == row;
        const char* outcome = errors_ ? kSomeErrors : kSuccess;
        if (shown) {
            window.SetLastActionText("Download completed");
            window.SetStatusText(outcome);
        }
        project->status = outcome;
        if (errors_) {
            if (listed) window.SetRowText(row, 1, kSomeErrors);
        } else {
            if (listed) window.DeleteRow(row);
            context_.store.DownloadedSites.Append(*project);
            if (state.ShownList == kDownloadedSitesList) {
                const int newRow = window.InsertTopRow(project->name);
                if (newRow >= 0) window.SetRowText(newRow, 1, kSuccess);
            }
            requested.RemoveAt(position_);
            --state.SelectedRow;
        }
        // What was fetched is in the project's folder, errors or not.
        const std::string folder = IsSafePathComponent(project_.name) ? projectFolder_ : std::string();
        window.ReportEntryEnded(
            {errors_ ? kRequestedSitesList : kDownloadedSitesList, context_.key, outcome, folder});
        EndTransfer(state, window, kRequestedSitesList, context_.key);
        StopAnimationIfRunning(state, window);
        context_.RemoveActiveRecord();
    }

    WorkerContext& context_;
    const InternetSessionFactory& sessions_;
    const WebOptions web_;
    CrawlView view_;
    CrawlChecksums checks_;

    // Worker thread only, apart from the steps it hands over while it waits.
    WebProject project_;
    int position_ = -1;              // of the project in the requested sites, at the last look-up
    std::uint64_t sitesSeenAt_ = 0;  // the requested sites' change count at the last copy
    std::unique_ptr<InternetSession> session_;
    WorkerLogins logins_{context_};
    std::optional<ScopedWorkerSession> abort_;  // after session_: cleared before the session goes
    std::optional<FetchAhead> ahead_;           // after abort_: its answers go first
    // The links of pages asked ahead whose answers came whole, until read.
    std::unordered_map<std::string, std::vector<std::string>> linksOfArrivedPages_;
    std::optional<CrawlLog> log_;
    LinkStack stack_;
    std::map<std::string, HostPacing> pacing_;   // by "host:port"
    std::map<std::string, RobotsRules> robots_;  // by "scheme://host:port"
    AddressSet visitedLinks_;
    AddressSet knownSites_;
    std::string startRoot_;
    std::optional<std::string> startSite_;  // SameSiteKey of the start address
    std::string startFolder_;               // the start address up to the last '/' of its path
    std::string startFolderPath_;           // its path, for the start site under the other scheme
    std::string projectFolder_;
    int linksFound_ = 0;
    int filesTransferred_ = 0;  // numbers the transfers in the status pane
    int siteCount_ = 1;
    bool errors_ = false;
};

}  // namespace

void SiteCrawlerWorker(WorkerContext& context, const InternetSessionFactory& sessions, const WebOptions& web,
                       std::chrono::nanoseconds viewInterval) {
    try {
        SiteCrawl(context, sessions, web, viewInterval).Run();
    } catch (...) {
        // Not even the end could be handed over (no memory): the active
        // record still goes, so the project can be started again.
        context.RemoveActiveRecordAfterFailure();
    }
}

HttpRequest CrawlRequest(const UrlParts& parts, bool page) {
    HttpRequest request;
    request.server = parts.server;
    request.port = parts.port;
    request.secure = parts.service == UrlService::kHttps;
    request.object = PercentEscaped(parts.object, NeedsEscape);
    request.headers = page ? kPageHeaders : kFileHeaders;
    return request;
}
