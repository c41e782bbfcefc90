// The main window scanning a list, as the user would: Start clicked, time until the scan has
// ended, and how long the event loop was ever kept from running (the window's responsiveness).
//
//   qv_window_bench LIST --sockets N --judge URL [--result FILE]
//
// Reports on standard error and writes the seconds from Start to the end, the longest event-loop
// gap in ms, the CPU seconds of the scan and the most CPU ms within one gap to FILE; exit status 0
// when every entry was found.
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>

#include "app/MainWindow.h"
#include "app/ScanWiring.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString list;
    int sockets = 100;
    std::string judge = "http://judge.bench/azenv.php";
    QString result;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == u"--sockets" && i + 1 < args.size())
            sockets = args[++i].toInt();
        else if (args[i] == u"--judge" && i + 1 < args.size())
            judge = args[++i].toStdString();
        else if (args[i] == u"--result" && i + 1 < args.size())
            result = args[++i];
        else
            list = args[i];
    }

    qv::MainWindow window;
    qv::ScanWiring wiring(window);
    window.show();
    window.combo1().clear();
    window.combo1().addItem(judge);
    window.combo1().setSelectedIndex(0);
    window.Slider1()->setValue(sockets);
    QElapsedTimer loadClock;
    loadClock.start();
    wiring.loader().loadFile(list.toStdString());
    const qint64 loadMs = loadClock.elapsed();
    const int entries = window.List1().count();

    // Ticks every 10 ms; the largest gap between two ticks is the longest the window was frozen.
    // On a busy machine a gap may also be time the process was not running at all, so the CPU time
    // spent between two ticks is kept too: the longest the program itself held the loop.
    const auto cpuMs = [] {
        timespec now {};
        ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
        return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
    };
    QElapsedTimer probeClock;
    qint64 lastTick = 0;
    qint64 worstGap = 0;
    double lastCpu = 0;
    double worstCpuGap = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, &app, [&] {
        const qint64 now = probeClock.elapsed();
        const double cpu = cpuMs();
        worstGap = std::max(worstGap, now - lastTick);
        worstCpuGap = std::max(worstCpuGap, cpu - lastCpu);
        lastTick = now;
        lastCpu = cpu;
    });

    // CPU time of the scan alone, without start-up and loading, to set beside the reference checker's.
    const auto cpuSeconds = [] {
        rusage usage {};
        ::getrusage(RUSAGE_SELF, &usage);
        return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
            + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    };
    double cpuAtStart = 0;
    double scanCpu = 0;
    qv::ScanPresenter::Hooks hooks;
    hooks.scanEnded = [&] {
        scanCpu = cpuSeconds() - cpuAtStart;
        QCoreApplication::exit(0);
    };
    wiring.scan().setHooks(hooks);
    QElapsedTimer clock;
    QTimer::singleShot(0, &app, [&] {
        probeClock.start();
        lastCpu = cpuMs();
        probe.start(10);
        clock.start();
        cpuAtStart = cpuSeconds();
        window.toolbarButton(1)->click();
    });
    app.exec();
    const double seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    const int found = window.listView1().rowCount();
    std::fprintf(stderr,
        "window, %d sockets: %d entries loaded in %lld ms; Start to \"%s\" in %.2f s (%.0f checks/s),"
        " %d found, longest event-loop gap %lld ms (%.0f ms of CPU), scan CPU %.0f us per check\n",
        sockets, entries, static_cast<long long>(loadMs),
        window.StatusBar1()->PanelCaption(1).toLatin1().constData(), seconds, entries / seconds, found,
        static_cast<long long>(worstGap), worstCpuGap, scanCpu * 1e6 / std::max(entries, 1));
    if (!result.isEmpty()) {
        if (std::FILE* file = std::fopen(result.toLocal8Bit().constData(), "w")) {
            std::fprintf(
                file, "%.6f %lld %.6f %.1f\n", seconds, static_cast<long long>(worstGap), scanCpu, worstCpuGap);
            std::fclose(file);
        }
    }
    return found == entries ? 0 : 1;
}
