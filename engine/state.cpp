#include "engine/state.h"

std::string glDropPath;
std::string glOldPjName;
std::string glNewPjName;
