#pragma once

#include "net/internet_exception.h"

// Ends a transfer or session that is over or abandoned; a failure to close
// changes nothing for the caller.
template <typename Closable>
void CloseQuietly(Closable& closable) {
    try {
        closable.Close();
    } catch (const InternetException&) {}
}
