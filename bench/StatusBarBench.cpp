// Cost of the status bar's caption writes as a scan makes them (three per checked proxy), on the
// main window's bar: same-width texts take the partial pass, others the full one.
#include <QApplication>
#include <QFontDatabase>
#include <QWidget>
#include <cstdio>
#include <ctime>

#include "controls/statusbar/PanelStatusBar.h"

using namespace Qt::StringLiterals;

namespace {

qv::PanelStatusBar* mainWindowBar(QWidget* window)
{
    QFontDatabase::addApplicationFont(u"/usr/share/wine/fonts/tahoma.ttf"_s);
    QFont font(u"Tahoma"_s);
    font.setPointSizeF(8.25);
    auto* bar = new qv::PanelStatusBar(window);
    bar->setGeometry(0, 292, 424, 18);
    bar->setFont(font);
    bar->setBackColor(qv::rgb(230, 231, 235));
    bar->setApperance(1);
    bar->setShowGripper(false);
    int i = 0;
    for (int width : { 185, 120, 120 }) {
        ++i;
        bar->AddPanel(width, QString(), QString(), true, qv::AutoSizeMode::NoAutoSize);
        bar->setMinWidth(i, width);
    }
    return bar;
}

// Thread CPU time: the machine may be busy with other work while this runs.
double cpuMicroseconds()
{
    timespec ts {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

template <typename Step> void measure(const char* name, int writes, Step step)
{
    const double start = cpuMicroseconds();
    for (int n = 0; n < writes; ++n) {
        step(n);
        // Let queued paints run now and then, as the event loop does between socket events.
        if (n % 64 == 0)
            QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    const double us = (cpuMicroseconds() - start) / writes;
    std::printf("%-44s %8.2f us CPU per step\n", name, us);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(424, 310);
    qv::PanelStatusBar* bar = mainWindowBar(&window);
    window.show();
    QCoreApplication::processEvents();

    constexpr int kWrites = 30000;
    // Same digit count: the same measured width, so partial passes.
    measure("checking text, same width (partial pass)", kWrites, [&](int n) {
        bar->setPanelCaption(1, u"Status: Checking 10.0.%1.%2:8080"_s.arg(100 + n % 100).arg(100 + n % 7));
    });
    measure("found count 1000-9999 (partial pass)", kWrites,
        [&](int n) { bar->setPanelCaption(2, u"Found: "_s + QString::number(1000 + n % 9000)); });
    // Alternating widths force full passes.
    measure("width changing every write (full pass)", kWrites,
        [&](int n) { bar->setPanelCaption(3, u"Loaded: "_s + QString::number(n % 2 ? 7 : 70000)); });
    measure("one checked proxy (three writes)", kWrites / 3, [&](int n) {
        bar->setPanelCaption(1, u"Status: Checking 10.0.0.%1:3128"_s.arg(n % 10));
        bar->setPanelCaption(2, u"Found: "_s + QString::number(n / 3));
        bar->setPanelCaption(3, u"Loaded: "_s + QString::number(100000 - n));
    });
    std::printf("passes: %llu full, %llu partial\n", static_cast<unsigned long long>(bar->fullPasses()),
        static_cast<unsigned long long>(bar->partialPasses()));
    return 0;
}
