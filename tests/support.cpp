#include "tests/support.h"

#include "engine/state.h"

#include <cstdio>
#include <cstdlib>
#include <random>
#include <unistd.h>

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
    ASSERT_EQ(put, content.size());
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

template <typename F> void ForEachEntry(const std::string& dir, F f) {
    PlatEntry e;
    PlatSearch s = glPlat.FindFirst(Join(dir, "*.*").c_str(), &e);
    if (!s) return;
    do
        if (e.name != "." && e.name != "..") f(e);
    while (glPlat.FindNext(s, &e) > 0);
    glPlat.FindEnd(s);
}

void Walk(const std::string& dir, const std::string& rel, std::map<std::string, std::string>* out) {
    ForEachEntry(dir, [&](const PlatEntry& e) {
        std::string r = rel.empty() ? e.name : rel + "/" + e.name;
        if (e.isDir) {
            (*out)[r] = "<dir>";
            Walk(Join(dir, e.name), r, out);
        } else {
            (*out)[r] = ReadFile(Join(dir, e.name));
        }
    });
}

} // namespace

std::map<std::string, std::string> Snapshot(const std::string& root) {
    std::map<std::string, std::string> out;
    Walk(root, "", &out);
    return out;
}

void RemoveTree(const std::string& path) {
    ForEachEntry(path, [&](const PlatEntry& e) {
        std::string p = Join(path, e.name);
        if (e.isDir)
            RemoveTree(p);
        else
            std::remove(p.c_str());
    });
    rmdir(path.c_str());
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
    std::string base = tmp ? tmp : "/tmp";
    std::random_device rd;
    root_ = Join(base, "kw-test-" + std::to_string(rd()));
    MakeDir(root_);
}

void TempTest::TearDown() {
    glPlat = saved_;
    for (const auto& [folder, snap] : projects_)
        EXPECT_EQ(Snapshot(folder), snap) << "the project folder changed: " << folder;
    RemoveTree(root_);
}

std::string TempTest::MakeProject(const std::string& folder,
                                  const std::vector<std::pair<std::string, std::string>>& files) {
    std::string dir = Join(root_, folder);
    MakeDir(dir);
    for (const auto& [name, content] : files) {
        if (content == "<dir>")
            MakeDir(Join(dir, name));
        else
            WriteFile(Join(dir, name), content);
    }
    projects_.emplace_back(dir, Snapshot(dir));
    return dir;
}

void TempTest::Resnapshot() {
    for (auto& [folder, snap] : projects_)
        snap = Snapshot(folder);
}
