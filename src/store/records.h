#pragma once

#include <cstdint>
#include <memory>

#include "store/fixed_text.h"

// Records kept in the lists. Texts are fixed-size fields; integers are signed
// 32-bit; switches hold 0 or 1.

// A requested or downloaded file, a search result, or an address of the
// crawler's private lists.
struct FileEntry {
    FixedText<255> url;
    FixedText<255> status;

    friend bool operator==(const FileEntry&, const FileEntry&) = default;
};

struct WebProject {
    FixedText<80> name;
    FixedText<256> startUrl;
    std::int32_t downloadAll = 0;
    std::int32_t wantZip = 0;
    std::int32_t wantExe = 0;
    std::int32_t wantRar = 0;
    std::int32_t wantAce = 0;
    std::int32_t wantTar = 0;
    std::int32_t wantGz = 0;
    std::int32_t wantArj = 0;
    FixedText<100> otherTypes;  // kept in memory only
    std::int32_t startOnRequest = 0;
    std::int32_t stopOnRequest = 0;
    std::int32_t startMinute = 0;
    std::int32_t startHour = 0;
    std::int32_t stopMinute = 0;
    std::int32_t stopHour = 0;
    std::int32_t maxDomainCount = 0;
    std::int32_t reserved = 0;  // always 0
    std::int32_t exitDomain = 0;
    FixedText<20> userName;  // kept in memory only
    FixedText<20> password;  // kept in memory only
    FixedText<32> status;

    friend bool operator==(const WebProject&, const WebProject&) = default;
};

struct SearchProject {
    FixedText<80> name;
    FixedText<256> searchText;
    std::int32_t useAltavista = 0;
    std::int32_t useHotBot = 0;
    std::int32_t useYahoo = 0;
    std::int32_t useNorthernLight = 0;
    std::int32_t useWebCrawler = 0;
    std::int32_t useMsn = 0;
    std::int32_t useGo2Net = 0;
    std::int32_t startOnRequest = 0;
    std::int32_t stopOnRequest = 0;
    std::int32_t startMinute = 0;
    std::int32_t startHour = 0;
    std::int32_t stopMinute = 0;
    std::int32_t stopHour = 0;
    FixedText<20> reservedText1;  // read by nobody; kept in memory only
    FixedText<20> reservedText2;
    FixedText<32> status;

    friend bool operator==(const SearchProject&, const SearchProject&) = default;
};

// The control of one running or halted worker; defined by the scheduler.
class WorkerControl;

// One record per worker that was started and has not ended.
struct WorkerRecord {
    std::shared_ptr<WorkerControl> thread;
    FixedText<256> name;  // the entry's key: a file's url or a project's name
};

// The key that ItemList::FindByName compares.
inline std::string_view KeyOf(const FileEntry& entry) { return entry.url; }
inline std::string_view KeyOf(const WebProject& project) { return project.name; }
inline std::string_view KeyOf(const SearchProject& project) { return project.name; }
inline std::string_view KeyOf(const WorkerRecord& record) { return record.name; }
