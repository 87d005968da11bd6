// One run of the copy job: its context, made by the plan from the request and carried through
// the job, its result, and the events the job hands to whoever started it.
#pragma once

#include "engine/request.h"
#include "engine/workdir.h"
#include "text/basic.h"
#include "text/content.h"

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
    size_t codePlaces = 0; // places of program code the new name can't stand in
    // How the text was read when it was read before, and what it was then: read again as it
    // was, it is not decided again.
    KwTextKind kind;
    PlatStamp kindOf;
    bool kindKnown = false;
};

// A place of a source's program code where the new name would land and can't stand: the copy
// would not compile.
struct KwCodePlaceIn {
    std::string file; // the copy's name
    KwCodePlace place;
};

// A line of a dry run: an entry, and for a text how it would be read and rewritten.
struct KwPlanLine {
    KwPlanEntry entry;
    const char* encoding = nullptr; // a text's ("CP932", "UTF-8 BOM", ...)
    uint64_t count = 0;             // how often the name would be replaced in it
    std::string why;                // why it would fail
};

enum KwJobStatus { kKwDone = 0, kKwFailed = 1, kKwRefused = 2 };

// How a run ended.
struct KwResult {
    KwJobStatus status = kKwRefused;
    KwError refusal;       // why nothing was written; none when the user said no to replacing
    std::string newFolder; // where the copy is
    std::vector<KwError> failures;       // each file not copied, and why
    std::vector<std::string> subfolders; // not copied
    std::vector<KwPlanLine> plan;        // a dry run's, entry by entry
};

// What the job tells the one who started it, and asks: called on the job's own thread. Left
// as they are, it is told nothing and answers no (nothing is written that needs a yes).
struct KwEvents {
    virtual ~KwEvents() = default;
    // Files done of those to copy: before the first and after each.
    virtual void Progress(size_t /*done*/, size_t /*total*/) {}
    // A file of the copy can't be created: the "FileWriteMy2 INVALID_HANDLE_VALUE" box, the
    // first time in a run.
    virtual void CreateFailed() {}
    // The new name would go where an identifier can't hold it: whether it may all the same.
    virtual bool MayEnterCode(const std::vector<KwCodePlaceIn>& /*places*/) { return false; }
    // The copy would replace these files of the existing new folder: whether it may.
    virtual bool MayReplace(const std::string& /*folder*/,
                            const std::vector<std::string>& /*names*/) {
        return false;
    }
};

struct KwRun {
    explicit KwRun(KwEvents* e = nullptr) : events(e) {}
    KwRun(const KwRun&) = delete;
    KwRun& operator=(const KwRun&) = delete;
    // A run cut short (something thrown) takes its temporary folder away, as far as it can.
    ~KwRun();

    // Planned: the folders as they were found.
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
    std::vector<KwCodePlaceIn> codePlaces;                // where the new name can't stand

    // Carried out.
    KwEvents* events;
    PlatOpenDir parentDir, newDir;
    KwWork work;
    KwBuf content; // kept from one file to the next: a fresh one costs page faults
    unsigned tempCount = 0;
    bool leftBroken = false; // a failed file could not be removed: the folder is no copy
    bool createFailed = false;
    bool ended = false; // its end put the temporary folder where it belongs
    KwResult result;
};
