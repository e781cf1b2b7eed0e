#include "search/search_worker.h"

#include <exception>
#include <functional>
#include <optional>
#include <string>

#include "workers/app_state.h"
#include "workers/exception_message.h"

namespace {

constexpr const char* kRunningText = "Running search project...";
constexpr const char* kRowSuccessText = "Search Completed Successfully";
constexpr const char* kEndedText = "Search ended";
constexpr const char* kStatusSuccessText = "Search completed succesfully";

using EngineQuery = int (*)(std::string_view, LinkTable&, const SearchEngines&, WorkerControl*);

// How a run reports one engine's query.
struct EngineReport {
    EngineQuery query;
    const char* retrievingText;
    const char* errorText;
    // Only the first engine's outcome goes into the project's row.
    bool writesRow;
};

constexpr EngineReport kAltavistaReport{GetAltavistaLinks, "Retrieving links from Altavista...",
                                        "Error retrieving links from Altavista", true};
constexpr EngineReport kYahooReport{GetYahooLinks, "Retrieving links from Yahoo...",
                                    "Error retrieving links from Yahoo", false};

// What the run takes from the project at its start, so that editing or
// deleting the project meanwhile does not disturb it.
struct ProjectCopy {
    std::string name;
    std::string searchText;
    bool useAltavista = false;
    bool useYahoo = false;
};

// One run of the worker for one search project.
class SearchRun {
public:
    SearchRun(WorkerContext& context, const SearchEngines& engines) : context_(context), engines_(engines) {}

    // Worker thread.
    void Run() noexcept {
        try {
            RunSteps();
        } catch (...) {
            EndWithError(std::current_exception());
        }
    }

private:
    void RunSteps() {
        std::optional<ProjectCopy> project;
        if (!context_.Step([&] { project = Begin(); })) return;
        if (project) {
            if (project->useAltavista && !RunEngine(kAltavistaReport, *project)) return;
            if (project->useYahoo && !RunEngine(kYahooReport, *project)) return;
        }
        context_.Step([&] { Finish(project.has_value()); });
    }

    // False when the program ends meanwhile.
    bool RunEngine(const EngineReport& engine, const ProjectCopy& project) {
        if (!context_.Step([&] {
                if (IsStatusRow(ProjectRow())) context_.window.SetLastActionText(engine.retrievingText);
            })) {
            return false;
        }
        const int found = engine.query(project.searchText, links_, engines_, context_.control.get());
        return context_.Step([&] { ReportQuery(engine, found, project.name); });
    }

    // The steps below run on the user-interface thread.

    // The project's row in the entry list panel, looked up afresh since the
    // list may have changed; nothing when the project is no longer listed.
    std::optional<int> ProjectRow() const {
        const ItemList<SearchProject>& searches = context_.store.RequestedSearches;
        const int position = searches.FindByName(context_.key);
        if (position < 0) return std::nullopt;
        return searches.Count() - 1 - position;
    }

    bool ShowsSearches() const { return context_.state.ShownList == kRequestedSearchesList; }

    bool IsStatusRow(std::optional<int> row) const {
        return row && ShowsSearches() && context_.state.SelectedRow == *row;
    }

    void SetRowTextIfShown(std::optional<int> row, const char* text) {
        if (row && ShowsSearches()) context_.window.SetRowText(*row, 1, text);
    }

    std::optional<ProjectCopy> Begin() {
        const ItemList<SearchProject>& searches = context_.store.RequestedSearches;
        const SearchProject* found = searches.GetAt(searches.FindByName(context_.key));
        if (found == nullptr) return std::nullopt;
        ProjectCopy copy{found->name.Str(), found->searchText.Str(), found->useAltavista == 1,
                         found->useYahoo == 1};
        SetRowTextIfShown(ProjectRow(), kRunningText);
        PlayAnimationIfStopped(context_.state, context_.window);
        return copy;
    }

    void ReportQuery(const EngineReport& engine, int found, const std::string& projectName) {
        const std::optional<int> row = ProjectRow();
        if (found <= 0) {
            failed_ = true;
            failureText_ = engine.errorText;
            if (engine.writesRow) SetRowTextIfShown(row, engine.errorText);
            if (IsStatusRow(row)) context_.window.SetStatusText(engine.errorText);
            return;
        }
        for (int slot = 0; slot < found; ++slot) {
            FileEntry result;
            result.url = links_[static_cast<std::size_t>(slot)];
            result.status = projectName;
            context_.store.SearchResults.Append(result);
            ShowResultIfListed(result);
        }
        if (engine.writesRow) SetRowTextIfShown(row, kRowSuccessText);
        if (IsStatusRow(row)) {
            linksShown_ += found;
            context_.window.SetStatusText(std::to_string(linksShown_) + " links found");
        }
    }

    // While the results are shown, a result appended to their list gets its
    // row at the top, so that the rows still show the list in reverse and
    // the entry commands act on the link they show.
    void ShowResultIfListed(const FileEntry& result) {
        if (context_.state.ShownList != kSearchResultsList) return;
        const int row = context_.window.InsertTopRow(result.url);
        if (row >= 0) context_.window.SetRowText(row, 1, result.status);
    }

    void Finish(bool projectWasListed) {
        if (projectWasListed) {
            StopAnimationIfRunning(context_.state, context_.window);
            if (!failed_ && IsStatusRow(ProjectRow())) {
                context_.window.SetLastActionText(kEndedText);
                context_.window.SetStatusText(kStatusSuccessText);
            }
            context_.window.ReportEntryEnded(
                {kRequestedSearchesList, context_.key, failed_ ? failureText_ : "Success", {}});
        }
        context_.RemoveActiveRecord();
    }

    // Worker thread: the end of a run that met an exception. The message
    // shows where a failed query's text would, and the worker's record goes.
    void EndWithError(const std::exception_ptr& error) noexcept {
        try {
            const std::string text = ExceptionMessage(error);
            context_.OnUi([&] {
                const std::optional<int> row = ProjectRow();
                SetRowTextIfShown(row, text.c_str());
                if (IsStatusRow(row)) context_.window.SetStatusText(text);
                if (row) context_.window.ReportEntryEnded({kRequestedSearchesList, context_.key, text, {}});
                StopAnimationIfRunning(context_.state, context_.window);
                context_.RemoveActiveRecord();
            });
        } catch (...) {
            // Nothing more can be reported; the record still goes.
            context_.RemoveActiveRecordAfterFailure();
        }
    }

    WorkerContext& context_;
    const SearchEngines& engines_;
    LinkTable links_;
    // Touched only inside handed-over steps.
    bool failed_ = false;
    const char* failureText_ = "";  // of the last engine that failed
    int linksShown_ = 0;
};

}  // namespace

void SearchWorker(WorkerContext& context, const SearchEngines& engines) { SearchRun(context, engines).Run(); }
