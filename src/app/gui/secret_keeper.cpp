#include "app/gui/secret_keeper.h"

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include <libsecret/secret.h>

namespace {

// The schema's name: the program's name on the desktop.
constexpr const char* kSchemaName = TARRAWICK_APP_ID ".Login";

const SecretSchema* LoginSchema() {
    static const SecretSchema schema = [] {
        SecretSchema made;
        std::memset(&made, 0, sizeof made);
        made.name = kSchemaName;
        made.flags = SECRET_SCHEMA_NONE;
        const char* names[] = {"scheme", "host", "port", "user"};
        for (std::size_t i = 0; i < 4; ++i) {
            made.attributes[i].name = names[i];
            made.attributes[i].type =
                i == 2 ? SECRET_SCHEMA_ATTRIBUTE_INTEGER : SECRET_SCHEMA_ATTRIBUTE_STRING;
        }
        return made;
    }();
    return &schema;
}

// Runs the call with a cancellable that is cancelled once the bound has
// passed, so that a service that takes the message and never answers holds
// the caller no longer. Sets `timedOut` when it was.
template <typename Call>
auto WithinBound(std::chrono::milliseconds bound, bool& timedOut, Call call) {
    GCancellable* cancellable = g_cancellable_new();
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (!done.wait_for(lock, bound, [&] { return finished; })) g_cancellable_cancel(cancellable);
    });
    auto result = call(cancellable);
    {
        const std::lock_guard lock(mutex);
        finished = true;
    }
    done.notify_one();
    watchdog.join();
    timedOut = g_cancellable_is_cancelled(cancellable) != 0;
    g_object_unref(cancellable);
    return result;
}

// The attributes as libsecret takes them; freed with the table.
GHashTable* AttributeTable(const LoginKey& key, const std::string& user) {
    GHashTable* table = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, g_free);
    for (const auto& [name, value] : SecretAttributes(key, user)) {
        g_hash_table_insert(table, g_strdup(name.c_str()), g_strdup(value.c_str()));
    }
    return table;
}

void ClearError(GError*& error) {
    if (error != nullptr) g_error_free(error);
    error = nullptr;
}

}  // namespace

std::map<std::string, std::string> SecretAttributes(const LoginKey& key, const std::string& user) {
    return {{"scheme", key.scheme}, {"host", key.host}, {"port", std::to_string(key.port)}, {"user", user}};
}

SecretKeeper::SecretKeeper(bool busAnswers, std::chrono::milliseconds bound) : bound_(bound) {
    if (!busAnswers) return;
    bool timedOut = false;
    GError* error = nullptr;
    SecretService* service = WithinBound(bound_, timedOut, [&](GCancellable* cancellable) {
        return secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, cancellable, &error);
    });
    available_ = service != nullptr && error == nullptr && !timedOut;
    ClearError(error);
    if (service != nullptr) g_object_unref(service);
}

void SecretKeeper::Keep(const LoginKey& key, const std::string& user, const std::string& password) {
    if (!available_) return;
    GHashTable* attributes = AttributeTable(key, user);
    const std::string label = "Tarrawick login for " + user + " at " + key.scheme + "://" + key.host + ":" +
                              std::to_string(key.port);
    bool timedOut = false;
    GError* error = nullptr;
    WithinBound(bound_, timedOut, [&](GCancellable* cancellable) {
        return secret_password_storev_sync(LoginSchema(), attributes, SECRET_COLLECTION_DEFAULT,
                                           label.c_str(), password.c_str(), cancellable, &error);
    });
    g_hash_table_unref(attributes);
    ClearError(error);
    if (timedOut) available_ = false;
}

std::optional<std::string> SecretKeeper::Find(const LoginKey& key, const std::string& user) {
    if (!available_) return std::nullopt;
    GHashTable* attributes = AttributeTable(key, user);
    bool timedOut = false;
    GError* error = nullptr;
    gchar* password = WithinBound(bound_, timedOut, [&](GCancellable* cancellable) {
        return secret_password_lookupv_sync(LoginSchema(), attributes, cancellable, &error);
    });
    g_hash_table_unref(attributes);
    ClearError(error);
    if (timedOut) available_ = false;
    if (password == nullptr) return std::nullopt;
    std::string found(password);
    secret_password_free(password);  // wipes the copy libsecret made
    return found;
}

void SecretKeeper::Forget(const LoginKey& key, const std::string& user) {
    if (!available_) return;
    GHashTable* attributes = AttributeTable(key, user);
    bool timedOut = false;
    GError* error = nullptr;
    WithinBound(bound_, timedOut, [&](GCancellable* cancellable) {
        return secret_password_clearv_sync(LoginSchema(), attributes, cancellable, &error);
    });
    g_hash_table_unref(attributes);
    ClearError(error);
    if (timedOut) available_ = false;
}
