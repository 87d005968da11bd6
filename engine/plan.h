// The plan of a job: every entry of the project folder, the name of its copy and what is done
// with it, and the refusals that must come before anything is written.
#pragma once

#include "engine/run.h"

#include <string>

// Takes the rename state into the run and plans it without writing anything. "" when it may
// go on, else the refusal.
std::string KwMakePlan(KwRun* run);

// What failed, in words: the system's own for the error code, and the code.
std::string KwReason(const char* what, int code);

// 1 when the name's extension (from its last dot) is one of the project's text types.
int IsKakikaeTarget(const std::string& name);
// Which group of texts a name's extension puts it in (KwTextGroup), or -1 for none.
int KwTextGroupOf(const std::string& name);
