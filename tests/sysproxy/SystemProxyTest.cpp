#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTreeView>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>

#include "platform/FileLock.h"
#include "platform/FileRegistryStore.h"
#include "platform/TextFile.h"
#include "support/ChildProcess.h"
#include "platform/gui/TreeListView.h"
#include "support/FakeMessageBox.h"
#include "support/TestFiles.h"
#include "sysproxy/GnomeProxyBackend.h"
#include "sysproxy/KdeProxyBackend.h"
#include "sysproxy/Registry.h"
#include "sysproxy/SystemProxyCommands.h"

using namespace Qt::StringLiterals;

namespace qv {
namespace {

using namespace qv::test;
using Strings = std::vector<std::string>;

// GIO and the desktop tools read these once, before main: settings go to a keyfile in a private folder.
const QTemporaryDir g_desktopDir;
const std::string g_folder = [] {
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(g_desktopDir.path()));
    qputenv("GSETTINGS_BACKEND", "keyfile");
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    return g_desktopDir.path().toStdString();
}();

const std::string kKey = SystemProxyCommands::kKeyPath;

enum class Desktop { Works, Fails, Refuses, Missing };

// Logs each apply as "on [socks ]host:port[ as user:password]" or "off"; holds credentials of HTTP proxies.
class RecordingBackend final : public DesktopProxyBackend
{
public:
    std::string name() const override { return mode == Desktop::Missing ? "Missing desktop" : "Test desktop"; }
    bool isAvailable() const override { return mode != Desktop::Missing; }
    std::string missing() const override { return "no test desktop"; }
    std::string credentialsHolder(const DesktopProxy& p) const override
    {
        return p.socks ? "" : "the test proxy";
    }
    bool canApply(bool, const DesktopProxy&, std::string* why) const override
    {
        *why = "locked";
        return mode != Desktop::Refuses;
    }
    bool apply(bool enable, const DesktopProxy& p, std::string* error) override
    {
        const std::string as = p.credentials ? " as " + p.credentials->user + ':' + p.credentials->password : "";
        const std::string on = "on " + std::string(p.socks ? "socks " : "") + p.host + ':' + std::to_string(p.port);
        log->push_back(enable ? on + as : "off");
        *error = "read-only";
        return mode == Desktop::Works;
    }

    Strings* log = nullptr;
    Desktop mode = Desktop::Works;
};

class SystemProxyTest : public testing::Test
{
protected:
    void SetUp() override
    {
        view.addRow({}, { "1.2.3.4", "80", "1" });
        select("10.0.0.1", "8080");
    }
    // entry: the row's own text, scheme://[user:password@]host:port; none for plain HTTP.
    void select(const std::string& ip, const std::string& port, const std::string& entry = "")
    {
        const std::size_t scheme = entry.find("://");
        view.addRow(entry, { ip, port, "1", scheme == std::string::npos ? "http" : entry.substr(0, scheme) });
        view.setSelectedRow(view.rowCount() - 1);
    }
    SystemProxyCommands commands(RegistryStore& store, Desktop desktop = Desktop::Works)
    {
        std::vector<std::unique_ptr<DesktopProxyBackend>> backends;
        for (const Desktop desktopMode : { desktop, Desktop::Missing }) {
            auto& backend = static_cast<RecordingBackend&>(*backends.emplace_back(new RecordingBackend));
            backend.log = &applied;
            backend.mode = desktopMode;
        }
        return SystemProxyCommands(view, messages, store, std::move(backends));
    }

    QTemporaryDir dir;
    const std::string path = dir.filePath(u"registry.reg"_s).toStdString();
    QTreeView tree;
    TreeListView view { &tree, QStringList(5) };
    FakeMessageBox messages;
    Strings applied;
};

TEST_F(SystemProxyTest, FailuresSayWhatWasWritten)
{
    // The desktop refuses: told before anything is written.
    FileRegistryStore store(path);
    commands(store, Desktop::Refuses).setAsDefaultProxy();
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(path)));
    EXPECT_EQ(messages.lastPrompt(),
        "Nothing was changed: the Test desktop proxy setting cannot be written: locked");

    // The desktop fails, or there is none: the user learns that only the store was written.
    const std::string onlyStore = "Only the program's own store, " + path + ", was written";
    commands(store, Desktop::Fails).setAsDefaultProxy();
    EXPECT_EQ(messages.lastPrompt(),
        "The proxy setting could not be written completely. Failed:\n- the Test desktop proxy setting: read-only\n"
            + onlyStore + ".");
    commands(store, Desktop::Missing).clearProxySupport();
    EXPECT_EQ(messages.lastPrompt(),
        onlyStore + ": no desktop proxy setting could be changed (no test desktop; no test desktop).");
    EXPECT_EQ(messages.lastStyle(), MessageBox::Exclamation);
    EXPECT_EQ(messages.lastTitle(), "Clear Proxy");
    EXPECT_EQ(store.value(kKey, "ProxyEnable")->number, 0u);

    // A file that cannot be taken apart, or in UTF-16, is never written.
    applied.clear();
    const std::string head = "[" + kKey + "]\n";
    const std::pair<std::string, std::string> unreadable[]
        = { { head + "\"a\"=\"x\"\njunk\n", ": line 3: " }, { "\"orphan\"=dword:1\n" + head, ": line 1: " },
              { head + "\"b\"=\"unterminated\n\"c\"=dword:2\n", ": line 2: " },
              { head + "[broken\n", ": line 2: " }, { head + "\"b\"=hex:01,\\\n", ": line 2: " },
              { std::string("\xFF\xFE[\0K\0]\0", 8),
                  ": the file is UTF-16LE; save it as UTF-8 or Latin-1 and try again" } };
    for (const auto& [text, why] : unreadable) {
        ASSERT_TRUE(writeFile(path, QByteArray::fromStdString(text)));
        FileRegistryStore store(path);
        commands(store).setAsDefaultProxy();
        EXPECT_EQ(readFile(path).toStdString(), text);
        EXPECT_NE(messages.lastPrompt().find(path + why), std::string::npos) << messages.lastPrompt();
    }
    EXPECT_TRUE(applied.empty());
}

// A change is one read-change-replace under the store's lock: killed at any step, stopped by a full
// disk or by a lock another program keeps, it leaves the old store and nothing beside it; two programs
// changing the store 100 times each at once both find every change in it.
TEST_F(SystemProxyTest, StoreChangesAreWholeAndNeverLost)
{
    using Step = TextFileWriter::Step;
    const QByteArray old = "[" + QByteArray::fromStdString(kKey) + "]\r\n\"ProxyServer\"=\"old:1\"\r\n";
    for (const Step step : { Step::Create, Step::Write, Step::Sync, Step::Rename }) {
        ASSERT_TRUE(writeFile(path, old));
        const int status = inChild([&] {
            TextFileWriter::setStepHookForTesting([step](Step at) { return at == step ? ::raise(SIGKILL) : 0; });
            FileRegistryStore store(path);
            commands(store).setAsDefaultProxy();
            return true;
        });
        EXPECT_TRUE(WIFSIGNALED(status)) << int(step);
        EXPECT_EQ(readFile(path), old);
        EXPECT_EQ(filesIn(dir.path()), "registry.reg registry.reg.lock");
    }

    FileLock held;
    FileRegistryStore store(path);
    store.setLockWaitMs(0);
    for (const auto& [fault, why] : { std::pair { ENOSPC, std::string(std::strerror(ENOSPC)) },
             std::pair { 0, "\"" + path + ".lock\" is held by another program; gave up after 0 ms" } }) {
        TextFileWriter::setStepHookForTesting([fault = fault](Step at) { return at == Step::Write ? fault : 0; });
        ASSERT_TRUE(fault || held.lock(path));
        commands(store).setAsDefaultProxy();
        TextFileWriter::setStepHookForTesting({});
        EXPECT_EQ(messages.lastPrompt(), "Nothing was changed: " + path + ": " + why);
        EXPECT_EQ(messages.lastStyle(), MessageBox::Critical);
        EXPECT_EQ(readFile(path), old);
    }
    held.unlock();
    EXPECT_TRUE(applied.empty());

    const auto changeTimes = [&](const std::string& prefix) {
        FileRegistryStore own(path);
        bool changed = true;
        for (std::uint32_t i = 0; i < 100 && changed; ++i)
            changed = own.setDword(kKey, prefix + std::to_string(i), i + 1);
        return changed;
    };
    const pid_t first = startChild([&] { return changeTimes("first"); });
    const pid_t second = startChild([&] { return changeTimes("second"); });
    EXPECT_EQ(std::pair(waitChild(first), waitChild(second)), std::pair(0, 0));
    int present = 0;
    for (const char* prefix : { "first", "second" })
        for (std::uint32_t i = 0; i < 100; ++i)
            present += store.value(kKey, prefix + std::to_string(i)).value_or(RegistryStore::Value {}).number
                == i + 1;
    EXPECT_EQ(present, 200);
    EXPECT_EQ(store.value(kKey, "ProxyServer")->text, "old:1");
}

// Blanks around the port are allowed, as the scan allows them; a proxy that cannot be set writes nothing.
// A SOCKS find is the store's SOCKS proxy; the question names where a find's user name and password go.
TEST_F(SystemProxyTest, ProxyTextIsCheckedBeforeAnythingIsWritten)
{
    const std::string tooLong(254, 'h'), longest = "A0" + std::string(249, 'z') + "Z9";
    const std::string noHost = "\" is not an address a proxy setting can hold.";
    const std::string question = "Are you sure you want use this proxy?", ownStore = "the program's own store.";
    using Row = std::tuple<std::string, std::string, std::string, std::string>; // host, port, entry, result
    for (const auto& [host, port, entry, result] : std::vector<Row> {
             { "10.0.0.9", "http", "", "Nothing was changed: \"http\" is not a port number." },
             { "10.0.0.9", "70000", "", "Nothing was changed: \"70000\" is not a port number." },
             { "bad host", "80", "", "Nothing was changed: \"bad host" + noHost },
             { tooLong, "80", "", "Nothing was changed: \"" + tooLong + noHost },
             { "10.0.0.9", " 3128 ", "", "10.0.0.9:3128" },
             { "proxy-1.example_net", "65535", "", "proxy-1.example_net:65535" },
             { longest, "1", "", longest + ":1" },
             { "10.0.0.9", "1080", "socks5://10.0.0.9:1080", "socks=10.0.0.9:1080" },
             { "10.0.0.9", "8443", "https://10.0.0.9:8443", "10.0.0.9:8443" },
             { "10.0.0.9", "1081", "socks4a://u%40:p@10.0.0.9:1081",
                 "socks=10.0.0.9:1081\nThe user name and password go nowhere. These cannot hold them: Test desktop, "
                     + ownStore },
             { "10.0.0.9", "8081", "http://u:p@10.0.0.9:8081",
                 "10.0.0.9:8081\nThe user name and password go to: the test proxy. These cannot hold them: " + ownStore } }) {
        QFile::remove(QString::fromStdString(path));
        select(host, port, entry);
        FileRegistryStore store(path);
        commands(store).setAsDefaultProxy();
        const auto server = FileRegistryStore(path).value(kKey, "ProxyServer");
        const std::string prompt = messages.lastPrompt();
        EXPECT_EQ(server ? server->text + prompt.substr(question.size()) : prompt, result);
    }
    view.setSelectedRow(0); // the first find
    FileRegistryStore store(path);
    commands(store).setAsDefaultProxy();
    EXPECT_EQ(applied, (Strings { "on 10.0.0.9:3128", "on proxy-1.example_net:65535", "on " + longest + ":1",
                           "on socks 10.0.0.9:1080", "on 10.0.0.9:8443", "on socks 10.0.0.9:1081 as u@:p",
                           "on 10.0.0.9:8081 as u:p", "on 1.2.3.4:80" }));
}

// Written by hand or by other tools: everything but the two values must survive byte for byte.
QByteArray richFile(const char* enable, const char* server, const char* append)
{
    return QByteArray("\xEF\xBB\xBF; written by hand\r\n\r\n"
                      "[Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings]\r\n"
                      "@=\"default value\"\r\n")
        + enable
        + "\"ProxyOverride\"=\"<local>;*.example.org\"\r\n"
          "\"AutoConfigURL\"=\"http://wpad.example/\\\r\n  proxy.pac\"\r\n"
        + server
        + "\"Big\"=dword:100000000\r\n"
          "\"Blob\"=hex:01,02,03,\\\r\n  04,05\r\n"
          "\"Quad\"=qword:0000000000000001\r\n"
          "\"Gr\xC3\xBC\xC3\x9F\x65\"=\"Gr\xC3\xBC\xC3\x9F\x65 aus K\xC3\xB6ln \\\"q\\\"\"\r\n"
        + append + "# another comment\r\n\r\n[Other]\r\n\"ProxyServer\"=\"keep:2\"";
}

TEST_F(SystemProxyTest, SetAndClearAskFirstAndChangeOnlyTheirTwoValues)
{
    const QByteArray original
        = richFile("\"ProxyEnable\"=dword:00000000\r\n", "\"proxyserver\" = \"old:1\"\r\n", "");
    ASSERT_TRUE(writeFile(path, original));
    FileRegistryStore store(path);
    messages.setDefaultAnswer(MessageBox::No);
    commands(store).setAsDefaultProxy();
    commands(store).clearProxySupport();
    EXPECT_EQ(readFile(path), original) << "answering No changes nothing";
    EXPECT_EQ(messages.shown()[0].title + '|' + messages.lastTitle(), "Set Proxy|Clear Proxy");

    messages.setDefaultAnswer(MessageBox::Yes);
    commands(store).setAsDefaultProxy();
    EXPECT_EQ(readFile(path),
        richFile("\"ProxyEnable\"=dword:00000001\r\n", "\"proxyserver\" = \"10.0.0.1:8080\"\r\n", ""));
    commands(store).clearProxySupport();
    EXPECT_EQ(
        readFile(path), richFile("\"ProxyEnable\"=dword:00000000\r\n", "\"proxyserver\" = \"\"\r\n", ""));
    EXPECT_EQ(messages.count(), 4) << messages.lastPrompt(); // the questions only
    EXPECT_EQ(applied, (Strings { "on 10.0.0.1:8080", "off" }));

    // Missing values are added after the key's last value, in the file's line ends.
    ASSERT_TRUE(writeFile(path, richFile("", "", "")));
    commands(store).setAsDefaultProxy();
    EXPECT_EQ(readFile(path),
        richFile("", "", "\"ProxyEnable\"=dword:00000001\r\n\"ProxyServer\"=\"10.0.0.1:8080\"\r\n"));

    for (const auto& [name, text] :
        { std::pair { "", "default value" }, std::pair { "AutoConfigURL", "http://wpad.example/proxy.pac" },
            std::pair { "Gr\xC3\xBC\xC3\x9F\x65", "Gr\xC3\xBC\xC3\x9F\x65 aus K\xC3\xB6ln \"q\"" } })
        EXPECT_EQ(store.value(kKey, name)->text, text);
    EXPECT_FALSE(store.value(kKey, "Big")) << "a dword out of range is not a number, but it stays";
    EXPECT_EQ(store.value("other", "ProxyServer")->text, "keep:2");
}

TEST(FileRegistryStore, ValuesKeepTheirTypesAndBytes)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath(u"a/b/store.reg"_s).toStdString();
    FileRegistryStore store(path);
    ASSERT_TRUE(Registry::SetRegDword(store, Registry::kHkeyCurrentUser, kKey, "ProxyEnable", 0xFFFFFFFFu));
    const std::string odd = "q\"uo\\te\r\n\t\xE9\x7F;[x]=dword:1 \xF0\x9F\x98\x80";
    ASSERT_TRUE(Registry::SetRegString(store, Registry::kHkeyCurrentUser, kKey, "Odd \"name\"", odd));
    ASSERT_TRUE(Registry::SetRegString(store, Registry::kHkeyCurrentUser, "Other\\Key", "ProxyEnable", "1"));
    ASSERT_TRUE(store.setDword(kKey, "proxyenable", 7)); // same value, other letter case
    EXPECT_FALSE(store.setDword("Bad]Key", "ProxyEnable", 1)) << "a ']' would end the key's header early";
    EXPECT_TRUE(readFile(path).contains("\\x7f;[x]=dword:1 \xF0\x9F\x98\x80\"")) << "well-formed UTF-8 stays readable";

    EXPECT_EQ(store.value(kKey, "ProxyEnable")->number, 7u);
    EXPECT_EQ(store.value(kKey, "Odd \"name\"")->text, odd);
    EXPECT_EQ(store.value("Other\\Key", "ProxyEnable")->text, "1");
    // A value that cannot be written into a key that is there: the store's words reach the caller.
    TextFileWriter::setStepHookForTesting([](TextFileWriter::Step at) { return at == TextFileWriter::Step::Write ? ENOSPC : 0; });
    std::string error;
    EXPECT_FALSE(Registry::SetRegDword(store, Registry::kHkeyCurrentUser, kKey, "ProxyEnable", 1, &error));
    TextFileWriter::setStepHookForTesting({});
    EXPECT_NE(error.find(std::strerror(ENOSPC)), std::string::npos) << error;

    // A folder where the file should be cannot be read, and is never replaced.
    ASSERT_TRUE(QDir().mkpath(dir.filePath(u"folder.reg"_s)));
    FileRegistryStore unreadable(dir.filePath(u"folder.reg"_s).toStdString());
    EXPECT_FALSE(unreadable.setDword(kKey, "ProxyEnable", 1) || unreadable.errorString().empty());
    EXPECT_TRUE(QFileInfo(dir.filePath(u"folder.reg"_s)).isDir());
    EXPECT_EQ(FileRegistryStore::defaultFilePath().rfind(g_folder + '/', 0), 0u)
        << FileRegistryStore::defaultFilePath();
}

// The real desktops, where their tools are installed, writing into the private folder: a SOCKS proxy
// empties the HTTP ones and the other way round; credentials reach GNOME's HTTP proxy and go with a
// proxy without them and with the switch-off.
TEST(DesktopBackends, FollowSetAndClear)
{
    std::string error;
    GnomeProxyBackend gnome;
    KdeProxyBackend kde;
    EXPECT_EQ(gnome.isAvailable(), QFile::exists(u"/usr/share/glib-2.0/schemas/org.gnome.system.proxy.gschema.xml"_s))
        << "the keyfile backend keeps what is written";
    const std::string kio = g_folder + "/kioslaverc";
    const DesktopProxy http { "10.0.0.1", 8080, false, Credentials { "us er", "p\xC3\xA4ss" } };
    const DesktopProxy socks { "10.0.0.2", 1080, true, Credentials { "u", "p" } };
    using Row = std::tuple<bool, DesktopProxy, std::string, std::string>; // enable, proxy, GNOME's, kioslaverc's
    for (const auto& [enable, proxy, gnomeNow, kdeNow] : std::vector<Row> {
             { true, http, "manual 10.0.0.1:8080 10.0.0.1:8080 :0 us er:p\xC3\xA4ss",
                 "ProxyType=1\nhttpProxy=http://10.0.0.1 8080\nhttpsProxy=http://10.0.0.1 8080\nsocksProxy=\n" },
             { true, socks, "manual :0 :0 10.0.0.2:1080 -",
                 "ProxyType=1\nhttpProxy=\nhttpsProxy=\nsocksProxy=socks://10.0.0.2 1080\n" },
             { true, http, "manual 10.0.0.1:8080 10.0.0.1:8080 :0 us er:p\xC3\xA4ss", "" },
             { false, http, "none 10.0.0.1:8080 10.0.0.1:8080 :0 -", "ProxyType=0\n" },
             { true, DesktopProxy { "10.0.0.3", 80, false, {} }, "manual 10.0.0.3:80 10.0.0.3:80 :0 -", "" } }) {
        if (gnome.isAvailable()) {
            ASSERT_TRUE(gnome.canApply(enable, proxy, &error) && gnome.apply(enable, proxy, &error)) << error;
            const GnomeProxyBackend::Settings now = GnomeProxyBackend::current();
            EXPECT_EQ(now.mode + ' ' + now.httpHost + ':' + std::to_string(now.httpPort) + ' ' + now.httpsHost + ':'
                    + std::to_string(now.httpsPort) + ' ' + now.socksHost + ':' + std::to_string(now.socksPort) + ' '
                    + (now.useAuthentication ? now.user + ':' + now.password : "-"),
                gnomeNow);
        }
        if (kde.isAvailable()) {
            ASSERT_TRUE(kde.canApply(enable, proxy, &error) && kde.apply(enable, proxy, &error)) << error;
            EXPECT_TRUE(readFile(kio).contains(QByteArray::fromStdString(kdeNow))) << readFile(kio).toStdString();
        }
    }
    const auto window = SystemProxyCommands::desktopBackends(); // what the window follows
    EXPECT_EQ(window.size() == 2 ? window[0]->name() + ' ' + window[1]->name() : "", "GNOME KDE");
    EXPECT_FALSE(gnome.canApply(true, DesktopProxy { "10.0.0.1", 80, false, Credentials { "u", "\xE4" } }, &error));
    EXPECT_EQ(error, gnome.isAvailable() ? "the user name or password is not UTF-8 text" : gnome.missing());

    // A tool that cannot start, or that fails, stops the change; the error names it.
    QTemporaryDir bin;
    const std::string tool = bin.filePath(u"kwriteconfig6"_s).toStdString();
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()) + ':' + path);
    for (const auto& [script, says] : { std::pair { "#!/no/such/shell\n", tool + ": " },
             std::pair { "#!/bin/sh\necho locked; exit 3\n", tool + " failed: locked" } }) {
        ASSERT_TRUE(writeFile(tool, script));
        QFile(QString::fromStdString(tool)).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        error.clear();
        EXPECT_FALSE(KdeProxyBackend().apply(true, http, &error));
        EXPECT_EQ(error.substr(0, says.size()), says);
    }
    qputenv("PATH", path);
}

} // namespace
} // namespace qv
