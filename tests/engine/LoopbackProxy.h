#pragma once

#include <QObject>
#include <QTcpServer>
#include <string>

namespace qv::test {

// A proxy on 127.0.0.1 that answers judge requests in one scripted way, for real-socket tests.
class LoopbackProxy final : public QObject {
    Q_OBJECT
public:
    enum class Mode {
        Working, // the judge page, then close
        Failing, // an error page, then close
        Pieces, // the judge page in pieces with pauses between them, then close
        Never, // accepts, reads, never answers
        ResetMidAnswer, // part of the judge page, then a reset
        Endless, // data without end
    };

    explicit LoopbackProxy(Mode mode, std::string level = "3");
    quint16 port() const { return m_server.serverPort(); }
    int requests() const { return m_requests; }
    std::string lastRequest() const { return m_lastRequest; }

    static std::string judgePage(const std::string& level);
    // A loopback port with nothing listening on it.
    static quint16 refusingPort();

private:
    void onConnection();

    QTcpServer m_server;
    Mode m_mode;
    std::string m_level;
    int m_requests = 0;
    std::string m_lastRequest;
};

} // namespace qv::test
