// quorvane-check: the scan engine without a window, for servers, scripts and benchmarks.
#include <QCoreApplication>
#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

#include "app/check/CheckOptions.h"
#include "app/check/CheckRunner.h"
#include "app/check/FdOutput.h"
#include "app/check/OpenFilesLimit.h"
#include "app/check/StopSignals.h"
#include "platform/EpollEventLoop.h"

namespace {
bool sameTerminal(int a, int b)
{
    struct stat first {}, second {};
    return ::isatty(a) == 1 && ::fstat(a, &first) == 0 && ::fstat(b, &second) == 0 && first.st_rdev == second.st_rdev;
}
} // namespace

int main(int argc, char** argv)
{
    // Qt is here only for its file, text and JSON helpers; the scan runs on the plain epoll loop.
    QCoreApplication app(argc, argv);
    std::ios::sync_with_stdio(false);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    std::string error;
    const std::optional<qv::CheckOptions> options = qv::CheckOptions::parse(args, error);
    if (!options) {
        std::cerr << "quorvane-check: " << error << " (" << qv::CheckOptions::kUsage << ")\n";
        return 2;
    }
    if (options->help || options->version) {
        std::cout << (options->help ? qv::CheckOptions::helpText() : qv::CheckOptions::versionText()) << '\n';
        return 0;
    }
    // Each socket is an open file: take all the process may have, and refuse what still does not fit.
    const long limit = qv::OpenFilesLimit::raise();
    const long room = qv::OpenFilesLimit::socketsThatFit(limit);
    if (options->sockets > room) {
        std::cerr << "quorvane-check: --sockets " << options->sockets << " does not fit the open-files limit of "
                  << limit << " (at most " << std::max(room, 0L) << " sockets; see ulimit -n)\n";
        return 2;
    }
    qv::EpollEventLoop loop;
    // For tests, which answer host names from a name server of their own on loopback.
    if (const char* servers = std::getenv("QV_NAME_SERVERS"))
        loop.setNameServers(servers);
    // Results go straight to the descriptor, so that a failed write is seen (and stops the scan).
    qv::FdOutput results(STDOUT_FILENO);
    std::ostream out(&results);
    qv::CheckRunner runner(loop, out, std::cerr);
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    runner.setTerminal(terminal);
    results.onError = [&runner](int error) { runner.outputFailed("standard output", error); };
    if (terminal && sameTerminal(STDOUT_FILENO, STDERR_FILENO)) {
        // Results written under the progress line would be glued to it.
        results.beforeWrite = [&runner] { runner.hideProgress(); };
        results.afterWrite = [&runner] { runner.redrawProgress(); };
    }
    runner.onFinished = [&loop] { loop.quit(); };
    // Ctrl-C, SIGTERM and SIGHUP stop the scan as Stop does and keep every find.
    qv::StopSignals::install();
    const std::unique_ptr<qv::Timer> stopWatch = loop.createTimer();
    stopWatch->setInterval(50);
    stopWatch->setOnTick([&] {
        if (const int caught = qv::StopSignals::caught()) {
            stopWatch->setEnabled(false);
            runner.interrupt(caught);
        }
    });
    stopWatch->setEnabled(true);
    const int early = runner.begin(*options);
    if (early >= 0) {
        out.flush();
        return early == 0 && results.error() != 0 ? qv::CheckRunner::kOutputFailed : early;
    }
    loop.run();
    const int status = runner.finish();
    out.flush();
    return status;
}
