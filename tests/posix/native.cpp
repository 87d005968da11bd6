#include "tests/native.h"

#include <gtest/gtest.h>

#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::string Listed(const char8_t* utf8) {
    return reinterpret_cast<const char*>(utf8);
}

void MakeNamedFile(const std::string& dir, const char8_t* utf8Name, const std::string& content) {
    std::string path = dir + "/" + Listed(utf8Name);
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
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

std::string CurrentDir() {
    char buf[PATH_MAX];
    return getcwd(buf, sizeof buf) ? buf : "";
}
