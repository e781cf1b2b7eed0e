#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>

#include "store/logins.h"

// The attributes a login's password is filed under in the secret service:
// scheme, host, port and user, as a password manager shows them.
std::map<std::string, std::string> SecretAttributes(const LoginKey& key, const std::string& user);

// Remembered passwords in the desktop's secret service (the Secret Service
// D-Bus interface, through libsecret). When no service answers (no session
// bus, none on it, or one that does not answer within the bound) it keeps
// nothing, and the passwords last the run only. Every call waits at most the
// bound; one that runs out gives the service up for the rest of the run.
// User-interface thread. Kept free of Qt headers: GLib's and Qt's keywords
// collide.
class SecretKeeper : public PasswordKeeper {
public:
    // busAnswers: the session bus was seen to answer (see BusAnswers); when
    // false, the service is not even looked for.
    SecretKeeper(bool busAnswers, std::chrono::milliseconds bound);

    bool Durable() const override { return available_; }
    void Keep(const LoginKey& key, const std::string& user, const std::string& password) override;
    std::optional<std::string> Find(const LoginKey& key, const std::string& user) override;
    void Forget(const LoginKey& key, const std::string& user) override;

private:
    const std::chrono::milliseconds bound_;
    bool available_ = false;
};
