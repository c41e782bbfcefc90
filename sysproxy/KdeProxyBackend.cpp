#include "sysproxy/KdeProxyBackend.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace qv {

namespace {
constexpr int kToolTimeoutMs = 10000;
} // namespace

KdeProxyBackend::KdeProxyBackend()
{
    for (const QString& tool : { u"kwriteconfig6"_s, u"kwriteconfig5"_s }) {
        const QString path = QStandardPaths::findExecutable(tool);
        if (!path.isEmpty()) {
            m_tool = QFile::encodeName(path).toStdString();
            break;
        }
    }
}

bool KdeProxyBackend::writeKey(const std::string& key, const std::string& value, std::string* error) const
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QFile::decodeName(QByteArray::fromStdString(m_tool)),
        { u"--file"_s, u"kioslaverc"_s, u"--group"_s, u"Proxy Settings"_s, u"--key"_s,
            QString::fromLatin1(key), QString::fromLatin1(value) });
    if (!process.waitForStarted(kToolTimeoutMs) || !process.waitForFinished(kToolTimeoutMs)) {
        if (error)
            *error = m_tool + ": " + process.errorString().toStdString();
        process.kill();
        process.waitForFinished(1000);
        return false;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        if (error) {
            *error = m_tool + " failed";
            const QByteArray output = process.readAll().trimmed();
            if (!output.isEmpty())
                *error += ": " + output.toStdString();
        }
        return false;
    }
    return true;
}

bool KdeProxyBackend::canApply(bool, const DesktopProxy&, std::string* why) const
{
    if (!isAvailable()) {
        if (why)
            *why = missing();
        return false;
    }
    // The tool writes kioslaverc in the user's configuration folder.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QFileInfo file(folder + u"/kioslaverc"_s);
    const QFileInfo folderInfo(folder);
    if ((file.exists() && !file.isWritable())
        || (!file.exists() && folderInfo.exists() && !folderInfo.isWritable())) {
        if (why)
            *why = QFile::encodeName(file.filePath()).toStdString() + " cannot be written";
        return false;
    }
    return true;
}

bool KdeProxyBackend::apply(bool enable, const DesktopProxy& proxy, std::string* error)
{
    if (!isAvailable()) {
        if (error)
            *error = "no kwriteconfig tool is installed";
        return false;
    }
    if (enable) {
        // KDE's own form: scheme, host, a blank, the port.
        const std::string server
            = (proxy.socks ? "socks://" : "http://") + proxy.host + ' ' + std::to_string(proxy.port);
        const std::string http = proxy.socks ? std::string() : server;
        if (!writeKey("httpProxy", http, error) || !writeKey("httpsProxy", http, error)
            || !writeKey("socksProxy", proxy.socks ? server : std::string(), error))
            return false;
    }
    if (!writeKey("ProxyType", enable ? "1" : "0", error))
        return false;

    // Running programs reread their proxy settings on this signal; without a session bus there
    // is nobody to tell.
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        QDBusMessage signal = QDBusMessage::createSignal(
            u"/KIO/Scheduler"_s, u"org.kde.KIO.Scheduler"_s, u"reparseSlaveConfiguration"_s);
        signal << QString();
        bus.send(signal);
    }
    return true;
}

} // namespace qv
