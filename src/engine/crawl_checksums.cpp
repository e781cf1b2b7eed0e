#include "engine/crawl_checksums.h"

#include <utility>

#include "store/text_utils.h"

namespace {

// What a crawl keeps of the checksum lists it met, all together.
constexpr std::size_t kMaxKeptListBytes = 32 * 1024 * 1024;

}  // namespace

std::unique_ptr<BackgroundDigest> CrawlChecksums::StartArchive(const HttpFile& answer,
                                                               const std::string& localPath,
                                                               std::int64_t appendAt) {
    if (!enabled_) return nullptr;
    header_ = DigestFromHeaders(answer.QueryInfoHeader("Repr-Digest"), answer.QueryInfoHeader("Digest"));
    auto digest = std::make_unique<BackgroundDigest>(header_ ? header_->checksum.kind : DigestKind::kSha256);
    digest->UpdateFromFile(localPath, appendAt);
    return digest;
}

std::vector<CrawlChecksums::Verdict> CrawlChecksums::ArchiveSaved(const std::string& address,
                                                                  const std::string& localPath,
                                                                  std::unique_ptr<BackgroundDigest> digest) {
    if (!digest) return {};
    const DigestKind kind = digest->Kind();
    const std::string hex = digest->FinishHex();
    const std::optional<FolderAndName> parts = SplitFileAddress(address);
    if (!parts) return {};
    Saved saved{address, localPath, PercentDecoded(parts->name), kind, hex};
    if (header_) return {Check(saved, *std::exchange(header_, std::nullopt))};
    const auto lists = lists_.find(parts->folder);
    if (lists != lists_.end()) {
        if (std::optional<Verdict> verdict = Judge(saved, lists->second)) return {*verdict};
    }
    waiting_[parts->folder].push_back(std::move(saved));
    return {};
}

bool CrawlChecksums::IsFolderList(const std::string& address) const {
    return enabled_ && FolderListKind(address).has_value();
}

std::vector<CrawlChecksums::Verdict> CrawlChecksums::TakeFolderList(const std::string& address,
                                                                    InternetFile& list) {
    const std::optional<DigestKind> kind = FolderListKind(address);
    const std::optional<FolderAndName> parts = SplitFileAddress(address);
    const std::optional<std::string> text = ReadChecksumFile(list);
    if (!kind || !parts || !text) return {};
    const auto known = lists_.find(parts->folder);
    FolderLists met = known == lists_.end() ? FolderLists{} : known->second;
    (*kind == DigestKind::kSha512 ? met.sha512 : met.sha256) = *text;
    std::vector<Verdict> verdicts;
    std::vector<Saved>& waiting = waiting_[parts->folder];
    std::erase_if(waiting, [&](const Saved& saved) {
        std::optional<Verdict> verdict = Judge(saved, met);
        if (verdict) verdicts.push_back(std::move(*verdict));
        return verdict.has_value();
    });
    // Kept for the archives still to come, within a bound a site cannot pass.
    if (keptBytes_ + text->size() <= kMaxKeptListBytes) {
        keptBytes_ += text->size();
        lists_[parts->folder] = std::move(met);
    }
    return verdicts;
}

std::optional<CrawlChecksums::Verdict> CrawlChecksums::Judge(const Saved& saved,
                                                             const FolderLists& lists) const {
    const std::pair<const std::optional<std::string>&, DigestKind> ordered[] = {
        {lists.sha256, DigestKind::kSha256}, {lists.sha512, DigestKind::kSha512}};
    for (const auto& [text, kind] : ordered) {
        if (!text) continue;
        if (std::optional<Checksum> checksum = DigestFromSumsText(*text, saved.name, kind)) {
            return Check(saved, {*checksum, kind == DigestKind::kSha512 ? "SHA512SUMS" : "SHA256SUMS"});
        }
    }
    return std::nullopt;
}

CrawlChecksums::Verdict CrawlChecksums::Check(const Saved& saved, const PublishedDigest& published) {
    const Checksum& wanted = published.checksum;
    const std::string actual =
        wanted.kind == saved.hashedKind ? saved.hex : HashOfFile(saved.localPath, wanted.kind);
    const std::string kind(DigestKindName(wanted.kind));
    if (actual == wanted.hex) {
        return {saved.address, saved.localPath, true,
                kind + " verified (from " + published.source + "): " + actual};
    }
    const std::optional<std::filesystem::path> kept = RenameAsCorrupt(saved.localPath);
    return {saved.address, saved.localPath, false,
            MismatchText(wanted.kind, wanted.hex, actual) + (kept ? ", kept as " + kept->string() : "")};
}

std::vector<CrawlChecksums::Verdict> CrawlChecksums::LookUpWaiting(const ChecksumFileFetch& fetch) {
    std::map<std::string, std::optional<std::string>> fetched;
    for (const auto& [folder, lists] : lists_) {
        if (lists.sha256) fetched[folder + "SHA256SUMS"] = lists.sha256;
        if (lists.sha512) fetched[folder + "SHA512SUMS"] = lists.sha512;
    }
    const ChecksumFileFetch once = [&](const std::string& address) {
        const auto known = fetched.find(address);
        if (known != fetched.end()) return known->second;
        return fetched[address] = fetch(address);
    };
    std::vector<Verdict> verdicts;
    for (const auto& [folder, waiting] : std::exchange(waiting_, {})) {
        for (const Saved& saved : waiting) {
            if (const std::optional<PublishedDigest> published = FindPublishedDigest(saved.address, once)) {
                verdicts.push_back(Check(saved, *published));
            }
        }
    }
    return verdicts;
}
