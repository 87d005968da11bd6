#include "tests/support.h"

#include "text/mbcs.h"
#include "trace/trace.h"

#include <cstdio>
#include <cstdlib>
#include <random>

std::vector<Box> gBoxes;
std::vector<std::string> gTrace;

void RecordBox(const std::string& text, KwBox kind) {
    gBoxes.push_back({text, kind});
}

std::string Join(const std::string& a, const std::string& b) {
    return a + kPlatSep + b;
}

int InParent(const std::string& path, int (*f)(PlatDir at, const char* name)) {
    size_t sep = LastSepPos(path, kPlatSep, kPlatNamesCp932); // the 5C of "ソ" is none
    PlatDir at = nullptr;
    PlatFileId id;
    std::string parent = path.substr(0, sep);
    if (parent.empty() || parent.back() == ':') parent += kPlatSep;
    if (int err = glPlat.OpenDir(parent.c_str(), &at, &id)) return err;
    int err = f(at, path.c_str() + sep + 1);
    glPlat.CloseDir(at);
    return err;
}

void MakeDir(const std::string& path) {
    ASSERT_EQ(InParent(path, glPlat.MakeDirAt), 0) << path;
}

std::string gContent;

void WriteFile(const std::string& path, const std::string& content) {
    gContent = content;
    InParent(path, glPlat.RemoveAt);
    ASSERT_EQ(InParent(path,
                       [](PlatDir at, const char* name) {
                           PlatFile f = nullptr;
                           uint32_t put = 0;
                           int err = glPlat.CreateAt(at, name, &f);
                           if (err) return err;
                           err = glPlat.Write(f, gContent.data(),
                                              static_cast<uint32_t>(gContent.size()), &put);
                           int closed = glPlat.Close(f);
                           return err ? err : closed;
                       }),
              0)
        << path;
}

std::string ReadFile(const std::string& path) {
    PlatFile f = nullptr;
    if (glPlat.OpenRead(path.c_str(), &f) != 0) return "<missing>";
    std::string out;
    char buf[65536];
    uint32_t got = 0;
    while (glPlat.Read(f, buf, sizeof buf, &got) == 0 && got > 0)
        out.append(buf, got);
    glPlat.Close(f);
    return out;
}

bool Exists(const std::string& path) {
    PlatFileId id;
    return glPlat.Identify(path.c_str(), &id) == 0;
}

namespace {

void Walk(const std::string& dir, const std::string& rel, std::map<std::string, std::string>* out,
          bool remove) {
    std::vector<PlatEntry> entries;
    if (glPlat.List(dir.c_str(), &entries) != 0) return;
    for (const PlatEntry& e : entries) {
        if (e.name == "." || e.name == "..") continue;
        std::string path = Join(dir, e.name), r = rel.empty() ? e.name : rel + "/" + e.name;
        if (e.isDir && !e.isLink) Walk(path, r, out, remove);
        if (remove)
            InParent(path, e.isDir && !e.isLink ? glPlat.RemoveDirAt : glPlat.RemoveAt);
        else
            (*out)[r] = e.isDir ? "<dir>" : ReadFile(path);
    }
}

} // namespace

std::map<std::string, std::string> Snapshot(const std::string& root) {
    std::map<std::string, std::string> out;
    Walk(root, "", &out, false);
    return out;
}

void RemoveTree(const std::string& path) {
    Walk(path, "", nullptr, true);
    InParent(path, glPlat.RemoveDirAt);
}

void TempTest::SetUp() {
    saved_ = glPlat;
    gBoxes.clear();
    gTrace.clear();
    DbgSetSink([](const char* line) { gTrace.emplace_back(line); });
    const char* tmp = std::getenv("TEMP");
    if (!tmp) tmp = std::getenv("TMPDIR");
    root_ = Join(tmp ? tmp : "/tmp", "kw-test-" + std::to_string(std::random_device{}()));
    MakeDir(root_);
}

void TempTest::TearDown() {
    glPlat = saved_;
    DbgSetSink(nullptr);
    ReleaseHolds();
    RemoveTree(root_);
}
