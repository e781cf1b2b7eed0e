#pragma once

#include <cstdint>
#include <string>

// The open-file limit of the process. Desktop sessions give programs a soft
// limit of 1024 while the hard limit is far higher; a program that may run
// hundreds of transfers at once raises its soft limit at start.
struct OpenFileLimit {
    std::uint64_t soft = 0;  // in force after the attempt
    // Why fewer descriptors than the program would like are available, for
    // standard error; empty when the limit is ample.
    std::string shortfall;
};

// Raises the soft limit to the hard one, but no higher than the program can
// use; any thread, before the workers start.
OpenFileLimit RaiseOpenFileLimit();

// The soft limit now in force.
std::uint64_t CurrentOpenFileLimit();
