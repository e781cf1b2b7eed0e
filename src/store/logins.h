#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "store/message_box.h"

// The server a login belongs to: it is sent there and nowhere else.
struct LoginKey {
    std::string scheme;  // "http", "https" or "ftp", lower case
    std::string host;    // lower case; an IPv6 address without brackets
    int port = 0;

    auto operator<=>(const LoginKey&) const = default;
};

inline constexpr std::size_t kMaxLoginUserLength = 255;
inline constexpr std::size_t kMaxLoginPasswordLength = 255;

// Why a user name or password cannot be used, or nothing when it can.
std::optional<std::string> LoginFieldProblem(std::string_view field);

// Where remembered passwords are kept beyond the run: the desktop's secret
// store. The table asks it on the user-interface thread.
class PasswordKeeper {
public:
    virtual ~PasswordKeeper() = default;
    // Whether passwords given to Keep outlive the run.
    virtual bool Durable() const = 0;
    virtual void Keep(const LoginKey& key, const std::string& user, const std::string& password) = 0;
    virtual std::optional<std::string> Find(const LoginKey& key, const std::string& user) = 0;
    virtual void Forget(const LoginKey& key, const std::string& user) = 0;
};

// The logins of the servers, by server. Only the user names of remembered
// logins are saved, in a file of their own beside the lists; passwords stay
// in memory, and in the keeper when it has one. Used on the user-interface
// thread.
class LoginTable {
public:
    struct Entry {
        std::string user;
        std::string password;
        bool remembered = false;  // its user name is saved and its password kept

        bool operator==(const Entry&) const = default;
    };

    const Entry* Find(const LoginKey& key) const;
    // Sets or replaces the server's login; a remembered one goes to the
    // keeper too, and one no longer remembered leaves it.
    void Set(const LoginKey& key, const Entry& entry);
    void Erase(const LoginKey& key);
    // A remembered login read back from the logins file, its password not yet known.
    void AddRemembered(const LoginKey& key, const std::string& user);

    // The keeper of remembered passwords; none: they last the run only.
    void SetKeeper(PasswordKeeper* keeper) { keeper_ = keeper; }
    bool KeepsPasswords() const { return keeper_ != nullptr && keeper_->Durable(); }
    // Fills in from the keeper the passwords of remembered logins that have none.
    void FetchKeptPasswords();

    const std::map<LoginKey, Entry>& Entries() const { return entries_; }
    // Grows with every change to what the logins file holds.
    std::uint64_t ChangeCount() const { return changes_; }
    bool IsModified() const { return changes_ != saved_; }
    void MarkSaved(std::uint64_t changeCount) { saved_ = changeCount; }

private:
    std::map<LoginKey, Entry> entries_;
    PasswordKeeper* keeper_ = nullptr;
    std::uint64_t changes_ = 0;
    std::uint64_t saved_ = 0;
};

// The file beside the list files: one "SCHEME HOST PORT USER" line per
// remembered login. Never a password.
inline constexpr const char* kLoginsFile = "logins.data";

// Adds the file's logins to the table (one already there is kept), then
// fetches their passwords from the keeper. Lines that do not read as a
// login are ignored; a missing file adds nothing.
void LoadLogins(LoginTable& table, const std::filesystem::path& folder = ".");

// Writes the remembered user names when they changed since the last load or
// save, as SaveChecksums writes its table. False when it could not be saved.
bool SaveLogins(LoginTable& table, MessageBoxPort& messages, const std::filesystem::path& folder = ".");
