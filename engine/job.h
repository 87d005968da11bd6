// The copy job: the project copied under its new name, every file written whole into a
// temporary folder of the run's own, then put in place in one step.
#pragma once

#include "engine/run.h"

#include <string>

// The whole job on a request: planned, asked where it would replace files, carried out. Every
// event goes to `events`. What is thrown gets out, to the caller's boundary: what the run held
// is let go on the way.
KwResult ProjectKakikae(const KwRequest& request, KwEvents* events);

// The same request answered without writing: the plan, and for each text the encoding it
// would be read in and how often the name would be replaced.
KwResult KwDryRun(const KwRequest& request);

// The encoding each group's ASCII texts take (KwRun::ascii): CP932 for the IDE's own files;
// UTF-8 for the sources when those that hold more than ASCII all read as UTF-8 (and there is
// one), else CP932; the .txt files like the others that hold more than ASCII, with none like
// the sources. Reads them.
void KwProjectEncoding(KwRun* run);

// Rewrites one text-type file into the temporary folder.
KwError FileKakikaeToNewFile(KwRun* run, const KwPlanEntry& entry);

// Writes n bytes as a new file of the temporary folder; a file that can't be completed is
// removed again.
KwError FileWriteMy2(KwRun* run, const std::string& name, const char* buf, uint64_t n);

// The text of the box that ends a run, and of a list of names that shows its first `shown`.
std::string KwEndText(const KwResult& result);
std::string KwListText(const std::vector<std::string>& lines, size_t shown);
inline constexpr size_t kKwFailuresShown = 20;
