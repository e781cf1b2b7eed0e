#pragma once

#include <string>

// A worker's question for a login, after a server answered 401.
struct LoginQuestion {
    std::string server;  // "https://host:port", the only place the login will go
    std::string realm;   // as the server named it; may be empty
    std::string user;    // the user name known for the server, to start from
    // The login sent before was refused.
    bool refused = false;
    // Remembered passwords outlive the run (a secret store answers);
    // otherwise they are kept for the run only, and the dialog says so.
    bool keptBeyondRun = false;
};

// The user's answer.
struct LoginAnswer {
    std::string user;
    std::string password;
    bool remember = false;
};
