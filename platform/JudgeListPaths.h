#pragma once

#include <string>

// Where the judge list is read from and saved to. A list beside the program wins, so a build folder
// or a portable copy keeps everything in one place; otherwise the user's own list in the per-user
// configuration folder, and failing that the default list installed with the program.
namespace qv::JudgeListPaths {

// "<program folder>/judgescripts.txt"
std::string besideProgram();
// "$XDG_CONFIG_HOME/Quorvane/judgescripts.txt", with ~/.config when XDG_CONFIG_HOME is unset.
std::string userList();
// "<prefix>/share/quorvane/judgescripts.txt", found from the program's folder "<prefix>/bin".
std::string installedDefault();

// The first of besideProgram, userList and installedDefault that exists (the last when none does).
std::string readPath();
// besideProgram when a list is there, else userList: saving never writes into an installed folder.
std::string savePath();

} // namespace qv::JudgeListPaths
