// Shared by the test suites: real folders in the temp directory, made and read through the
// platform layer, the boxes and trace lines recorded instead of shown, and what the platform
// layer can't make (native.cpp of each platform).
#pragma once

#include "commands/controller.h"
#include "engine/run.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

std::string Join(const std::string& a, const std::string& b);
void MakeDir(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path); // "<missing>" when it can't be read
bool Exists(const std::string& path);
// Every file and folder under root: relative path ("/" between) -> content, "<dir>" for folders.
std::map<std::string, std::string> Snapshot(const std::string& root);
void RemoveTree(const std::string& path);
// Calls f with the open folder of `path` and its last name; its result.
int InParent(const std::string& path, int (*f)(PlatDir at, const char* name));

struct Box {
    std::string text;
    KwBox kind;
};
extern std::vector<Box> gBoxes;
extern std::vector<std::string> gTrace;
void RecordBox(const std::string& text, KwBox kind);

// A fresh folder for each test, with the platform table restored, the trace recorded and the
// rename state cleared.
class TempTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    std::string root_;
    PlatCalls saved_{}; // the real calls
};

// Native: a name as the platform layer lists it (UTF-8 bytes on Linux; on Windows the ANSI
// form, "?" where the code page can't hold it), files under such names, named pipes and links
// (on Windows under Wine made with the Linux calls themselves), the working folder, a file held
// open by another process (Windows; ReleaseHolds lets go), a file's time set back, and a job
// run as another user (Linux, as "nobody" when this is root; elsewhere in this process).
std::string Listed(const char8_t* utf8);
// Truncated and written again, the same file (as an editor saves in place).
void RewriteInPlace(const std::string& path, const std::string& content);
void MakeNamedFile(const std::string& dir, const char8_t* utf8Name, const std::string& content);
void MakePipe(const std::string& path);
void MakeLink(const std::string& target, const std::string& path); // target "/..." is Linux's
void ChangeDir(const std::string& dir);
// Linux's permissions; on Windows a file without write bits is made read-only.
void SetMode(const std::string& path, int mode);
bool IsWritable(const std::string& path);           // by its owner, whatever root may do
void Age(const std::string& path, int64_t seconds); // last written that long before now
std::string CurrentDir();
std::string FromLinuxPath(const std::string& path); // Wine shows the Linux root as Z:
void HoldOpen(const std::string& path);
// A byte-range lock on the whole file as the other build takes it: natively a process's lock
// (Wine's server takes those for Windows programs), under Wine an open file description's
// (the Linux build's).
void HoldAsOtherBuild(const std::string& path);
void ReleaseHolds();
int RunAsNobody(int (*job)(std::string* out), void (*setup)(), std::string* out);
// kestrelwick-cli run with these arguments, its standard output on nothing; with killAfter
// >= 0 killed that many microseconds after its start. Its exit status, or -1 when killed.
int RunCli(const std::vector<std::string>& args, long killAfter);
// What such a job may do first (Linux): a file-size limit standing in for a full disk (the
// program itself must not die of it), standard output on a full disk, or closed.
void LimitFileSize();
void StdoutToFullDisk();
void CloseStdout();
