#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/file_digest.h"
#include "engine/published_checksums.h"
#include "net/internet_file.h"

// The checks a crawl makes of the archives it saves against the digests
// their publisher gives: the answer's digest header, else the SHA256SUMS or
// SHA512SUMS of the archive's folder, when the crawl itself fetches one (a
// link without a dot is read like a page), so that no request is added for
// them. An archive saved before its folder's list was met waits for it; at
// the crawl's end, those still waiting are looked up beside them on the
// server as a single file's digest is. Used by the crawl's worker thread
// only.
class CrawlChecksums {
public:
    explicit CrawlChecksums(bool enabled) : enabled_(enabled) {}

    // What a check found for a saved archive.
    struct Verdict {
        std::string address;
        std::string localPath;
        bool verified = false;
        // "sha256 verified (from SHA256SUMS): HEX", or the mismatch with
        // where the file is now ("..., kept as PATH.corrupt").
        std::string text;
    };

    // Worker thread: the digest to feed with the bytes of an archive about
    // to be written at localPath after its first `appendAt` bytes (which
    // are hashed first); null when archives are not checked.
    std::unique_ptr<BackgroundDigest> StartArchive(const HttpFile& answer, const std::string& localPath,
                                                   std::int64_t appendAt);
    // Worker thread: the archive is saved whole; what can be said of it now.
    // Raises LocalFileError when the hash cannot be finished.
    std::vector<Verdict> ArchiveSaved(const std::string& address, const std::string& localPath,
                                      std::unique_ptr<BackgroundDigest> digest);

    // Worker thread: whether the fetched address is a checksum list to be
    // taken instead of read as a page.
    bool IsFolderList(const std::string& address) const;
    // Worker thread: reads the list (at most kMaxChecksumFileBytes; a
    // longer one is ignored) and checks the archives of its folder that
    // waited for it. Raises InternetException.
    std::vector<Verdict> TakeFolderList(const std::string& address, InternetFile& list);

    // Worker thread, at the crawl's end: the archives no list of the crawl
    // gave a digest for, checked against the first published beside them
    // (FindPublishedDigest), each address asked through `fetch` once, and
    // a list met not asked again.
    std::vector<Verdict> LookUpWaiting(const ChecksumFileFetch& fetch);

private:
    // An archive saved, hashed, and not yet judged.
    struct Saved {
        std::string address;
        std::string localPath;
        std::string name;  // as its folder's list names it
        DigestKind hashedKind = DigestKind::kSha256;
        std::string hex;
    };
    struct FolderLists {
        std::optional<std::string> sha256;
        std::optional<std::string> sha512;
    };

    // The verdict on the archive when its folder's lists give a digest.
    std::optional<Verdict> Judge(const Saved& saved, const FolderLists& lists) const;
    static Verdict Check(const Saved& saved, const PublishedDigest& published);

    const bool enabled_;
    std::optional<PublishedDigest> header_;              // of the archive being written
    std::size_t keptBytes_ = 0;                          // of the lists kept
    std::map<std::string, FolderLists> lists_;           // by folder address
    std::map<std::string, std::vector<Saved>> waiting_;  // by folder address
};
