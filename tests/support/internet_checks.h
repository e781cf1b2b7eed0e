#pragma once

#include <gtest/gtest.h>

#include <string>

#include "net/internet_exception.h"
#include "net/internet_file.h"

// Runs the call and returns the InternetException it raised; fails the test
// when it raised none.
template <typename Call>
InternetException RaisedBy(Call call) {
    try {
        call();
    } catch (const InternetException& error) {
        return error;
    }
    ADD_FAILURE() << "no InternetException was raised";
    return InternetException(InternetError::kOther, "none");
}

// The rest of the file, read in 255-byte blocks as the workers read.
inline std::string ReadToEnd(InternetFile& file) {
    std::string body;
    char block[255];
    while (const std::size_t got = file.Read(block, sizeof block)) body.append(block, got);
    return body;
}
