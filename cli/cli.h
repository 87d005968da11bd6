// kestrelwick-cli: a drop of PROJECT_FOLDER, NEW_NAME typed, the execute button pressed.
#pragma once

// 0 when every file was copied, 1 when some failed, 2 when the run was refused.
int KwCliMain(int argc, char** argv);
