// The plan of a job: every entry of the project folder, the name of its copy and what is done
// with it, and the refusals that must come before anything is written.
#pragma once

#include "engine/run.h"

#include <string>

// Plans the request into the run without writing anything; a failure is a refusal.
KwError KwMakePlan(const KwRequest& request, KwRun* run);

// 1 when the name's extension (from its last dot) is one of the project's text types.
int IsKakikaeTarget(const std::string& name);
// Which group of texts a name's extension puts it in (KwTextGroup), or -1 for none.
int KwTextGroupOf(const std::string& name);
