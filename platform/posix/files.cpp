// The file calls on Linux: names are the file system's own bytes, and every name inside an
// opened folder is taken relative to its descriptor, so a folder swapped for a link after it
// was opened can't redirect a write.
#include "platform/platform.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

struct PlatFileHandle {
    int fd;
};

struct PlatDirHandle {
    int fd;
};

namespace {

int Fd(PlatDir d) {
    return d->fd;
}

int FdOf(PlatFile f) {
    return f->fd;
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

int PosixList(const char* folder, std::vector<PlatEntry>* out) {
    out->clear();
    DIR* dir = opendir(folder);
    if (!dir) return errno;
    std::vector<PlatEntry> dots;
    for (;;) {
        errno = 0;
        dirent* d = readdir(dir);
        if (!d) break;
        PlatEntry e;
        e.name = d->d_name;
        // The entry's type as the folder gives it; only a link (or a file system that does not
        // say) needs a look at what it leads to.
        e.isDir = d->d_type == DT_DIR;
        e.isLink = d->d_type == DT_LNK;
        if (d->d_type == DT_LNK || d->d_type == DT_UNKNOWN) {
            struct stat st;
            e.isDir = fstatat(dirfd(dir), d->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
            e.isLink = fstatat(dirfd(dir), d->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                       S_ISLNK(st.st_mode);
        }
        (e.name == "." || e.name == ".." ? dots : *out).push_back(std::move(e));
    }
    // A listing cut short by an error would leave files out without a word.
    int err = errno;
    closedir(dir);
    if (err) return err;
    // Windows lists "." and ".." first.
    std::sort(dots.begin(), dots.end(), Before);
    std::sort(out->begin(), out->end(), Before);
    out->insert(out->begin(), dots.begin(), dots.end());
    return 0;
}

int PosixFullPath(const char* path, std::string* out) {
    char* real = realpath(path, nullptr);
    if (!real) return errno;
    *out = real;
    free(real);
    return 0;
}

PlatStamp StampOf(const struct stat& st) {
    return {static_cast<uint64_t>(st.st_size),
            static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

void Fill(const struct stat& st, bool link, PlatFileId* id) {
    id->volume = static_cast<uint64_t>(st.st_dev);
    id->index = static_cast<uint64_t>(st.st_ino);
    id->isDir = S_ISDIR(st.st_mode);
    id->isFile = S_ISREG(st.st_mode);
    id->isLink = link;
    id->changed = static_cast<int64_t>(st.st_mtime);
    id->stamp = StampOf(st);
}

int PosixIdentify(const char* path, PlatFileId* id) {
    struct stat st, lst;
    if (stat(path, &st) != 0) return errno;
    Fill(st, lstat(path, &lst) == 0 && S_ISLNK(lst.st_mode), id);
    return 0;
}

int OpenFolder(int at, const char* name, PlatDir* dir, PlatFileId* id) {
    int fd = openat(at, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return errno == ELOOP ? kPlatErrMoved : errno; // a link where a folder was
    struct stat st;
    if (fstat(fd, &st) != 0) {
        int err = errno;
        close(fd);
        return err;
    }
    Fill(st, false, id);
    *dir = new PlatDirHandle{fd};
    return 0;
}

int PosixOpenDir(const char* path, PlatDir* dir, PlatFileId* id) {
    return OpenFolder(AT_FDCWD, path, dir, id);
}

int PosixOpenDirAt(PlatDir at, const char* name, PlatDir* dir, PlatFileId* id) {
    return OpenFolder(Fd(at), name, dir, id);
}

int PosixCloseDir(PlatDir dir) {
    int fd = Fd(dir);
    delete dir;
    return close(fd) == 0 ? 0 : errno;
}

int PosixIdentifyAt(PlatDir at, const char* name, PlatFileId* id) {
    struct stat st;
    if (fstatat(Fd(at), name, &st, AT_SYMLINK_NOFOLLOW) != 0) return errno;
    Fill(st, S_ISLNK(st.st_mode), id);
    return 0;
}

int PosixMakeDirAt(PlatDir at, const char* name) {
    return mkdirat(Fd(at), name, 0777) == 0 ? 0 : errno;
}

// O_NONBLOCK so that a named pipe in a project can't hang the job; only regular files are
// taken (O_NONBLOCK means nothing to those).
int OpenFile(int at, const char* name, int flags, PlatFile* file) {
    int fd = openat(at, name, flags | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) return errno;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        int err = S_ISDIR(st.st_mode) ? EISDIR : kPlatErrNotFile;
        close(fd);
        return err;
    }
    *file = new PlatFileHandle{fd};
    return 0;
}

int PosixOpenRead(const char* path, PlatFile* file) {
    return OpenFile(AT_FDCWD, path, O_RDONLY, file);
}

// O_EXCL: never through a link or into a file that is there.
int PosixCreateAt(PlatDir at, const char* name, PlatFile* file) {
    return OpenFile(Fd(at), name, O_WRONLY | O_CREAT | O_EXCL, file);
}

int PosixStamp(PlatFile file, PlatStamp* stamp) {
    struct stat st;
    if (fstat(FdOf(file), &st) != 0) return errno;
    *stamp = StampOf(st);
    return 0;
}

int PosixRead(PlatFile file, void* buf, uint32_t n, uint32_t* got) {
    *got = 0;
    ssize_t r;
    do
        r = read(FdOf(file), buf, n);
    while (r < 0 && errno == EINTR);
    if (r < 0) return errno;
    *got = static_cast<uint32_t>(r);
    return 0;
}

int PosixWrite(PlatFile file, const void* buf, uint32_t n, uint32_t* put) {
    *put = 0;
    const char* p = static_cast<const char*>(buf);
    while (*put < n) {
        ssize_t r = write(FdOf(file), p + *put, n - *put);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return errno;
        if (r == 0) return ENOSPC;
        *put += static_cast<uint32_t>(r);
    }
    return 0;
}

int PosixClose(PlatFile file) {
    int fd = FdOf(file);
    delete file;
    return close(fd) == 0 ? 0 : errno;
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
            if (w <= 0) return w < 0 ? errno : ENOSPC;
            put += w;
        }
    }
}

int PosixCopyAt(const char* from, PlatDir at, const char* name) {
    PlatFile in = nullptr, out = nullptr;
    if (int err = PosixOpenRead(from, &in)) return err;
    if (int err = PosixCreateAt(at, name, &out)) {
        PosixClose(in);
        return err;
    }
    // The copy is the user's new file, with the mode new files get: never read-only because
    // the project was (a CD, an archive).
    int err = CopyBytes(FdOf(in), FdOf(out));
    PosixClose(in);
    if (int closed = PosixClose(out); !err) err = closed;
    if (err) unlinkat(Fd(at), name, 0); // made by this call: nothing half-copied stays
    return err;
}

int PosixRenameAt(PlatDir from, const char* a, PlatDir to, const char* b, int replace) {
    if (replace) return renameat(Fd(from), a, Fd(to), b) == 0 ? 0 : errno;
    if (renameat2(Fd(from), a, Fd(to), b, RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return errno;
    // A file system without RENAME_NOREPLACE: a link under the new name can't replace either.
    if (linkat(Fd(from), a, Fd(to), b, 0) == 0) return unlinkat(Fd(from), a, 0) == 0 ? 0 : errno;
    if (errno == EEXIST) return EEXIST;
    // Nor links (exFAT): check, then move (a small window remains).
    struct stat st;
    if (fstatat(Fd(to), b, &st, AT_SYMLINK_NOFOLLOW) == 0) return EEXIST;
    return renameat(Fd(from), a, Fd(to), b) == 0 ? 0 : errno;
}

int PosixRemoveAt(PlatDir at, const char* name) {
    return unlinkat(Fd(at), name, 0) == 0 ? 0 : errno;
}

int PosixRemoveDirAt(PlatDir at, const char* name) {
    return unlinkat(Fd(at), name, AT_REMOVEDIR) == 0 ? 0 : errno;
}

// A leading dot hides a name here; there is no attribute to set.
int PosixSetHiddenAt(PlatDir, const char*, int) {
    return 0;
}

// A byte-range lock, as Windows programs (through Wine), SMB and NFS servers take them: one of
// the open file description, where the kernel has those, else of the process. The marker is
// checked to still be the file at its name once locked: a cleaner may have taken and removed
// it between opening and locking.
int PosixHoldMarkerAt(PlatDir at, const char* name, int create, PlatFile* marker) {
    int flags = O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | (create ? O_CREAT | O_EXCL : 0);
    int fd = openat(Fd(at), name, flags, 0644);
    if (fd < 0) return errno;
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET; // from 0 to the end and past it
    struct stat held, now;
    errno = 0;
    bool locked =
        fcntl(fd, F_OFD_SETLK, &lock) == 0 || (errno == EINVAL && fcntl(fd, F_SETLK, &lock) == 0);
    if (!locked || fstat(fd, &held) != 0 || !S_ISREG(held.st_mode) ||
        fstatat(Fd(at), name, &now, AT_SYMLINK_NOFOLLOW) != 0 || now.st_dev != held.st_dev ||
        now.st_ino != held.st_ino) {
        int err = errno ? errno : EBUSY;
        close(fd);
        return err == EACCES || err == EAGAIN ? EBUSY : err;
    }
    *marker = new PlatFileHandle{fd};
    return 0;
}

// Not zeroed: a text's buffer is written before it is read, and zeroing it first costs as
// much as reading it.
int PosixAlloc(size_t n, void** p) {
    *p = malloc(n ? n : 1);
    return *p ? 0 : ENOMEM;
}

void PosixFree(void* p) {
    free(p);
}

} // namespace

PlatCalls glPlat = {
    .List = PosixList,
    .FullPath = PosixFullPath,
    .Identify = PosixIdentify,
    .OpenDir = PosixOpenDir,
    .OpenDirAt = PosixOpenDirAt,
    .CloseDir = PosixCloseDir,
    .IdentifyAt = PosixIdentifyAt,
    .MakeDirAt = PosixMakeDirAt,
    .OpenRead = PosixOpenRead,
    .CreateAt = PosixCreateAt,
    .CopyAt = PosixCopyAt,
    .Stamp = PosixStamp,
    .Read = PosixRead,
    .Write = PosixWrite,
    .Close = PosixClose,
    .RenameAt = PosixRenameAt,
    .RemoveAt = PosixRemoveAt,
    .RemoveDirAt = PosixRemoveDirAt,
    .SetHiddenAt = PosixSetHiddenAt,
    .HoldMarkerAt = PosixHoldMarkerAt,
    .Alloc = PosixAlloc,
    .Free = PosixFree,
};

const int kPlatErrNotFile = ENODEV;
const int kPlatErrExists = EEXIST;
const int kPlatErrMoved = ESTALE;
const int kPlatErrDenied = EACCES;
const char kPlatSep = '/';
const bool kPlatNamesCp932 = false;
const bool kPlatNamesFoldCase = false;
const size_t kPlatPathMax = 4095;
