#include "platform/QtTcpSocket.h"

#include <QNetworkProxy>

namespace qv {

namespace {
// Counts a nesting level for the lifetime of the scope.
class Nesting final
{
public:
    explicit Nesting(int& counter)
        : m_counter(counter)
    {
        ++m_counter;
    }
    ~Nesting() { --m_counter; }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;

private:
    int& m_counter;
};
} // namespace

QtTcpSocket::QtTcpSocket() = default;

QtTcpSocket::~QtTcpSocket()
{
    releaseSocket();
}

int QtTcpSocket::errorNumber(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return ConnectionRefused;
    case QAbstractSocket::RemoteHostClosedError:
        return ConnectionReset;
    case QAbstractSocket::SocketTimeoutError:
        return TimedOut;
    case QAbstractSocket::HostNotFoundError:
        return HostNotFound;
    case QAbstractSocket::NetworkError:
        return NetworkUnreachable;
    case QAbstractSocket::AddressInUseError:
        return AddressInUse;
    case QAbstractSocket::SocketAccessError:
        return AccessDenied;
    default:
        return OtherError;
    }
}

template <typename F> void QtTcpSocket::deliver(F&& f)
{
    if (m_busy == 0) {
        f();
        return;
    }
    // Qt reported something from inside one of our own calls: hand it over once the caller is back
    // in the event loop, unless the connection has been closed or replaced by then.
    QMetaObject::invokeMethod(
        this,
        [this, generation = m_generation, f = std::forward<F>(f)]() {
            if (generation == m_generation)
                f();
        },
        Qt::QueuedConnection);
}

void QtTcpSocket::releaseSocket()
{
    if (!m_socket)
        return;
    QTcpSocket* socket = m_socket;
    m_socket = nullptr;
    QObject::disconnect(socket, nullptr, this, nullptr);
    socket->abort();
    if (m_emitting > 0) {
        // Qt is still inside one of this socket's signals.
        socket->setParent(nullptr);
        socket->deleteLater();
    } else {
        delete socket;
    }
}

void QtTcpSocket::close()
{
    ++m_generation;
    releaseSocket();
    m_leftover.clear();
    m_leftover.shrink_to_fit();
    m_state = State::Closed;
    m_peerClosedRaised = false;
}

bool QtTcpSocket::connect()
{
    if (m_state != State::Closed || m_host.empty() || m_port < 1 || m_port > 65535)
        return false;
    Nesting busy(m_busy);
    ++m_generation;
    releaseSocket();
    m_leftover.clear();
    m_peerClosedRaised = false;

    m_socket = new QTcpSocket(this);
    // We talk to the proxies themselves, never through a proxy of the desktop.
    m_socket->setProxy(QNetworkProxy::NoProxy);
    m_socket->setReadBufferSize(kReadBufferBytes);
    QObject::connect(m_socket, &QTcpSocket::connected, this, &QtTcpSocket::onConnected);
    QObject::connect(m_socket, &QTcpSocket::readyRead, this, &QtTcpSocket::onReadyRead);
    QObject::connect(m_socket, &QTcpSocket::errorOccurred, this, &QtTcpSocket::onErrorOccurred);
    QObject::connect(m_socket, &QTcpSocket::disconnected, this, &QtTcpSocket::onDisconnected);
    m_state = State::Connecting;
    m_socket->connectToHost(QString::fromLatin1(m_host.data(), static_cast<qsizetype>(m_host.size())),
        static_cast<quint16>(m_port));
    return true;
}

bool QtTcpSocket::sendData(std::string_view bytes)
{
    if (m_state != State::Connected || !m_socket)
        return false;
    Nesting busy(m_busy);
    if (bytes.empty())
        return true;
    return m_socket->write(bytes.data(), static_cast<qint64>(bytes.size()))
        == static_cast<qint64>(bytes.size());
}

std::string QtTcpSocket::getData()
{
    Nesting busy(m_busy);
    std::string data = std::move(m_leftover);
    m_leftover.clear();
    if (m_socket) {
        const qint64 available = m_socket->bytesAvailable();
        if (available > 0) {
            const std::size_t old = data.size();
            data.resize(old + static_cast<std::size_t>(available));
            const qint64 got = m_socket->read(data.data() + old, available);
            data.resize(old + static_cast<std::size_t>(got > 0 ? got : 0));
        }
    }
    return data;
}

std::size_t QtTcpSocket::bytesAvailable() const
{
    const qint64 pending = m_socket ? m_socket->bytesAvailable() : 0;
    return m_leftover.size() + static_cast<std::size_t>(pending > 0 ? pending : 0);
}

void QtTcpSocket::keepUnreadData()
{
    if (!m_socket)
        return;
    const QByteArray rest = m_socket->readAll();
    m_leftover.append(rest.constData(), static_cast<std::size_t>(rest.size()));
}

void QtTcpSocket::onConnected()
{
    Nesting emitting(m_emitting);
    m_state = State::Connected;
    // Requests are single small writes; do not hold them back waiting for an acknowledgement.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    deliver([this] {
        if (m_events.connected)
            m_events.connected();
    });
}

void QtTcpSocket::onReadyRead()
{
    Nesting emitting(m_emitting);
    deliver([this] {
        const std::size_t total = bytesAvailable();
        if (total > 0 && m_events.dataArrival)
            m_events.dataArrival(total);
    });
}

void QtTcpSocket::onErrorOccurred(QAbstractSocket::SocketError error)
{
    Nesting emitting(m_emitting);
    if (error == QAbstractSocket::RemoteHostClosedError && m_state == State::Connected) {
        onPeerClosed();
        return;
    }
    const int number = errorNumber(error);
    const std::string description
        = m_socket ? m_socket->errorString().toLatin1().toStdString() : std::string();
    keepUnreadData();
    m_state = State::Closed;
    releaseSocket();
    deliver([this, number, description] {
        if (m_events.error)
            m_events.error(number, description);
    });
}

void QtTcpSocket::onDisconnected()
{
    Nesting emitting(m_emitting);
    // Our own closes disconnect from the socket first, so this is always the peer.
    if (m_state == State::Connected)
        onPeerClosed();
}

void QtTcpSocket::onPeerClosed()
{
    if (m_peerClosedRaised)
        return;
    m_peerClosedRaised = true;
    keepUnreadData();
    m_state = State::Closed;
    releaseSocket();
    deliver([this] {
        if (m_events.peerClosed)
            m_events.peerClosed();
    });
}

} // namespace qv
