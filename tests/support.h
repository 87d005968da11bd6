// Real folders in the temp directory for the tests, made and read through the platform layer.
#pragma once

#include "platform/platform.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

std::string Join(const std::string& a, const std::string& b);
void MakeDir(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path); // "<missing>" when it can't be read
bool Exists(const std::string& path);
// Every file and folder under root: relative path -> content ("<dir>" for folders).
std::map<std::string, std::string> Snapshot(const std::string& root);
void RemoveTree(const std::string& path);

// Boxes and trace lines, recorded instead of shown.
struct Box {
    std::string text, caption;
    unsigned flags;
};
extern std::vector<Box> gBoxes;
extern std::vector<std::string> gTrace;

// A fresh folder for each test, with the platform table restored and the rename state cleared.
class TempTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Makes root/folder with the files given (name -> content) and remembers its snapshot,
    // which TearDown checks: the project folder is only ever read.
    std::string MakeProject(const std::string& folder,
                            const std::vector<std::pair<std::string, std::string>>& files);
    // Takes the snapshots again, after a test has added what the platform layer can't make.
    void Resnapshot();
    std::string root_;
    PlatCalls saved_{}; // the real calls

  private:
    std::vector<std::pair<std::string, std::map<std::string, std::string>>> projects_;
};
