// Finding the project name in a folder, and the copy of the project under its new name.
#pragma once

#include "engine/content.h"
#include "engine/kakikae.h"
#include "platform/platform.h"

#include <cstdint>
#include <string>
#include <vector>

// Writes the name of the folder's first *.pj file (not a folder, and with a name before its
// first dot), cut at that dot, into *name; leaves *name as it was when the folder holds none.
// -1 when the folder can't be listed, else 0.
int GetPjNameFromFolder(const std::string& folder, std::string* name);

// "" when name can be the name of the new folder, else the refusal to show.
std::string CheckNewName(const std::string& name);
// A name Windows takes for a device (CON, NUL, COM1, LPT1.txt ...).
bool IsDeviceName(const std::string& name);

// 1 when the name's extension (from its last dot) is one of the project's text types.
int IsKakikaeTarget(const std::string& name);

enum KwAction { kKwRewrite, kKwCopy, kKwSkipDots, kKwSkipFolder, kKwFail };

struct KwPlanEntry {
    std::string name;     // as found
    std::string copyName; // the name in the new folder
    KwAction action = kKwCopy;
    std::string why; // for kKwFail
};

struct KwPlan {
    std::string dropFolder; // the project folder, resolved
    std::string newFolder;
    KwNameForms forms;           // both names in each encoding of a text
    PlatEnc names = kEncAnsi;    // the encoding of the project's file names
    PlatEnc project = kEncCp932; // the encoding of its ASCII texts
    bool projectKnown = false;   // `project` has been found out
    // A fresh new folder is built whole in a temporary folder beside it and gets its name at
    // the end; into an existing one, each file is moved from a temporary folder inside it.
    bool fresh = true;
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

// The encoding of the project's ASCII texts: UTF-8 when its texts that hold other bytes all
// read as UTF-8 (and there is one), else CP932, the IDE's own. Reads them.
void KwProjectEncoding(KwPlan* plan);

// Reads a text-type file and rewrites its content into buf; "" or why it failed.
std::string KwReadAndRewrite(const KwPlan& plan, const std::string& oldPath, KwBuf* buf,
                             bool detect, KwTextInfo* info);

// Rewrites one text-type file into newPath (shown as `shownPath`), which must not exist. ""
// on success, else the reason.
std::string FileKakikaeToNewFile(const KwPlan& plan, const std::string& newPath,
                                 const std::string& oldPath, const std::string& shownPath);

// Writes n bytes as the new file path; a file that can't be completed is removed again. The
// bytes written; *why is set on failure.
uint64_t FileWriteMy2(const std::string& path, const char* buf, uint64_t n, std::string* why);

// The whole job on the rename state: plan, then refuse or run, then the closing box.
KwJobStatus ProjectKakikae(std::vector<KwFailure>* failures = nullptr);
// The same in two parts, so that a window can run the first on a thread of its own and show
// the box itself: the plan and the run (*refusal set when refused), then the closing box.
KwJobStatus KwPlanAndRun(std::string* refusal, std::vector<KwFailure>* failures);
void KwShowEnd(const std::string& refusal, KwJobStatus status,
               const std::vector<KwFailure>& failures);
// Called from the job with the files done and the files planned, before the first and after
// each; nullptr for none.
extern void (*glKwProgress)(size_t done, size_t total);

// How many failures the closing box lists.
inline constexpr size_t kKwFailuresShown = 20;

// The text of the box that ends a run with failures; lists at most `shown` of them.
std::string KwFailureText(const std::vector<KwFailure>& failures, size_t shown);

// Lists a folder, "." and ".." too; false when it can't be, or only in part.
bool KwList(const std::string& folder, std::vector<PlatEntry>* out);
// Whether two paths lead to the same file or folder.
bool KwSameFile(const std::string& a, const std::string& b);

// Temporary folders, in which a run builds what it writes. Each holds a marker file that the
// run keeps locked while it lives; only such a folder whose marker nobody holds is ever
// removed, and only by a later run.
struct KwWork {
    std::string path;
    PlatFile marker = nullptr;
};
inline constexpr char kKwMarker[] = ".~kw-lock";
// Whether a name is shaped like a temporary folder's: ".~kw", hex digits, "-", digits.
bool IsTempName(const std::string& name);
// Makes a new temporary folder in `parent`, hidden and marked. 0, or the OS error code.
int KwMakeWork(const std::string& parent, KwWork* work);
// The marker removed and let go, so that the folder is no one's leftover. 0, or the error.
int KwUnmark(KwWork* work);
// Removes the abandoned temporary folders in `folder`, never the one that is `keep`.
void CleanLeftovers(const std::string& folder, const std::string& keep);
