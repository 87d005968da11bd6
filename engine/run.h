// One run of the copy job: its context, made by the plan and carried through the job, and the
// events the job hands to whoever started it.
#pragma once

#include "engine/content.h"
#include "engine/workdir.h"

#include <string>
#include <vector>

enum KwAction { kKwRewrite, kKwCopy, kKwSkipDots, kKwSkipFolder, kKwFail };

// The texts whose encoding an ASCII one takes: the IDE's own files (.pj .idx .wnd .wrk), the
// sources (.abp .sbp .wbp) and the notes (.txt).
enum KwTextGroup { kGroupIde, kGroupSource, kGroupTxt };

struct KwPlanEntry {
    std::string name;     // as found
    std::string copyName; // the name in the new folder
    KwAction action = kKwCopy;
    std::string why;        // for kKwFail
    uint64_t nameCount = 0; // how often the old name was replaced in the name
    // What has the copy's name in the existing new folder, as Windows compares names: its
    // name there, and whether it is a file the copy replaces (not a folder).
    std::string replacedName;
    bool replaces = false;
};

struct KwFailure {
    std::string name;
    std::string why;
};

enum KwJobStatus { kKwDone = 0, kKwFailed = 1, kKwRefused = 2 };

// How a run ended.
struct KwResult {
    KwJobStatus status = kKwRefused;
    std::string refusal;   // why it was refused; "" when the user said no to replacing
    std::string newFolder; // where the copy is
    std::vector<KwFailure> failures;
    std::vector<std::string> subfolders; // not copied
};

// What the job tells the one who started it, and asks: called on the job's own thread.
struct KwEvents {
    virtual ~KwEvents() = default;
    // Files done of those to copy: before the first and after each.
    virtual void Progress(size_t, size_t) {}
    // A file of the copy can't be created: the "FileWriteMy2 INVALID_HANDLE_VALUE" box, the
    // first time in a run.
    virtual void CreateFailed() {}
    // The copy would replace these files of the existing new folder: whether it may.
    virtual bool MayReplace(const std::string&, const std::vector<std::string>&) { return false; }
    // The end of the run, with the text of its closing box (KwEndText).
    virtual void End(const KwResult&) {}
};

struct KwRun {
    // Planned: the names as they were then, the folders as they were found.
    std::string oldName, newName;
    std::string dropFolder;    // the project folder, resolved
    std::string parentPath;    // the folder the new one is in
    std::string newFolderName; // in the encoding of the project's names
    std::string newFolder;     // its path
    // A fresh new folder is built whole in a temporary folder beside it and gets its name at
    // the end; into an existing one, each file is moved from a temporary folder inside it.
    bool fresh = true;
    PlatFileId parentId, newFolderId;
    KwNameForms forms;        // both names in each encoding of a text
    PlatEnc names = kEncAnsi; // the encoding of the project's file names
    PlatEnc ascii[3] = {kEncCp932, kEncCp932, kEncCp932}; // of its ASCII texts, by group
    std::vector<KwPlanEntry> entries;                     // in the order of the listing

    // Carried out.
    KwEvents* events = nullptr;
    PlatDir parentDir = nullptr, newDir = nullptr;
    KwWork work;
    KwBuf content; // kept from one file to the next: a fresh one costs page faults
    unsigned tempCount = 0;
    bool leftBroken = false; // a failed file could not be removed: the folder is no copy
    bool createFailed = false;
    KwResult result;

    KwRun() = default;
    KwRun(const KwRun&) = delete;
    KwRun& operator=(const KwRun&) = delete;
    ~KwRun(); // lets go of what a run cut short still holds
};
