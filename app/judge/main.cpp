// quorvane-judge: the judge page a checker fetches through each proxy, served by the user.
#include <csignal>
#include <iostream>
#include <sys/resource.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include "app/judge/JudgeOptions.h"
#include "app/judge/JudgeServer.h"
#include "generated/Version.h"

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    const std::optional<qv::JudgeOptions> options = qv::JudgeOptions::parse(args, error);
    if (!options) {
        std::cerr << "quorvane-judge: " << error << " (see --help)\n";
        return 2;
    }
    if (options->help) {
        std::cout << qv::JudgeOptions::kUsage << "\n\n" << qv::JudgeOptions::kHelp << '\n';
        return 0;
    }
    if (options->version) {
        std::cout << "quorvane-judge " << qv::kVersion << "\n";
        return 0;
    }

    // Each connection is a descriptor: make room for all of them if the hard limit allows.
    rlimit files {};
    const rlim_t wanted = static_cast<rlim_t>(options->maxConnections) * (options->tlsListen ? 2 : 1) + 64;
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < wanted) {
        files.rlim_cur = std::min(wanted, files.rlim_max);
        setrlimit(RLIMIT_NOFILE, &files);
    }

    // SIGTERM and SIGINT arrive as a readable descriptor, so the loop ends between two requests.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    const int stopFd = signalfd(-1, &stopSignals, SFD_CLOEXEC);
    if (stopFd < 0) {
        std::cerr << "quorvane-judge: cannot watch for signals\n";
        return 1;
    }

    {
        // Its connections still open are logged as they close, before the last line.
        qv::JudgeServer server(*options);
        if (!server.start(error)) {
            std::cerr << "quorvane-judge: " << error << "\n";
            return 1;
        }
        std::cerr << "quorvane-judge: listening on " << server.boundAddress() << ", path " << options->path
                  << '\n';
        if (options->tlsListen)
            std::cerr << "quorvane-judge: listening for TLS on " << server.boundAddress(true) << ", path "
                      << options->path << '\n';
        server.run(stopFd);
    }
    std::cerr << "quorvane-judge: stopped" << std::endl;
    close(stopFd);
    return 0;
}
