// Finding the project name in a folder, and the copy of the project under its new name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes the name of the folder's first *.pj file, cut at its first dot, into *name; leaves
// *name as it was when the folder holds none.
int GetPjNameFromFolder(const std::string& folder, std::string* name);

// "" when name can be the name of the new folder, else the refusal to show.
std::string CheckNewName(const std::string& name);

// 1 when the name's extension (from its last dot) is one of the project's text types.
int IsKakikaeTarget(const std::string& name);

enum KwAction { kKwRewrite, kKwCopy, kKwSkipShort, kKwSkipFolder, kKwFail };

struct KwPlanEntry {
    std::string name;     // as found
    std::string copyName; // the name in the new folder
    KwAction action = kKwCopy;
    std::string why; // for kKwFail
};

struct KwPlan {
    std::string newFolder;
    // Where the copy is built: a hidden sibling that becomes newFolder at the end when that
    // does not exist yet, else newFolder itself.
    std::string workFolder;
    std::vector<KwPlanEntry> entries; // in the order of the listing
};

struct KwFailure {
    std::string name;
    std::string why;
};

enum KwJobStatus { kKwDone = 0, kKwFailed = 1, kKwRefused = 2 };

// Checks the rename state and plans the copy without writing anything. "" when the plan may
// run, else the refusal.
std::string KwMakePlan(KwPlan* plan);

// Carries a plan out. Failures are collected, not shown.
KwJobStatus KwRunPlan(const KwPlan& plan, std::vector<KwFailure>* failures);

// Rewrites one text-type file into newPath. "" on success, else the reason.
std::string FileKakikaeToNewFile(const std::string& newPath, const std::string& oldPath,
                                 const std::string& newName, const std::string& oldName);

// Writes n bytes as the file path: into a new temporary file beside it, which then replaces
// path in one step, so path is never half-written. The bytes written; *why is set when the
// file could not be put in place.
uint64_t FileWriteMy2(const std::string& path, const char* buf, uint64_t n, std::string* why);

// Copies a file to path in the same way. "" on success, else the reason.
std::string CopyToNewFile(const std::string& from, const std::string& path);

// Removes what killed or stopped runs left in folder: temporary files, and (from the parent
// of a new folder) temporary folders, of processes that no longer run.
void CleanLeftovers(const std::string& folder);

// The whole job on the rename state: plan, then refuse or run, then the closing box.
KwJobStatus ProjectKakikae(std::vector<KwFailure>* failures = nullptr);

// How many failures the closing box lists.
inline constexpr size_t kKwFailuresShown = 20;

// The text of the box that ends a run with failures; lists at most `shown` of them.
std::string KwFailureText(const std::vector<KwFailure>& failures, size_t shown);
