// quorvane-check: the scan engine without a window, for servers, scripts and benchmarks.
#include <QCoreApplication>
#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <unistd.h>

#include "app/check/CheckOptions.h"
#include "app/check/CheckRunner.h"
#include "app/check/OpenFilesLimit.h"
#include "platform/EpollEventLoop.h"

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
    if (options->help) {
        std::cout << qv::CheckOptions::kUsage << '\n';
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
    qv::CheckRunner runner(loop, std::cout, std::cerr);
    runner.setTerminal(::isatty(STDERR_FILENO) == 1);
    runner.onFinished = [&loop] { loop.quit(); };
    const int early = runner.begin(*options);
    if (early >= 0)
        return early;
    loop.run();
    return runner.finish();
}
