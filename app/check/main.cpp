// quorvane-check: the scan engine without a window, for servers, scripts and benchmarks.
#include <QCoreApplication>
#include <iostream>

#include "app/check/CheckOptions.h"
#include "app/check/CheckRunner.h"
#include "platform/QtEventLoop.h"

int main(int argc, char** argv)
{
    // Qt's own dispatcher: cheaper than the GLib one for many short-lived sockets, and there is
    // no desktop loop to share here.
    if (qEnvironmentVariableIsEmpty("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
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
    qv::QtEventLoop loop;
    qv::CheckRunner runner(loop, std::cout, std::cerr);
    runner.onFinished = [&app] { QCoreApplication::exit(0); };
    const int early = runner.begin(*options);
    if (early >= 0)
        return early;
    app.exec();
    return runner.finish();
}
