#include "app/ScanWiring.h"

#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include "app/MainWindow.h"

namespace qv {

namespace {
QString fromBytes(const std::string& text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}
} // namespace

ScanWiring::ScanWiring(MainWindow& window)
    : m_window(window)
    , m_engine(window.eventLoop(), *this, window.List1(), window.List2(), window.listView1())
    , m_loader(window.eventLoop(), *this, window.List1(), m_engine)
{
    connect(&window, &MainWindow::toolbarButtonClicked, this, &ScanWiring::buttonClick);
    connect(&window, &MainWindow::socketsSliderMoved, this, [this] { m_engine.sliderScroll(); });
    connect(&window, &MainWindow::unloading, this, [this] {
        m_loader.cancel();
        m_engine.shutdown();
    });
}

ScanWiring::~ScanWiring()
{
    m_engine.shutdown();
}

void ScanWiring::buttonClick(const QString& caption)
{
    if (m_window.isUnloading())
        return;
    if (caption == u"Start")
        m_engine.start();
    else if (caption == u"Stop")
        m_engine.stop();
    else if (caption == u"Load Proxies")
        m_loader.loadProxies(m_window.CommonDialog1());
}

void ScanWiring::setPanelCaption(int panel, const std::string& text)
{
    // The status bar only stores the text and schedules a repaint, so a scan may write often.
    m_window.StatusBar1()->setPanelCaption(panel, fromBytes(text));
}

bool ScanWiring::isButtonEnabled(int index) const
{
    return m_window.buttonEnabled(index);
}

void ScanWiring::setButtonEnabled(int index, bool enabled)
{
    m_window.setButtonEnabled(index, enabled);
}

int ScanWiring::sliderValue() const
{
    return m_window.Slider1()->value();
}

std::string ScanWiring::timeoutText() const
{
    return m_window.TxtTimeout()->text().toLatin1().toStdString();
}

std::string ScanWiring::judgeText() const
{
    return m_window.combo1().text();
}

void ScanWiring::setSocketsCaption(const std::string& text)
{
    m_window.Label3()->setText(fromBytes(text));
}

} // namespace qv
