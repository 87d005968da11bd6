// Without libFuzzer: the fuzz target over every file in the folder given, so that the saved
// inputs (seeds and former crashes) are replayed by every test run.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int, char** argv) {
    int runs = 0;
    for (const auto& e : std::filesystem::directory_iterator(argv[1])) {
        std::ostringstream bytes;
        bytes << std::ifstream(e.path(), std::ios::binary).rdbuf();
        std::string s = bytes.str();
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(s.data()), s.size());
        ++runs;
    }
    std::printf("%d inputs replayed\n", runs);
}
