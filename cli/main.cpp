#include "cli/cli.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    PlatStartup();
    // Nothing thrown ends the program without a word.
    try {
        return KwCliMain(PlatCommandLine(argc, argv));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kestrelwick-cli: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "kestrelwick-cli: failed\n");
    }
    return 2;
}
