// Temporary folders, in which a run builds what it writes. Each holds a marker file that the run
// keeps locked while it lives; only such a folder whose marker nobody holds, and which with its
// marker was not written for an hour, is ever removed, and only by a later run.
#pragma once

#include "platform/platform.h"
#include "text/words.h"

#include <string>

inline constexpr char kKwTempPrefix[] = ".~kw";
inline constexpr char kKwMarker[] = ".~kw-lock";

// A run's temporary folder, open, and its marker, held: both let go when it goes.
struct KwWork {
    std::string name; // in the folder it was made in
    PlatOpenDir dir;
    PlatOpenFile marker;
};

// Removes the files of a temporary folder (`path` in `at`), then, when none is left, its
// marker and itself. Whether it is gone; else it stays marked for a later run.
bool KwRemoveWork(PlatDir at, const std::string& path, KwWork* work);

// Whether a name is shaped like a temporary folder's: ".~kw", hex digits, "-", digits.
bool IsTempName(const std::string& name);
// Makes a new temporary folder in `at` (whose path is `folder`), hidden and marked; `count`
// numbers a run's names. A failure says `what` of `folder`.
KwError KwMakeWork(PlatDir at, const std::string& folder, const KwText& what, unsigned* count,
                   KwWork* work);
// The marker removed and let go, so that the folder is no one's leftover. False where the
// marker stays (then with a byte in it: what the user is told of is never taken for one).
bool KwUnmark(KwWork* work);
// Removes the abandoned temporary folders in the folder `at` (whose path is `folder`), never
// the one that is `keep`: their files first, the marker last, so that one that can't be
// emptied stays marked for a later run.
void CleanLeftovers(PlatDir at, const std::string& folder, const std::string& keep);

// Whether two paths lead to the same file or folder.
bool KwSameFile(const std::string& a, const std::string& b);
bool KwSameId(const PlatFileId& a, const PlatFileId& b);
// What failed, in words: `what`, then the system's own words for the error code, and the code.
std::string KwReason(const KwText& what, int code);
