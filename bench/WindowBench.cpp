// The main window scanning a list, as the user would: Start clicked, time until the scan has
// ended, and how long the event loop was ever kept from running (the window's responsiveness).
//
//   qv_window_bench LIST --sockets N --judge URL [--result FILE]
//
// Reports on standard error and writes the seconds from Start to the end to FILE; exit status 0
// when every entry was found.
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <cstdio>

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
    QElapsedTimer probeClock;
    qint64 lastTick = 0;
    qint64 worstGap = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, &app, [&] {
        const qint64 now = probeClock.elapsed();
        worstGap = std::max(worstGap, now - lastTick);
        lastTick = now;
    });

    qv::ScanEngine::Hooks hooks;
    hooks.scanEnded = [] { QCoreApplication::exit(0); };
    wiring.engine().setHooks(hooks);
    QElapsedTimer clock;
    QTimer::singleShot(0, &app, [&] {
        probeClock.start();
        probe.start(10);
        clock.start();
        window.toolbarButton(1)->click();
    });
    app.exec();
    const double seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    const int found = window.listView1().rowCount();
    std::fprintf(stderr,
        "window, %d sockets: %d entries loaded in %lld ms; Start to \"%s\" in %.2f s (%.0f checks/s),"
        " %d found, longest event-loop gap %lld ms\n",
        sockets, entries, static_cast<long long>(loadMs),
        window.StatusBar1()->PanelCaption(1).toLatin1().constData(), seconds, entries / seconds, found,
        static_cast<long long>(worstGap));
    if (!result.isEmpty()) {
        if (std::FILE* file = std::fopen(result.toLocal8Bit().constData(), "w")) {
            std::fprintf(file, "%.6f %lld\n", seconds, static_cast<long long>(worstGap));
            std::fclose(file);
        }
    }
    return found == entries ? 0 : 1;
}
