// The list-file line reader: lines never hold a line end or exceed the cap, a file whose lines
// hold no line feed reads back the same after the writer wrote its lines, and the bytes of the
// lines are the file's bytes in order.
#include <sys/mman.h>
#include <vector>

#include "platform/TextFile.h"
#include "FuzzCheck.h"

namespace {
// One file in memory, reached by path as the program reaches its files.
const std::string& scratchPath()
{
    static const std::string path = "/proc/self/fd/" + std::to_string(memfd_create("qv-fuzz-lines", 0));
    return path;
}

std::vector<std::string> readLines(const std::string& path)
{
    TextFileReader reader;
    QV_FUZZ_CHECK(reader.open(path));
    std::vector<std::string> lines;
    std::string line;
    while (reader.readLine(line))
        lines.push_back(line);
    QV_FUZZ_CHECK(!reader.failed() && reader.atEnd());
    return lines;
}
} // namespace

QV_FUZZ_TARGET
{
    TextFileWriter raw;
    QV_FUZZ_CHECK(raw.open(scratchPath()) && raw.write(std::string(input)) && raw.close());

    const std::vector<std::string> lines = readLines(scratchPath());
    QV_FUZZ_CHECK(input.empty() == lines.empty());
    bool cut = false, lineFeedInside = false, lastCut = false;
    std::size_t from = 0;
    for (const std::string& line : lines) {
        QV_FUZZ_CHECK(line.find('\r') == std::string::npos && line.size() <= TextFileReader::kMaxLineBytes);
        lineFeedInside = lineFeedInside || line.find('\n') != std::string::npos;
        // Each line is the next piece of the file, after nothing but line ends (or the rest of a
        // line that was cut).
        const std::size_t at = input.find(line, from);
        QV_FUZZ_CHECK(at != std::string::npos && (lastCut || input.find_first_not_of("\r\n", from) >= at));
        from = at + line.size();
        lastCut = line.size() == TextFileReader::kMaxLineBytes;
        cut = cut || lastCut;
    }
    QV_FUZZ_CHECK(lastCut || input.find_first_not_of("\r\n", from) == std::string::npos);

    if (cut || lineFeedInside)
        return;
    TextFileWriter writer;
    QV_FUZZ_CHECK(writer.open(scratchPath()));
    for (const std::string& line : lines)
        QV_FUZZ_CHECK(writer.writeLine(line));
    QV_FUZZ_CHECK(writer.close());
    QV_FUZZ_CHECK(readLines(scratchPath()) == lines);
}
