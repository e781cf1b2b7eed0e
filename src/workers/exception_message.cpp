#include "workers/exception_message.h"

#include <new>

#include "net/internet_exception.h"

namespace {

std::string Bounded(std::string text) {
    if (text.empty()) return "Unknown error";
    if (text.size() > InternetException::kMaxMessageLength) text.resize(InternetException::kMaxMessageLength);
    return text;
}

}  // namespace

std::string ExceptionMessage(const std::exception_ptr& error) {
    try {
        if (error) std::rethrow_exception(error);
    } catch (const InternetException& internet) {
        return internet.Message();
    } catch (const std::bad_alloc&) {
        return "Out of memory";
    } catch (const std::exception& other) {
        const char* text = other.what();
        return Bounded(text != nullptr ? text : "");
    } catch (...) {}
    return "Unknown error";
}
