#include "store/logins.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "store/list_file_reader.h"
#include "store/synced_file.h"
#include "store/text_utils.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxSchemeLength = 5;
constexpr std::size_t kMaxHostLength = 253;
// A user name escaped, each byte as "%XX" at worst.
constexpr std::size_t kMaxEscapedUserLength = 3 * kMaxLoginUserLength;

bool IsControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
}

// One token per field: blanks and the escape's own '%' are escaped.
bool NeedsEscape(char c) { return IsBlank(c) || c == '%' || IsControl(c); }

bool IsKnownScheme(std::string_view scheme) {
    return scheme == "http" || scheme == "https" || scheme == "ftp";
}

bool IsHostCharacter(char c) {
    return IsAsciiLetter(c) || IsAsciiDigit(c) || c == '.' || c == '-' || c == '_' || c == ':' ||
           static_cast<unsigned char>(c) >= 0x80;
}

std::optional<LoginKey> ReadKey(ListFileReader& reader) {
    LoginKey key;
    key.scheme = reader.ReadToken(kMaxSchemeLength + 1);
    key.host = reader.ReadToken(kMaxHostLength + 1);
    std::int32_t port = 0;
    reader.ReadNumbers({&port});
    key.port = port;
    const bool usable = IsKnownScheme(key.scheme) && !key.host.empty() && key.host.size() <= kMaxHostLength &&
                        std::all_of(key.host.begin(), key.host.end(), IsHostCharacter) && port >= 1 &&
                        port <= 65535;
    if (!usable) return std::nullopt;
    key.host = FoldedCopy(key.host);
    return key;
}

bool WriteTable(const LoginTable& table, const fs::path& file) {
    return ReplaceFileSynced(file, [&table](std::FILE* out) {
        for (const auto& [key, entry] : table.Entries()) {
            if (!entry.remembered) continue;
            const std::string user = PercentEscaped(entry.user, NeedsEscape);
            if (std::fprintf(out, "%s %s %d %s\n", key.scheme.c_str(), key.host.c_str(), key.port,
                             user.c_str()) < 0) {
                return false;
            }
        }
        return true;
    });
}

bool HoldsRemembered(const LoginTable& table) {
    return std::any_of(table.Entries().begin(), table.Entries().end(),
                       [](const auto& item) { return item.second.remembered; });
}

}  // namespace

std::optional<std::string> LoginFieldProblem(std::string_view field) {
    if (field.size() > kMaxLoginUserLength) return "is too long";
    if (std::any_of(field.begin(), field.end(), IsControl)) return "holds a control character";
    return std::nullopt;
}

const LoginTable::Entry* LoginTable::Find(const LoginKey& key) const {
    const auto found = entries_.find(key);
    return found == entries_.end() ? nullptr : &found->second;
}

void LoginTable::Set(const LoginKey& key, const Entry& entry) {
    const Entry* before = Find(key);
    const bool namesChange =
        !before || before->remembered != entry.remembered || (entry.remembered && before->user != entry.user);
    if (before && before->remembered && keeper_ != nullptr &&
        (!entry.remembered || before->user != entry.user)) {
        keeper_->Forget(key, before->user);
    }
    if (entry.remembered && keeper_ != nullptr) keeper_->Keep(key, entry.user, entry.password);
    entries_[key] = entry;
    if (namesChange) ++changes_;
}

void LoginTable::Erase(const LoginKey& key) {
    const auto found = entries_.find(key);
    if (found == entries_.end()) return;
    if (found->second.remembered && keeper_ != nullptr) keeper_->Forget(key, found->second.user);
    const bool wasSaved = found->second.remembered;
    entries_.erase(found);
    if (wasSaved) ++changes_;
}

void LoginTable::AddRemembered(const LoginKey& key, const std::string& user) {
    entries_[key] = Entry{user, {}, true};
    ++changes_;
}

void LoginTable::FetchKeptPasswords() {
    if (keeper_ == nullptr) return;
    for (auto& [key, entry] : entries_) {
        if (!entry.remembered || !entry.password.empty()) continue;
        if (std::optional<std::string> password = keeper_->Find(key, entry.user)) entry.password = *password;
    }
}

void LoadLogins(LoginTable& table, const fs::path& folder) {
    FilePtr input(std::fopen((folder / kLoginsFile).c_str(), "r"));
    if (!input) return;
    const bool heldUnsaved = table.IsModified();
    ListFileReader reader(input.get());
    while (!reader.AtEndAfterWhiteSpace()) {
        const std::optional<LoginKey> key = ReadKey(reader);
        const std::string escapedUser = reader.ReadToken(kMaxEscapedUserLength + 1);
        reader.ReadLine(1);  // anything after the user name on its line
        if (!key || escapedUser.size() > kMaxEscapedUserLength || table.Find(*key) != nullptr) continue;
        const std::string user = PercentDecoded(escapedUser);
        if (user.empty() || LoginFieldProblem(user)) continue;
        table.AddRemembered(*key, user);
    }
    if (!heldUnsaved) table.MarkSaved(table.ChangeCount());
    table.FetchKeptPasswords();
}

bool SaveLogins(LoginTable& table, MessageBoxPort& messages, const fs::path& folder) {
    if (!table.IsModified()) return true;
    const std::uint64_t changesWritten = table.ChangeCount();
    const fs::path file = folder / kLoginsFile;
    if (!HoldsRemembered(table)) {
        std::error_code ignored;
        if (fs::remove(file, ignored)) SyncFolderOf(file);
    } else if (!WriteTable(table, file)) {
        messages.ShowMessage("Error saving the logins!");
        return false;
    }
    table.MarkSaved(changesWritten);
    return true;
}
