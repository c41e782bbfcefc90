#include "platform/JudgeListPaths.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "platform/TextFile.h"

namespace qv::JudgeListPaths {

namespace {
const char* const kFileName = "/judgescripts.txt";

bool exists(const std::string& path)
{
    return QFileInfo::exists(QFile::decodeName(path.c_str()));
}
} // namespace

std::string besideProgram()
{
    return programDirectory() + kFileName;
}

std::string userList()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QFile::encodeName(folder + QStringLiteral("/Quorvane")).toStdString() + kFileName;
}

std::string installedDefault()
{
    // The data folder relative to the program's folder, as the install layout puts them.
    return programDirectory() + "/" QV_DATA_FROM_PROGRAM + kFileName;
}

std::string readPath()
{
    for (const std::string& path : { besideProgram(), userList() }) {
        if (exists(path))
            return path;
    }
    return installedDefault();
}

std::string savePath()
{
    const std::string beside = besideProgram();
    return exists(beside) ? beside : userList();
}

} // namespace qv::JudgeListPaths
