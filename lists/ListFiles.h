#pragma once

#include <string>

#include "platform/ListBox.h"

namespace qv::ListFiles {

// Fills combo with the lines of the judge list (JudgeListPaths::readPath): n lines give n entries;
// a missing, unreadable or empty file gives one empty entry.
void LoadJudgeScripts(ListBox& combo);

// Writes every entry followed by CR LF, replacing the file. Returns false with error set when the
// file cannot be written completely.
bool SaveListToFile(const ListBox& list, const std::string& path, std::string* error = nullptr);

// The judge list beside the program: the program's folder followed by "/judgescripts.txt". When it
// exists it is the one read and saved.
std::string JudgeScriptsPath();

} // namespace qv::ListFiles

namespace qv::ListFiles {

// Removes every entry equal (without regard to letter case) to an earlier one, keeping the first of
// each kind in order, and leaves the selection on the survivor of the last entry's kind. Runs in
// linear expected time. An empty list is left as it is.
void RemoveDuplicates(ListBox& list);

} // namespace qv::ListFiles
