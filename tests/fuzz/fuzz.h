// Shared by the fuzz targets: a reader that takes the fuzzer's bytes apart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct FuzzInput {
    const uint8_t* p;
    size_t n;
    uint8_t Byte() {
        if (n == 0) return 0;
        --n;
        return *p++;
    }
    // A string of at most max bytes, its length taken from the next byte.
    std::string Str(size_t max) {
        size_t len = Byte() % (max + 1);
        if (len > n) len = n;
        std::string s(reinterpret_cast<const char*>(p), len);
        p += len;
        n -= len;
        return s;
    }
    std::string Rest() {
        std::string s(reinterpret_cast<const char*>(p), n);
        p += n;
        n = 0;
        return s;
    }
};

// Stops the run with a message that the fuzzer reports as a crash.
[[noreturn]] void FuzzFail(const char* what, const std::string& detail);
