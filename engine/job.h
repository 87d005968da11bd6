// The copy job: the project copied under its new name, every file written whole into a
// temporary folder of the run's own, then put in place in one step.
#pragma once

#include "engine/run.h"

#include <string>

// The whole job on the rename state: planned, asked where it would replace files, carried out,
// ended. Every event goes to `events`; nothing thrown gets out (it fails the file, or the run).
KwJobStatus ProjectKakikae(KwEvents* events);

// The encoding each group's ASCII texts take (KwRun::ascii): CP932 for the IDE's own files;
// UTF-8 for the sources when those that hold more than ASCII all read as UTF-8 (and there is
// one), else CP932; the .txt files like the others that hold more than ASCII, with none like
// the sources. Reads them.
void KwProjectEncoding(KwRun* run);

// Reads the text-type file of `entry` and rewrites its content into buf; "" or why it failed.
// `detect`: decide the encoding even where the name can't be in it (to show it).
std::string KwReadAndRewrite(const KwRun& run, const KwPlanEntry& entry, KwBuf* buf, bool detect,
                             KwTextInfo* info);

// Rewrites one text-type file into the temporary folder. "" on success, else the reason.
std::string FileKakikaeToNewFile(KwRun* run, const KwPlanEntry& entry);

// Writes n bytes as a new file of the temporary folder; a file that can't be completed is
// removed again. The bytes written; *why is set on failure.
uint64_t FileWriteMy2(KwRun* run, const std::string& name, const char* buf, uint64_t n,
                      std::string* why);

// The text of the box that ends a run.
std::string KwEndText(const KwResult& result);
// How many failures that box lists.
inline constexpr size_t kKwFailuresShown = 20;
