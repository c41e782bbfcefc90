// Scans over real loopback sockets, on the epoll loop inside Qt's as the window runs them, against
// proxies and a name server served by the test. Every wait is bounded.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <gtest/gtest.h>

#include "engine/FakeScanView.h"
#include "engine/LoopbackServers.h"
#include "platform/QtEpollEventLoop.h"

namespace qv {
namespace {

using test::LoopbackProxy;
using Mode = LoopbackProxy::Mode;

class Loopback : public testing::Test, public test::ScanRig<QtEpollEventLoop> {
protected:
    void add(const std::string& host, quint16 port) { list1.addItem(host + ":" + std::to_string(port)); }
    // Runs the scan to its end; false when it had not ended within a minute.
    bool scan()
    {
        presenter.start();
        for (QDeadlineTimer bound(60000); engine.isRunning() && !bound.hasExpired();)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        return !engine.isRunning();
    }
};

// Each kind of proxy with the level it is found with ("" when it fails). A reset after the page
// (at once, 200 ms later, or the kernel's reset for an unread request end) does not lose it.
TEST_F(Loopback, EveryKindOfProxyIsJudgedOnItsWholeAnswer)
{
    const std::pair<Mode, std::string> kinds[] = { { Mode::Working, "2" }, { Mode::Failing, "" }, { Mode::Never, "" },
        { Mode::PageThenReset, "6" }, { Mode::PageThenLateReset, "7" }, { Mode::ReadsToBlankLine, "8" },
        { Mode::ResetBeforeAnswer, "" } };
    std::vector<std::unique_ptr<LoopbackProxy>> proxies;
    std::vector<std::string> expected;
    for (const auto& [mode, level] : kinds) {
        proxies.push_back(std::make_unique<LoopbackProxy>(mode, level.empty() ? "3" : level));
        add("127.0.0.1", proxies.back()->port());
        if (!level.empty())
            expected.push_back("127.0.0.1:" + std::to_string(proxies.back()->port()) + "/" + level);
    }
    add("127.0.0.1", test::freePort());
    view.slider = 3;
    view.timeout = "1500";
    view.judge = "http://judge.test/azenv.php";
    ASSERT_TRUE(scan());
    std::vector<std::string> rows = foundRows();
    std::ranges::sort(rows);
    std::ranges::sort(expected);
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(list2.count(), static_cast<int>(expected.size()));
    for (const auto& proxy : proxies)
        EXPECT_EQ(proxy->requests(), 1);
    EXPECT_EQ(proxies[5]->lastRequest(), "GET http://judge.test/azenv.php HTTP/1.0\r\n\r\n");
    EXPECT_EQ(proxies[0]->lastRequest(), "GET http://judge.test/azenv.php HTTP/1.0\r\n\r\n\r\n");
    EXPECT_EQ(view.panel(2), "Good: " + std::to_string(expected.size()));
    EXPECT_TRUE(view.idle());
}

// Every name is looked up at once, and once per scan (the next asks again): 100 names that take a
// second each all fit in a 3000 ms timeout, and the entries that name them again share the answer.
// Names whose server never answers cost their own checks one timeout and hold up nothing else.
TEST_F(Loopback, SlowAndSilentNameServers)
{
    LoopbackProxy working(Mode::Working, "1");
    {
        test::LoopbackNameServer names(1000);
        loop.epoll().setNameServers(names.address());
        for (int i = 0; i < 200; ++i)
            add("p" + std::to_string(i % 100) + ".test", working.port());
        view.slider = 100;
        view.timeout = "3000";
        ASSERT_TRUE(scan());
        EXPECT_EQ(found.rowCount(), 200);
        for (int i = 0; i < 100; ++i)
            EXPECT_EQ(names.questions("p" + std::to_string(i) + ".test"), 1) << i;
    }
    test::LoopbackNameServer names;
    loop.epoll().setNameServers(names.address());
    for (int i = 0; i < 16; ++i)
        add((i % 4 == 0 ? "never" : "p") + std::to_string(i) + ".test", working.port());
    view.slider = 4;
    view.timeout = "1500";
    ASSERT_TRUE(scan());
    EXPECT_EQ(found.rowCount(), 200 + 12);
    EXPECT_EQ(names.questions("p1.test"), 1) << "a name of the last scan is asked again";
}

} // namespace
} // namespace qv
