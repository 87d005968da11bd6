#include "tests/support.h"

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <time.h>
#include <unistd.h>

std::string Listed(const char8_t* utf8) {
    return reinterpret_cast<const char*>(utf8);
}

void MakeNamedFile(const std::string& dir, const char8_t* utf8Name, const std::string& content) {
    WriteFile(dir + "/" + Listed(utf8Name), content);
}

void RewriteInPlace(const std::string& path, const std::string& content) {
    int fd = open(path.c_str(), O_WRONLY | O_TRUNC);
    ASSERT_GE(fd, 0) << path;
    EXPECT_EQ(write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
    close(fd);
}

void MakePipe(const std::string& path) {
    ASSERT_EQ(mkfifo(path.c_str(), 0644), 0) << path;
}

void MakeLink(const std::string& target, const std::string& path) {
    ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0) << path;
}

void ChangeDir(const std::string& dir) {
    ASSERT_EQ(chdir(dir.c_str()), 0) << dir;
}

void SetMode(const std::string& path, int mode) {
    ASSERT_EQ(chmod(path.c_str(), static_cast<mode_t>(mode)), 0) << path;
}

bool IsWritable(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && (st.st_mode & S_IWUSR);
}

void Age(const std::string& path, int64_t seconds) {
    timespec times[2] = {};
    clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= seconds;
    times[1] = times[0];
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

std::string FromLinuxPath(const std::string& path) {
    return path;
}

std::string CurrentDir() {
    char buf[PATH_MAX];
    return getcwd(buf, sizeof buf) ? buf : "";
}

// No share modes here to hold a file with.
void HoldOpen(const std::string&) {}

std::vector<pid_t> gHolders;

// In a process of its own, as Wine's server is: a process's locks go with any close of the
// file in it, and this one reads the file meanwhile.
void HoldAsOtherBuild(const std::string& path) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t pid = fork();
    if (pid == 0) {
        int fd = open(path.c_str(), O_RDWR);
        struct flock lock = {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        char c = fcntl(fd, F_SETLK, &lock) == 0 ? 'y' : 'n';
        (void)!write(ready[1], &c, 1);
        for (;;)
            pause(); // until let go
    }
    close(ready[1]);
    char c = 'n';
    (void)!read(ready[0], &c, 1);
    close(ready[0]);
    gHolders.push_back(pid);
    ASSERT_EQ(c, 'y') << path;
}

void ReleaseHolds() {
    for (pid_t pid : gHolders) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    gHolders.clear();
}

// In a child process: root reads and writes whatever the modes say. The status and what the
// job gives back come through a pipe.
int RunAsNobody(int (*job)(std::string* out), void (*setup)(), std::string* out) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(90);
        if (setup) setup();
        std::string text;
        text = std::to_string(job(&text)) + "\n" + text;
        (void)!write(fds[1], text.data(), text.size());
        _exit(0);
    }
    close(fds[1]);
    std::string text;
    char buf[4096];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;)
        text.append(buf, static_cast<size_t>(n));
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    *out = text.substr(text.find('\n') + 1);
    return text.empty() ? -1 : std::stoi(text);
}

void LimitFileSize() {
    PlatStartup();
    rlimit lim{100000, 100000};
    setrlimit(RLIMIT_FSIZE, &lim);
}

void StdoutToFullDisk() {
    if (!std::freopen("/dev/full", "w", stdout)) std::abort();
}

void CloseStdout() {
    close(1);
    PlatStartup();
}

extern char** environ;

int RunCli(const std::vector<std::string>& args, long killAfter) {
    std::vector<char*> argv = {const_cast<char*>(KW_CLI_PATH)};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    int rc = posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0) return -2;
    if (killAfter >= 0) {
        std::this_thread::sleep_for(std::chrono::microseconds(killAfter));
        kill(pid, SIGKILL);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
