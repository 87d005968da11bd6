// The platform layer on Linux: the same results the engine gets from Windows, with file names
// in the file system's own bytes (UTF-8 in practice).
#include "platform/platform.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <map>
#include <stdio.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

struct Search {
    std::vector<PlatEntry> entries;
    size_t next = 0;
};

struct File {
    int fd;
};

int gLastError = 0;

int Fail() {
    gLastError = errno;
    return 0;
}

bool EndsWithNoCase(const std::string& name, const std::string& suffix) {
    return name.size() >= suffix.size() && strncasecmp(name.c_str() + name.size() - suffix.size(),
                                                       suffix.c_str(), suffix.size()) == 0;
}

// "*.*" takes every entry, "*X" the names ending in X (ASCII case ignored), else the name itself.
bool Matches(const std::string& name, const std::string& wild) {
    if (wild == "*.*" || wild == "*") return true;
    if (!wild.empty() && wild[0] == '*') return EndsWithNoCase(name, wild.substr(1));
    return strcasecmp(name.c_str(), wild.c_str()) == 0;
}

// Names compared after ASCII upper-casing, then byte by byte: close to NTFS order, and the
// same on every run whatever order readdir gives.
bool Before(const PlatEntry& a, const PlatEntry& b) {
    size_t n = std::min(a.name.size(), b.name.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a.name[i]);
        unsigned char y = static_cast<unsigned char>(b.name[i]);
        if (x >= 'a' && x <= 'z') x -= 32;
        if (y >= 'a' && y <= 'z') y -= 32;
        if (x != y) return x < y;
    }
    if (a.name.size() != b.name.size()) return a.name.size() < b.name.size();
    return a.name < b.name;
}

PlatSearch PosixFindFirst(const char* pattern, PlatEntry* entry) {
    std::string pat = pattern;
    size_t cut = pat.rfind('/');
    std::string folder = cut == std::string::npos ? "." : pat.substr(0, cut);
    std::string wild = cut == std::string::npos ? pat : pat.substr(cut + 1);
    if (folder.empty()) folder = "/";
    DIR* dir = opendir(folder.c_str());
    if (!dir) {
        Fail();
        return nullptr;
    }
    auto* search = new Search;
    std::vector<PlatEntry> dots;
    for (;;) {
        errno = 0;
        dirent* d = readdir(dir);
        if (!d) break;
        PlatEntry e;
        e.name = d->d_name;
        if (!Matches(e.name, wild)) continue;
        // The entry's type as the folder gives it; only a link (or a file system that does not
        // say) needs a look at what it leads to.
        e.isDir = d->d_type == DT_DIR;
        e.isLink = d->d_type == DT_LNK;
        if (d->d_type == DT_LNK || d->d_type == DT_UNKNOWN) {
            struct stat st;
            std::string full = folder + "/" + e.name;
            e.isDir = stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
            e.isLink = lstat(full.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
        }
        (e.name == "." || e.name == ".." ? dots : search->entries).push_back(std::move(e));
    }
    // A listing cut short by an error would leave files out without a word.
    int err = errno;
    closedir(dir);
    if (err) {
        delete search;
        gLastError = err;
        return nullptr;
    }
    // Windows lists "." and ".." first.
    std::sort(dots.begin(), dots.end(), Before);
    std::sort(search->entries.begin(), search->entries.end(), Before);
    search->entries.insert(search->entries.begin(), dots.begin(), dots.end());
    if (search->entries.empty()) {
        delete search;
        gLastError = 0; // read, and nothing matched
        return nullptr;
    }
    *entry = search->entries[0];
    search->next = 1;
    return search;
}

int PosixFindNext(PlatSearch search, PlatEntry* entry) {
    auto* s = static_cast<Search*>(search);
    if (s->next >= s->entries.size()) return 0;
    *entry = s->entries[s->next++];
    return 1;
}

void PosixFindEnd(PlatSearch search) {
    delete static_cast<Search*>(search);
}

int PosixMakeDir(const char* path) {
    return mkdir(path, 0777) == 0 ? 0 : errno;
}

// O_NONBLOCK so that a named pipe in a project can't hang the job; only regular files are
// taken.
PlatFile OpenFd(const char* path, int flags) {
    int fd = open(path, flags | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) {
        Fail();
        return nullptr;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        gLastError = S_ISDIR(st.st_mode) ? EISDIR : kPlatErrNotFile;
        close(fd);
        return nullptr;
    }
    // O_NONBLOCK means nothing to a regular file: it may stay.
    return new File{fd};
}

PlatFile PosixOpenRead(const char* path) {
    return OpenFd(path, O_RDONLY);
}
PlatFile PosixCreateWrite(const char* path) {
    // O_EXCL: never through a link or into a file that is there.
    return OpenFd(path, O_WRONLY | O_CREAT | O_EXCL);
}

int PosixSize(PlatFile file, uint64_t* size) {
    struct stat st;
    if (fstat(static_cast<File*>(file)->fd, &st) != 0) return Fail();
    *size = static_cast<uint64_t>(st.st_size);
    return 1;
}

int PosixRead(PlatFile file, void* buf, uint32_t n, uint32_t* got) {
    *got = 0;
    ssize_t r;
    do
        r = read(static_cast<File*>(file)->fd, buf, n);
    while (r < 0 && errno == EINTR);
    if (r < 0) return Fail();
    *got = static_cast<uint32_t>(r);
    return 1;
}

int PosixWrite(PlatFile file, const void* buf, uint32_t n, uint32_t* put) {
    // Like WriteFile: keeps writing until all is written or an error stops it.
    *put = 0;
    const char* p = static_cast<const char*>(buf);
    while (*put < n) {
        ssize_t r = write(static_cast<File*>(file)->fd, p + *put, n - *put);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return r < 0 ? Fail() : 0;
        *put += static_cast<uint32_t>(r);
    }
    return 1;
}

int PosixClose(PlatFile file) {
    int fd = static_cast<File*>(file)->fd;
    delete static_cast<File*>(file);
    return close(fd) == 0 ? 1 : Fail();
}

// The kernel copies (and may share the blocks) with copy_file_range; where it can't (another
// file system, an old kernel), a read/write loop does.
int CopyBytes(int in, int out) {
    for (bool kernel = true;;) {
        if (kernel) {
            ssize_t r = copy_file_range(in, nullptr, out, nullptr, size_t{1} << 30, 0);
            if (r > 0) continue;
            if (r == 0) return 0;
            if (errno == EINTR) continue;
            if (errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP && errno != EINVAL)
                return errno;
            kernel = false;
        }
        static thread_local std::vector<char> buf(1 << 20);
        ssize_t got = read(in, buf.data(), buf.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return errno;
        if (got == 0) return 0;
        for (ssize_t put = 0; put < got;) {
            ssize_t w = write(out, buf.data() + put, static_cast<size_t>(got - put));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) return w < 0 ? errno : EIO;
            put += w;
        }
    }
}

int PosixCopy(const char* from, const char* to) {
    PlatFile in = PosixOpenRead(from);
    if (!in) return gLastError;
    PlatFile out = PosixCreateWrite(to);
    if (!out) {
        PosixClose(in);
        return gLastError;
    }
    int fdIn = static_cast<File*>(in)->fd, fdOut = static_cast<File*>(out)->fd;
    int err = CopyBytes(fdIn, fdOut);
    struct stat st;
    if (!err && fstat(fdIn, &st) == 0) fchmod(fdOut, st.st_mode & 07777);
    PosixClose(in);
    if (!PosixClose(out) && !err) err = gLastError;
    if (err) unlink(to); // made by this call: nothing half-copied stays
    return err;
}

int PosixIdentify(const char* path, PlatFileId* id) {
    struct stat st;
    if (stat(path, &st) != 0) return Fail();
    id->volume = static_cast<uint64_t>(st.st_dev);
    id->index = static_cast<uint64_t>(st.st_ino);
    id->isDir = S_ISDIR(st.st_mode);
    id->isLink = lstat(path, &st) == 0 && S_ISLNK(st.st_mode);
    return 1;
}

int PosixCompareNoCase(const char* a, const char* b) {
    return strcasecmp(a, b);
}

void* PosixAlloc(size_t n) {
    return calloc(n ? n : 1, 1);
}
void PosixFree(void* p) {
    free(p);
}

// There is no debugger channel here: the lines go to stderr when KESTRELWICK_DEBUG is set.
void PosixDebugOut(const char* line) {
    static const bool on = getenv("KESTRELWICK_DEBUG") != nullptr;
    if (on) (void)!write(2, line, strlen(line));
}

void PosixBox(const char* text, const char* caption, unsigned) {
    fprintf(stderr, "%s%s%s\n", caption, *caption ? ": " : "", text);
}

int PosixLastError() {
    return gLastError;
}

int PosixRename(const char* from, const char* to, int replace) {
    if (replace) return rename(from, to) == 0 ? 0 : errno;
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // A file system without RENAME_NOREPLACE: check, then move (a small window remains).
    struct stat st;
    if (lstat(to, &st) == 0) return EEXIST;
    return rename(from, to) == 0 ? 0 : errno;
}

int PosixRemove(const char* path) {
    return unlink(path) == 0 ? 0 : errno;
}

int PosixRemoveDir(const char* path) {
    return rmdir(path) == 0 ? 0 : errno;
}

// A leading dot hides a name here; there is no attribute to set.
int PosixSetHidden(const char*, int) {
    return 0;
}

int PosixProcessId() {
    return static_cast<int>(getpid());
}

int PosixFullPath(const char* path, std::string* out) {
    char* real = realpath(path, nullptr);
    if (!real) return Fail();
    *out = real;
    free(real);
    return 1;
}

// flock locks are seen over NFS as well. The marker is checked to still be the file at its
// path once locked: a cleaner may have taken and removed it between opening and locking.
PlatFile PosixHoldMarker(const char* path, int create) {
    int flags = O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | (create ? O_CREAT | O_EXCL : 0);
    int fd = open(path, flags, 0644);
    if (fd < 0) {
        Fail();
        return nullptr;
    }
    struct stat held, now;
    errno = 0;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || fstat(fd, &held) != 0 || !S_ISREG(held.st_mode) ||
        lstat(path, &now) != 0 || now.st_dev != held.st_dev || now.st_ino != held.st_ino) {
        gLastError = errno ? errno : EBUSY;
        close(fd);
        return nullptr;
    }
    return new File{fd};
}

} // namespace

PlatCalls glPlat = {
    PosixFindFirst, PosixFindNext,    PosixFindEnd,       PosixMakeDir,  PosixCopy,
    PosixOpenRead,  PosixCreateWrite, PosixSize,          PosixRead,     PosixWrite,
    PosixClose,     PosixIdentify,    PosixCompareNoCase, PosixAlloc,    PosixFree,
    PosixDebugOut,  PosixBox,         PosixLastError,     PosixRename,   PosixRemove,
    PosixRemoveDir, PosixSetHidden,   PosixProcessId,     PosixFullPath, PosixHoldMarker,
};

void* glPlatOwner = nullptr;

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

// Through UTF-32: iconv maps some characters to CP932 by best fit ("¥" to 5C, "〜" to 8160), so
// the result must decode to the same characters.
int PlatConvert(std::string_view in, PlatEnc from, PlatEnc to, std::string* out) {
    std::string chars, back;
    if (Iconv(in, IconvName(from), "UTF-32LE", &chars) &&
        Iconv(chars, "UTF-32LE", IconvName(to), out) &&
        Iconv(*out, IconvName(to), "UTF-32LE", &back) && back == chars)
        return 0;
    out->clear();
    return EILSEQ;
}

std::vector<PlatArg> PlatCommandLine(int argc, char** argv) {
    std::vector<PlatArg> args;
    for (int i = 0; i < argc; ++i)
        args.push_back({argv[i], true});
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

const int kPlatErrNotFile = ENODEV;
const int kPlatErrExists = EEXIST;
const char kPlatSep = '/';
const bool kPlatNamesCp932 = false;
const bool kPlatNamesFoldCase = false;
const size_t kPlatPathMax = 4095;
