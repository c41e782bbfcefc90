#pragma once

#include <QObject>
#include <QTcpServer>
#include <functional>
#include <string>

namespace qv::test {

// A proxy on 127.0.0.1 that answers judge requests in one scripted way, for real-socket tests.
class LoopbackProxy final : public QObject {
    Q_OBJECT
public:
    enum class Mode {
        Working, // the judge page, then close
        Failing, // an error page, then close
        Never, // accepts, reads, never answers
        PageThenReset, // the judge page, then at once a reset
        PageThenLateReset, // the judge page, a reset 200 ms later
        ReadsToBlankLine, // reads only up to the first blank line, answers and closes: the kernel resets
        ResetBeforeAnswer, // reads the request, resets without a byte
    };

    explicit LoopbackProxy(Mode mode, std::string level = "3");
    quint16 port() const { return m_server.serverPort(); }
    int requests() const { return m_requests; }
    std::string lastRequest() const { return m_lastRequest; }

    // A loopback port with nothing listening on it.
    static quint16 refusingPort();

private:
    // Hands a connection's descriptor to takeRaw instead of wrapping it in a QTcpSocket, which
    // would read everything the client sent.
    class Server final : public QTcpServer {
    public:
        std::function<void(qintptr)> takeRaw;

    protected:
        void incomingConnection(qintptr descriptor) override
        {
            takeRaw ? takeRaw(descriptor) : QTcpServer::incomingConnection(descriptor);
        }
    };

    void onConnection();
    void serveRaw(qintptr descriptor);

    Server m_server;
    Mode m_mode;
    std::string m_level;
    int m_requests = 0;
    std::string m_lastRequest;
};

} // namespace qv::test
