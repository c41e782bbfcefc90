#include "app/check/ResultWriter.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <charconv>

namespace qv {

namespace {
std::string_view digits(char (&buffer)[24], long long number)
{
    return { buffer, static_cast<std::size_t>(std::to_chars(buffer, buffer + sizeof buffer, number).ptr - buffer) };
}

QString latin1(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

bool isControl(char c)
{
    return (static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == '\x7f';
}
} // namespace

void ResultWriter::appendShown(std::string& line, std::string_view text, char tab)
{
    static constexpr char kHex[] = "0123456789abcdef";
    // Runs of ordinary bytes go in whole: every found proxy's line passes through here.
    std::size_t plain = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (!isControl(c) && c != '\t')
            continue;
        line.append(text, plain, i - plain);
        plain = i + 1;
        if (c == '\t') {
            line += tab;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            line.append("\\x", 2).append(1, kHex[byte >> 4]).append(1, kHex[byte & 15]);
        }
    }
    line.append(text, plain);
}

ResultWriter::ResultWriter(std::ostream& out, CheckOptions::Format format, bool all)
    : m_out(out)
    , m_format(format)
    , m_all(all)
{
}

std::string ResultWriter::csvField(std::string_view text)
{
    std::string shown;
    appendShown(shown, text, '\t');
    if (shown.find_first_of(",\"") == std::string::npos)
        return shown;
    std::string quoted = "\"";
    for (const char c : shown) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

void ResultWriter::writeHeader()
{
    if (m_format == CheckOptions::Format::Csv)
        m_out << (m_all ? "ip,port,level,ms,ok,reason,protocol,exit,leak\n" : "ip,port,level,ms,protocol,exit,leak\n");
}

void ResultWriter::write(const ScanEngine::CheckEnd& end, Leak leak)
{
    const char* leakText = leak == Leak::Unknown ? "" : leak == Leak::Yes ? "true" : "false";
    const bool ok = end.passed();
    if (!ok && !m_all)
        return;
    const std::string_view reason = ok ? std::string_view() : end.failure();
    const std::string_view protocol = protocolName(end.protocol);
    char number[24];
    switch (m_format) {
    case CheckOptions::Format::Tsv:
        // Each line is made whole and written in one piece: a million of them add up.
        m_line.clear();
        // Whole unusable entries may hold tabs, which would shift the columns.
        appendShown(m_line, end.proxy.empty() ? end.ip : end.proxy, ' ');
        if (end.port > 0 && end.proxy.empty())
            m_line.append(1, ':').append(digits(number, end.port));
        m_line += '\t';
        appendShown(m_line, end.level, ' ');
        // The default line keeps its two columns: scripts split it.
        if (m_all)
            m_line.append(ok ? "\ttrue\t" : "\tfalse\t").append(reason);
        m_line.append(1, '\t').append(protocol).append(1, '\t').append(end.exit);
        // The leak column only with --all: the default line's columns stay as they were.
        if (m_all)
            m_line.append(1, '\t').append(leakText);
        m_line += '\n';
        m_out.write(m_line.data(), static_cast<std::streamsize>(m_line.size()));
        break;
    case CheckOptions::Format::Csv:
        m_line.assign(csvField(end.ip)).append(1, ',');
        if (end.port > 0)
            m_line.append(digits(number, end.port));
        m_line.append(1, ',').append(csvField(end.level)).append(1, ',').append(digits(number, end.ms));
        if (m_all)
            m_line.append(ok ? ",true," : ",false,").append(reason);
        m_line.append(1, ',').append(protocol).append(1, ',').append(end.exit).append(1, ',').append(leakText);
        m_line += '\n';
        m_out.write(m_line.data(), static_cast<std::streamsize>(m_line.size()));
        break;
    case CheckOptions::Format::Json: {
        QJsonObject row;
        row.insert(QStringLiteral("ip"), latin1(end.ip));
        row.insert(QStringLiteral("port"), end.port > 0 ? QJsonValue(end.port) : QJsonValue());
        row.insert(QStringLiteral("level"), latin1(end.level));
        row.insert(QStringLiteral("ms"), static_cast<qint64>(end.ms));
        if (m_all) {
            row.insert(QStringLiteral("ok"), ok);
            if (!ok)
                row.insert(QStringLiteral("reason"), latin1(reason));
        }
        row.insert(QStringLiteral("protocol"), latin1(protocol));
        row.insert(QStringLiteral("exit"), latin1(end.exit));
        row.insert(QStringLiteral("leak"), leak == Leak::Unknown ? QJsonValue() : QJsonValue(leak == Leak::Yes));
        QByteArray line = QJsonDocument(row).toJson(QJsonDocument::Compact);
        // JSON may carry DEL as it is; escaped, no byte of a line is a control character.
        line.replace('\x7f', "\\u007f");
        m_out.write(line.constData(), line.size());
        m_out << '\n';
        break;
    }
    }
}

} // namespace qv
