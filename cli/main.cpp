#include "cli/cli.h"

int main(int argc, char** argv) {
    return KwCliMain(PlatCommandLine(argc, argv));
}
