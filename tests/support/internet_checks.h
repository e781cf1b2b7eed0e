#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

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

// Bytes that differ from block to block, so a lost, doubled or reordered
// block shows.
inline std::string PatternedBytes(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t state = 12345;
    for (char& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}
