#include "cli/cli.h"

int main(int argc, char** argv) {
    glPlat.Box = KwCliBox;
    return KwCliMain(PlatCommandLine(argc, argv));
}
