#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "store/records.h"
#include "workers/login_question.h"

// The modal dialogs the entry commands open. They only collect input; the
// commands change the store. The user interface implements them with its
// dialogs; tests script the answers.
class EntryDialogs {
public:
    virtual ~EntryDialogs() = default;

    // "Add File(s)": the address typed and the checksum ("" for none), or
    // nothing when not closed with OK.
    // A user name ("" for none) and password for the address's server.
    struct FileRequest {
        std::string url;
        std::string checksum;
        std::string user;
        std::string password;
    };
    virtual std::optional<FileRequest> AskFileUrl() = 0;

    // A file's properties: its address, the checksum given for it ("" for
    // none) and what the last check found, and the user name of its server's
    // login ("" for none). On OK, `checksum` and `user` hold what the user
    // left in their fields, and `password` what was typed ("" keeps the
    // login's password unless the user name changed).
    struct FileProperties {
        std::string url;
        std::string checksum;
        std::string result;
        std::string user;
        std::string password;
    };
    virtual bool EditFileProperties(FileProperties& /*properties*/) { return false; }

    // The web project sheet with the given caption, loaded from the project.
    // On OK the sheet is stored into the project (times and the domain count
    // converted from their texts, reserved 0, status "Ready for download").
    virtual bool EditWebProject(std::string_view title, WebProject& project) = 0;

    // The search project dialog, empty; on OK stored into the project.
    virtual bool NewSearchProject(SearchProject& project) = 0;
    // The search project dialog loaded from the project; on OK stored into it.
    virtual bool EditSearchProject(SearchProject& project) = 0;

    // The address the user has at hand for a new entry (the clipboard's,
    // when it holds exactly one), or "".
    virtual std::string OfferedAddress() { return {}; }

    // The login dialog for a server that answered 401; nothing on Cancel.
    virtual std::optional<LoginAnswer> AskLogin(const LoginQuestion& /*question*/) { return std::nullopt; }

    // A question with Yes and No buttons; true for Yes.
    virtual bool AskYesNo(std::string_view question) = 0;
};
