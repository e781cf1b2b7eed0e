#pragma once

#include <exception>
#include <string>

// The message text that a worker's error path shows for any exception that
// reached the top of the worker: an Internet error's own message, "Out of
// memory" for a failed allocation, the text of any other standard exception,
// and "Unknown error" for anything else; at most 199 bytes, like an Internet
// error's message. A worker catches everything at its top:
//     catch (...) { ErrorPath(ExceptionMessage(std::current_exception())); }
// Any thread.
std::string ExceptionMessage(const std::exception_ptr& error);
