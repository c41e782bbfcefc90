#include <QApplication>
#include <cstdio>

#include "app/MainWindow.h"
#include "app/ListWiring.h"
#include "app/ScanWiring.h"

int main(int argc, char** argv)
{
    // Without a display Qt would abort with a message about its platform plugin; say what to do.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fputs(
            "quorvane needs a graphical display; without one, run it as: xvfb-run -a quorvane\n", stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    QApplication::setDesktopFileName(QStringLiteral("org.quorvane.Quorvane"));

    qv::MainWindow window;
    qv::ListWiring listWiring(window);
    qv::ScanWiring scan(window);
    QApplication::setWindowIcon(window.windowIcon());
    window.show();
    return QApplication::exec();
}
