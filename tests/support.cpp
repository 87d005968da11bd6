#include "tests/support.h"

#include "engine/state.h"

#include <cstdio>
#include <cstdlib>
#include <random>

std::vector<Box> gBoxes;
std::vector<std::string> gTrace;

std::string Join(const std::string& a, const std::string& b) {
    return a + kPlatSep + b;
}

void MakeDir(const std::string& path) {
    ASSERT_EQ(glPlat.MakeDir(path.c_str()), 0) << path;
}

void WriteFile(const std::string& path, const std::string& content) {
    glPlat.Remove(path.c_str());
    PlatFile f = glPlat.CreateWrite(path.c_str());
    ASSERT_NE(f, nullptr) << path;
    uint32_t put = 0;
    ASSERT_TRUE(glPlat.Write(f, content.data(), static_cast<uint32_t>(content.size()), &put));
    ASSERT_TRUE(glPlat.Close(f));
}

std::string ReadFile(const std::string& path) {
    PlatFile f = glPlat.OpenRead(path.c_str());
    if (!f) return "<missing>";
    std::string out;
    char buf[65536];
    uint32_t got = 0;
    while (glPlat.Read(f, buf, sizeof buf, &got) && got > 0)
        out.append(buf, got);
    glPlat.Close(f);
    return out;
}

bool Exists(const std::string& path) {
    PlatFileId id;
    return glPlat.Identify(path.c_str(), &id) != 0;
}

namespace {

void Walk(const std::string& dir, const std::string& rel, std::map<std::string, std::string>* out,
          bool remove) {
    PlatEntry e;
    PlatSearch s = glPlat.FindFirst(Join(dir, "*.*").c_str(), &e);
    if (!s) return;
    do {
        if (e.name == "." || e.name == "..") continue;
        std::string path = Join(dir, e.name), r = rel.empty() ? e.name : rel + "/" + e.name;
        if (e.isDir && !e.isLink) Walk(path, r, out, remove);
        if (remove)
            e.isDir && !e.isLink ? glPlat.RemoveDir(path.c_str()) : glPlat.Remove(path.c_str());
        else
            (*out)[r] = e.isDir ? "<dir>" : ReadFile(path);
    } while (glPlat.FindNext(s, &e) > 0);
    glPlat.FindEnd(s);
}

} // namespace

std::map<std::string, std::string> Snapshot(const std::string& root) {
    std::map<std::string, std::string> out;
    Walk(root, "", &out, false);
    return out;
}

void RemoveTree(const std::string& path) {
    Walk(path, "", nullptr, true);
    glPlat.RemoveDir(path.c_str());
}

void TempTest::SetUp() {
    saved_ = glPlat;
    gBoxes.clear();
    gTrace.clear();
    glPlat.Box = [](const char* text, const char* caption, unsigned flags) {
        gBoxes.push_back({text, caption, flags});
    };
    glPlat.DebugOut = [](const char* line) { gTrace.emplace_back(line); };
    glDropPath.clear();
    glOldPjName.clear();
    glNewPjName.clear();
    const char* tmp = std::getenv("TEMP");
    if (!tmp) tmp = std::getenv("TMPDIR");
    root_ = Join(tmp ? tmp : "/tmp", "kw-test-" + std::to_string(std::random_device{}()));
    MakeDir(root_);
}

void TempTest::TearDown() {
    glPlat = saved_;
    ReleaseHolds();
    RemoveTree(root_);
}
