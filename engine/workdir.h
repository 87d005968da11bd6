// Temporary folders, in which a run builds what it writes. Each holds a marker file that the run
// keeps locked while it lives; only such a folder whose marker nobody holds, and which with its
// marker was not written for an hour, is ever removed, and only by a later run.
#pragma once

#include "platform/platform.h"

#include <string>
#include <vector>

inline constexpr char kKwTempPrefix[] = ".~kw";
inline constexpr char kKwMarker[] = ".~kw-lock";

struct KwWork {
    std::string name;          // in the folder it was made in
    PlatDir dir = nullptr;     // the temporary folder, open
    PlatFile marker = nullptr; // held while the run lives
};

// Whether a name is shaped like a temporary folder's: ".~kw", hex digits, "-", digits.
bool IsTempName(const std::string& name);
// Makes a new temporary folder in `at`, hidden and marked; `count` numbers a run's names.
// 0, or the OS error code.
int KwMakeWork(PlatDir at, unsigned* count, KwWork* work);
// The marker removed and let go, so that the folder is no one's leftover. 0, or the error.
int KwUnmark(KwWork* work);
// Lets go of the folder (and of its marker, where it is still held: a later run clears it).
void KwCloseWork(KwWork* work);
// Removes the abandoned temporary folders in the folder `at` (whose path is `folder`), never
// the one that is `keep`: their files first, the marker last, so that one that can't be
// emptied stays marked for a later run.
void CleanLeftovers(PlatDir at, const std::string& folder, const std::string& keep);

// Lists a folder, "." and ".." too; false when it can't be, or only in part.
bool KwList(const std::string& folder, std::vector<PlatEntry>* out);
// Whether two paths lead to the same file or folder.
bool KwSameFile(const std::string& a, const std::string& b);
bool KwSameId(const PlatFileId& a, const PlatFileId& b);
