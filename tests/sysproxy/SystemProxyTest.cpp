#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeView>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/FileRegistryStore.h"
#include "platform/gui/TreeListView.h"
#include "support/FakeMessageBox.h"
#include "sysproxy/GnomeProxyBackend.h"
#include "sysproxy/KdeProxyBackend.h"
#include "sysproxy/Registry.h"
#include "sysproxy/SystemProxyCommands.h"

using namespace Qt::StringLiterals;

namespace qv {
namespace {

// GIO and the desktop tools read these once, so they are set before main runs: settings go to a
// keyfile in a private folder instead of the user's desktop.
struct PrivateDesktopConfig
{
    PrivateDesktopConfig()
    {
        char pattern[] = "/tmp/qv-sysproxy-XXXXXX";
        if (const char* made = mkdtemp(pattern))
            folder = made;
        setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
        setenv("GSETTINGS_BACKEND", "keyfile", 1);
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
    ~PrivateDesktopConfig()
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    std::string folder;
};
const PrivateDesktopConfig g_config;

const std::string kKey = SystemProxyCommands::kKeyPath;

// Forwards to the file store and records the order of writes.
class RecordingStore final : public RegistryStore
{
public:
    explicit RecordingStore(std::string path)
        : m_store(std::move(path))
    {
    }
    bool createKey(const std::string& keyPath) override { return m_store.createKey(keyPath); }
    bool keyExists(const std::string& keyPath) const override { return m_store.keyExists(keyPath); }
    bool setString(const std::string& keyPath, const std::string& name, const std::string& text) override
    {
        writes.push_back(name);
        return m_store.setString(keyPath, name, text);
    }
    bool setDword(const std::string& keyPath, const std::string& name, std::uint32_t number) override
    {
        writes.push_back(name);
        return m_store.setDword(keyPath, name, number);
    }
    std::optional<Value> value(const std::string& keyPath, const std::string& name) const override
    {
        return m_store.value(keyPath, name);
    }
    std::string errorString() const override { return m_store.errorString(); }
    std::string location() const override { return m_store.location(); }
    std::vector<std::string> writes;

private:
    FileRegistryStore m_store;
};

struct Applied
{
    bool enable;
    std::string host;
    int port;
};

class RecordingBackend final : public DesktopProxyBackend
{
public:
    RecordingBackend(std::vector<Applied>* log, bool available, bool succeed)
        : m_log(log)
        , m_available(available)
        , m_succeed(succeed)
    {
    }
    std::string name() const override { return "Test desktop"; }
    bool isAvailable() const override { return m_available; }
    bool apply(bool enable, const std::string& host, int port, std::string* error) override
    {
        m_log->push_back({ enable, host, port });
        if (!m_succeed)
            *error = "read-only";
        return m_succeed;
    }

private:
    std::vector<Applied>* m_log;
    bool m_available;
    bool m_succeed;
};

class SystemProxyTest : public testing::Test
{
protected:
    void SetUp() override
    {
        view.addRow({}, { "1.2.3.4", "80", "1" });
        view.addRow({}, { "10.0.0.1", "8080", "3" });
        view.setSelectedRow(1);
    }
    std::string storePath() const
    {
        return QDir(dir.path()).filePath(u"settings/registry.reg"_s).toStdString();
    }
    SystemProxyCommands commands(RegistryStore& store, bool backendWorks = true)
    {
        std::vector<std::unique_ptr<DesktopProxyBackend>> backends;
        backends.push_back(std::make_unique<RecordingBackend>(&applied, true, backendWorks));
        backends.push_back(std::make_unique<RecordingBackend>(&skipped, false, true));
        return SystemProxyCommands(view, messages, store, std::move(backends));
    }

    QTemporaryDir dir;
    QTreeView tree;
    TreeListView view { &tree, QStringList(4) };
    FakeMessageBox messages;
    std::vector<Applied> applied;
    std::vector<Applied> skipped;
};

TEST_F(SystemProxyTest, AnsweringNoChangesNothing)
{
    RecordingStore store(storePath());
    SystemProxyCommands cmds = commands(store);
    messages.setDefaultAnswer(MessageBox::No);
    cmds.setAsDefaultProxy();
    cmds.clearProxySupport();
    ASSERT_EQ(messages.count(), 2);
    EXPECT_EQ(messages.shown()[0].prompt, "Are you sure you want use this proxy?");
    EXPECT_EQ(messages.shown()[0].title, "Set Proxy");
    EXPECT_EQ(messages.shown()[0].style, 36);
    EXPECT_EQ(messages.shown()[1].prompt, "Are you sure you want to clear proxy support?");
    EXPECT_EQ(messages.shown()[1].title, "Clear Proxy");
    EXPECT_EQ(messages.shown()[1].style, 36);
    EXPECT_TRUE(store.writes.empty());
    EXPECT_TRUE(applied.empty());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(storePath())));
}

TEST_F(SystemProxyTest, SetWritesTypedValuesAndDesktop)
{
    RecordingStore store(storePath());
    SystemProxyCommands cmds = commands(store);
    cmds.setAsDefaultProxy();

    EXPECT_EQ(store.writes, (std::vector<std::string> { "ProxyEnable", "ProxyServer" }));
    FileRegistryStore reread(storePath());
    EXPECT_TRUE(reread.keyExists(kKey));
    const auto enable = reread.value(kKey, "ProxyEnable");
    ASSERT_TRUE(enable);
    EXPECT_EQ(enable->type, RegistryStore::ValueType::Dword);
    EXPECT_EQ(enable->number, 1u);
    const auto server = reread.value(kKey, "ProxyServer");
    ASSERT_TRUE(server);
    EXPECT_EQ(server->type, RegistryStore::ValueType::String);
    EXPECT_EQ(server->text, "10.0.0.1:8080");

    ASSERT_EQ(applied.size(), 1u);
    EXPECT_TRUE(applied[0].enable);
    EXPECT_EQ(applied[0].host, "10.0.0.1");
    EXPECT_EQ(applied[0].port, 8080);
    EXPECT_TRUE(skipped.empty());
    EXPECT_EQ(messages.count(), 1); // the question only
}

TEST_F(SystemProxyTest, ClearWritesZeroAndEmptyServer)
{
    RecordingStore store(storePath());
    SystemProxyCommands cmds = commands(store);
    cmds.setAsDefaultProxy();
    cmds.clearProxySupport();

    EXPECT_EQ(store.writes,
        (std::vector<std::string> { "ProxyEnable", "ProxyServer", "ProxyEnable", "ProxyServer" }));
    const auto enable = store.value(kKey, "ProxyEnable");
    ASSERT_TRUE(enable);
    EXPECT_EQ(enable->type, RegistryStore::ValueType::Dword);
    EXPECT_EQ(enable->number, 0u);
    const auto server = store.value(kKey, "ProxyServer");
    ASSERT_TRUE(server);
    EXPECT_EQ(server->type, RegistryStore::ValueType::String);
    EXPECT_EQ(server->text, "");
    ASSERT_EQ(applied.size(), 2u);
    EXPECT_FALSE(applied[1].enable);
}

TEST_F(SystemProxyTest, FailuresAreShownNamingWhatFailed)
{
    // A file where the store's folder should be: the store cannot be written.
    QFile blocker(QDir(dir.path()).filePath(u"settings"_s));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    RecordingStore store(storePath());
    SystemProxyCommands cmds = commands(store, false);
    cmds.setAsDefaultProxy();

    ASSERT_EQ(messages.count(), 2);
    const std::string report = messages.lastPrompt();
    EXPECT_NE(report.find("ProxyEnable in " + storePath()), std::string::npos) << report;
    EXPECT_NE(report.find("ProxyServer in " + storePath()), std::string::npos) << report;
    EXPECT_NE(report.find("Test desktop"), std::string::npos) << report;
    EXPECT_EQ(messages.lastTitle(), "Set Proxy");
    EXPECT_EQ(messages.lastStyle(), MessageBox::Critical);
}

TEST_F(SystemProxyTest, BadPortLeavesDesktopAlone)
{
    view.addRow({}, { "10.0.0.9", "http", "1" });
    view.setSelectedRow(2);
    RecordingStore store(storePath());
    SystemProxyCommands cmds = commands(store);
    cmds.setAsDefaultProxy();
    EXPECT_EQ(store.value(kKey, "ProxyServer")->text, "10.0.0.9:http");
    EXPECT_TRUE(applied.empty());
    ASSERT_EQ(messages.count(), 2);
    EXPECT_NE(messages.lastPrompt().find("\"http\" is not a port number"), std::string::npos);
}

TEST(FileRegistryStore, ValuesKeepTheirTypesAndBytes)
{
    QTemporaryDir dir;
    const std::string path = QDir(dir.path()).filePath(u"a/b/store.reg"_s).toStdString();
    FileRegistryStore store(path);
    EXPECT_FALSE(store.keyExists(kKey));
    EXPECT_FALSE(store.value(kKey, "ProxyEnable"));
    ASSERT_TRUE(Registry::SetRegDword(store, Registry::kHkeyCurrentUser, kKey, "ProxyEnable", 0xFFFFFFFFu));
    const std::string odd = "q\"uo\\te\r\n\t\xE9\x7F;[x]=dword:1";
    ASSERT_TRUE(Registry::SetRegString(store, Registry::kHkeyCurrentUser, kKey, "Odd \"name\"", odd));
    ASSERT_TRUE(Registry::SetRegString(store, Registry::kHkeyCurrentUser, "Other\\Key", "ProxyEnable", "1"));
    ASSERT_TRUE(store.setDword(kKey, "proxyenable", 7)); // same value, other letter case

    FileRegistryStore reread(path);
    EXPECT_TRUE(reread.keyExists("software\\microsoft\\windows\\currentversion\\internet settings"));
    EXPECT_EQ(reread.value(kKey, "ProxyEnable")->type, RegistryStore::ValueType::Dword);
    EXPECT_EQ(reread.value(kKey, "ProxyEnable")->number, 7u);
    EXPECT_EQ(reread.value(kKey, "Odd \"name\"")->text, odd);
    EXPECT_EQ(reread.value("Other\\Key", "ProxyEnable")->type, RegistryStore::ValueType::String);
    EXPECT_EQ(reread.value("Other\\Key", "ProxyEnable")->text, "1");

    std::string error;
    EXPECT_FALSE(Registry::SetRegDword(store, 0x80000002u, kKey, "ProxyEnable", 1, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(store.createKey(""));
}

TEST(FileRegistryStore, SkipsDamagedLinesAndKeepsTheRest)
{
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(u"store.reg"_s);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("junk\n\"orphan\"=dword:1\n[K]\r\n\"a\"=dword:0000000g\n\"b\"=\"unterminated\n\"c\"=dword:"
               "0000002A\r\n"
               "\"d\"=\"ok\\x41\"\n[broken\n\"e\"=\"lost\"\n");
    file.close();
    FileRegistryStore store(path.toStdString());
    EXPECT_FALSE(store.value("K", "a"));
    EXPECT_FALSE(store.value("K", "b"));
    EXPECT_EQ(store.value("K", "c")->number, 42u);
    EXPECT_EQ(store.value("K", "d")->text, "okA");
    ASSERT_TRUE(store.setString("K", "e", "new"));
    EXPECT_EQ(FileRegistryStore(path.toStdString()).value("K", "c")->number, 42u);
}

TEST(FileRegistryStore, UnreadableFileIsNeverReplaced)
{
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(u"store.reg"_s);
    ASSERT_TRUE(QDir().mkpath(path)); // a folder where the file should be cannot be read
    FileRegistryStore store(path.toStdString());
    EXPECT_FALSE(store.setDword(kKey, "ProxyEnable", 1));
    EXPECT_FALSE(store.errorString().empty());
    EXPECT_TRUE(QFileInfo(path).isDir());
}

TEST(FileRegistryStore, DefaultFileFollowsXdgConfigHome)
{
    EXPECT_EQ(FileRegistryStore::defaultFilePath().rfind(g_config.folder + '/', 0), 0u)
        << FileRegistryStore::defaultFilePath();
}

TEST(DesktopBackends, GnomeFollowsSetAndClear)
{
    GnomeProxyBackend gnome;
    if (!gnome.isAvailable())
        GTEST_SKIP() << "GNOME proxy schema (gsettings-desktop-schemas) or GSettings keyfile backend missing";
    std::string error;
    ASSERT_TRUE(gnome.apply(true, "10.0.0.1", 8080, &error)) << error;
    GnomeProxyBackend::Settings now = GnomeProxyBackend::current();
    EXPECT_EQ(now.mode, "manual");
    EXPECT_EQ(now.httpHost, "10.0.0.1");
    EXPECT_EQ(now.httpPort, 8080);
    EXPECT_EQ(now.httpsHost, "10.0.0.1");
    EXPECT_EQ(now.httpsPort, 8080);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(g_config.folder + "/glib-2.0/settings/keyfile")));

    ASSERT_TRUE(gnome.apply(false, "", 0, &error)) << error;
    EXPECT_EQ(GnomeProxyBackend::current().mode, "none");
}

QByteArray kioslaverc()
{
    QFile file(QString::fromStdString(g_config.folder + "/kioslaverc"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(DesktopBackends, KdeFollowsSetAndClear)
{
    KdeProxyBackend kde;
    if (!kde.isAvailable())
        GTEST_SKIP() << "kwriteconfig6/kwriteconfig5 not installed (libkf5config-bin)";
    std::string error;
    ASSERT_TRUE(kde.apply(true, "10.0.0.1", 8080, &error)) << error;
    const QByteArray set = kioslaverc();
    EXPECT_TRUE(set.contains("[Proxy Settings]")) << set.toStdString();
    EXPECT_TRUE(set.contains("ProxyType=1")) << set.toStdString();
    EXPECT_TRUE(set.contains("httpProxy=http://10.0.0.1 8080")) << set.toStdString();
    EXPECT_TRUE(set.contains("httpsProxy=http://10.0.0.1 8080")) << set.toStdString();

    ASSERT_TRUE(kde.apply(false, "", 0, &error)) << error;
    EXPECT_TRUE(kioslaverc().contains("ProxyType=0"));
}

} // namespace
} // namespace qv
