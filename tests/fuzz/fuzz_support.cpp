#include "tests/fuzz/fuzz.h"

#include <cstdio>
#include <cstdlib>

void FuzzFail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "%s\n%s\n", what, detail.c_str());
    std::abort();
}
