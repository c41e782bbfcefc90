#pragma once

#include <QUdpSocket>
#include <map>
#include <string>

namespace qv::test {

// A name server on 127.0.0.1 for look-up tests, run on Qt's loop. It answers each question after
// delayMs: an A question with 127.0.0.1, any other type with no records; a name beginning with
// "never" gets no answer at all, one beginning with "missing" is answered "no such name".
class LoopbackNameServer final : public QObject
{
public:
    explicit LoopbackNameServer(int delayMs = 0);
    // "127.0.0.1:port", as a resolver's server setting takes it.
    std::string address() const;
    // A questions seen for name (lower case, no final dot).
    int questions(const std::string& name) const;

private:
    void onReadyRead();

    QUdpSocket m_socket;
    int m_delayMs;
    std::map<std::string, int> m_questions;
};

} // namespace qv::test
