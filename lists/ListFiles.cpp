#include "lists/ListFiles.h"

#include "platform/JudgeListPaths.h"
#include "platform/TextFile.h"

namespace qv::ListFiles {

std::string JudgeScriptsPath()
{
    return JudgeListPaths::besideProgram();
}

void LoadJudgeScripts(ListBox& combo)
{
    combo.clear();
    TextFileReader reader;
    reader.open(JudgeListPaths::readPath());
    // The end test follows each read and add, so a missing or empty file still gives one entry,
    // the empty text. A failed read keeps the line as it was.
    std::string line;
    do {
        reader.readLine(line);
        if (!combo.addItem(line))
            break; // full: the remaining lines could not be added either
    } while (!reader.atEnd());
    reader.close();
}

bool SaveListToFile(const ListBox& list, const std::string& path, std::string* error)
{
    TextFileWriter writer;
    bool ok = writer.open(path);
    for (int i = 0; ok && i < list.count(); ++i)
        ok = writer.writeLine(list.item(i));
    ok = writer.close() && ok;
    if (!ok && error)
        *error = writer.errorString();
    return ok;
}

} // namespace qv::ListFiles
