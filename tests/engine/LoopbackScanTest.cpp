// Scans over real loopback sockets, on the epoll loop inside Qt's as the window runs them, against
// a proxy and a name server served by the test. Every wait is bounded.
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
    // Runs a scan to its end; false when it had not ended within a minute.
    bool scan(int sockets, const char* timeout)
    {
        view.slider = sockets;
        view.timeout = timeout;
        presenter.start();
        for (QDeadlineTimer bound(60000); engine.isRunning() && !bound.hasExpired();)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        return !engine.isRunning();
    }
};

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
        ASSERT_TRUE(scan(100, "3000"));
        EXPECT_EQ(found.rowCount(), 200);
        for (int i = 0; i < 100; ++i)
            EXPECT_EQ(names.questions("p" + std::to_string(i) + ".test"), 1) << i;
    }
    test::LoopbackNameServer names;
    loop.epoll().setNameServers(names.address());
    for (int i = 0; i < 16; ++i)
        add((i % 4 == 0 ? "never" : "p") + std::to_string(i) + ".test", working.port());
    ASSERT_TRUE(scan(4, "1500"));
    EXPECT_EQ(found.rowCount(), 200 + 12);
    EXPECT_EQ(names.questions("p1.test"), 1) << "a name of the last scan is asked again";
}

} // namespace
} // namespace qv
