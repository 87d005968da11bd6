// What is not the file system on Linux: encodings, the debug channel, error texts, the
// process.
#include "platform/platform.h"

#include "platform/convert.h"

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <ctime>
#include <iconv.h>
#include <map>
#include <strings.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

const char* IconvName(PlatEnc e) {
    switch (e) {
    case kEncCp932: return "CP932";
    case kEncUtf16Le: return "UTF-16LE";
    case kEncUtf16Be: return "UTF-16BE";
    default: return "UTF-8";
    }
}

// Opening a conversion costs more than converting a name: each thread keeps those it opened.
struct Converters {
    std::map<std::pair<std::string, std::string>, iconv_t> open;
    ~Converters() {
        for (auto& [names, cd] : open)
            iconv_close(cd);
    }
    iconv_t Get(const char* from, const char* to) {
        auto [it, fresh] = open.emplace(std::make_pair(from, to), reinterpret_cast<iconv_t>(-1));
        if (fresh) it->second = iconv_open(to, from);
        return it->second;
    }
};

// The whole of `in` converted; false at the first byte iconv can't take.
bool Iconv(std::string_view in, const char* from, const char* to, std::string* out) {
    thread_local Converters converters;
    iconv_t cd = converters.Get(from, to);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    iconv(cd, nullptr, nullptr, nullptr, nullptr); // a fresh start
    out->assign(in.size() * 4 + 8, '\0'); // UTF-32 takes 4 bytes a character, the rest fewer
    char* ip = const_cast<char*>(in.data());
    char* op = out->data();
    size_t il = in.size(), ol = out->size();
    bool ok = iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1) &&
              iconv(cd, nullptr, nullptr, &op, &ol) != static_cast<size_t>(-1);
    out->resize(ok ? static_cast<size_t>(op - out->data()) : 0);
    return ok;
}

} // namespace

const int kPlatErrNoForm = EILSEQ;

// Through UTF-32; iconv takes a best-fit form for some characters ("¥" as 5C, "〜" as 8160).
bool PlatToChars(std::string_view in, PlatEnc from, std::u32string* out) {
    std::string bytes;
    if (!Iconv(in, IconvName(from), "UTF-32LE", &bytes)) return false;
    out->clear();
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    for (size_t i = 0; i + 4 <= bytes.size(); i += 4)
        out->push_back(char32_t{b[i]} | char32_t{b[i + 1]} << 8 | char32_t{b[i + 2]} << 16 |
                       char32_t{b[i + 3]} << 24);
    return true;
}

bool PlatFromChars(std::u32string_view in, PlatEnc to, std::string* out) {
    std::string bytes;
    for (char32_t c : in)
        for (int k = 0; k < 4; ++k)
            bytes.push_back(static_cast<char>(c >> (8 * k)));
    return Iconv(bytes, "UTF-32LE", IconvName(to), out);
}

size_t PlatPathUnits(std::string_view path) {
    return path.size();
}

int PlatCompareNoCase(const char* a, const char* b) {
    return strcasecmp(a, b);
}

// There is no debugger channel here: the lines go to stderr when KESTRELWICK_DEBUG is set.
void PlatDebugOut(const char* line) {
    static const bool on = getenv("KESTRELWICK_DEBUG") != nullptr;
    if (on) (void)!write(2, line, strlen(line));
}

int PlatProcessId() {
    return static_cast<int>(getpid());
}

double PlatUserSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec) + static_cast<double>(u.ru_utime.tv_usec) / 1e6;
}

int64_t PlatNow() {
    return static_cast<int64_t>(time(nullptr));
}

int64_t PlatTicks() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

std::string PlatErrorText(int code) {
    char buf[256];
    return strerror_r(code, buf, sizeof buf); // in the language PlatStartup took
}

bool PlatIsDiskFull(int code) {
    return code == ENOSPC || code == EFBIG || code == EDQUOT;
}

bool PlatJapaneseUser() {
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (const char* v = getenv(var); v && *v) return strncmp(v, "ja", 2) == 0;
    return false;
}

namespace {
bool gStdoutClosed = false;
}

void PlatStartup() {
    for (int fd = 0; fd <= 2; ++fd)
        if (fcntl(fd, F_GETFD) < 0 && open("/dev/null", O_RDWR) == fd && fd == 1)
            gStdoutClosed = true;
    // A write past `ulimit -f` then fails with EFBIG, reported like a full disk.
    signal(SIGXFSZ, SIG_IGN);
    setlocale(LC_CTYPE, "");
    setlocale(LC_MESSAGES, "");
}

bool PlatStdoutClosed() {
    return gStdoutClosed;
}

std::vector<PlatArg> PlatCommandLine(int argc, char** argv) {
    std::vector<PlatArg> args;
    for (int i = 0; i < argc; ++i)
        args.emplace_back(argv[i]);
    return args;
}

int PlatCpuVector() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) return 2;
    if (__builtin_cpu_supports("sse2")) return 1;
#endif
    return 0;
}
