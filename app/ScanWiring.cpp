#include "app/ScanWiring.h"

#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QSlider>

#include <utility>

#include "app/MainWindow.h"

namespace qv {

namespace {
// About 30 pictures a second: a counter changing faster cannot be read anyway.
constexpr int kCaptionIntervalMs = 33;

QString fromBytes(const std::string& text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}
} // namespace

ScanWiring::ScanWiring(MainWindow& window)
    : m_window(window)
    , m_scan(window.eventLoop(), *this, window.List1(), window.List2(), window.listView1())
    , m_loader(window.eventLoop(), *this, window.List1(), m_scan.engine())
{
    m_clock.start();
    m_captionTimer.setSingleShot(true);
    connect(&m_captionTimer, &QTimer::timeout, this, &ScanWiring::flushCaptions);
    connect(&window, &MainWindow::toolbarButtonClicked, this, &ScanWiring::buttonClick);
    connect(&window, &MainWindow::socketsSliderMoved, this, [this] { m_scan.sliderScroll(); });
    connect(&window, &MainWindow::unloading, this, [this] {
        m_loader.cancel();
        m_scan.shutdown();
    });
}

ScanWiring::~ScanWiring()
{
    m_scan.shutdown();
}

void ScanWiring::buttonClick(const QString& caption)
{
    if (m_window.isUnloading())
        return;
    m_direct = true;
    const auto direct = qScopeGuard([this] { m_direct = false; });
    if (caption == u"Start")
        m_scan.start();
    else if (caption == u"Stop")
        m_scan.stop();
    else if (caption == u"Load Proxies")
        m_loader.loadProxies(m_window.CommonDialog1());
}

void ScanWiring::setPanelCaption(int panel, const std::string& text)
{
    // A scan's callbacks write three captions per check, and each write measures its text and
    // repaints the status bar. A panel shows such a write at once when its last one is at least
    // kCaptionIntervalMs old; a later write waits until then and replaces any still waiting, so only
    // the latest is measured. What a click writes, and every write when no scan runs, is shown at once.
    if (m_direct || !m_scan.isRunning() || panel < 1 || panel >= static_cast<int>(m_captions.size())) {
        flushCaptions();
        m_window.StatusBar1()->setPanelCaption(panel, fromBytes(text));
        return;
    }
    Caption& caption = m_captions[static_cast<std::size_t>(panel)];
    const qint64 now = m_clock.elapsed();
    if (caption.shownAtMs < 0 || now - caption.shownAtMs >= kCaptionIntervalMs) {
        caption.pending.reset();
        caption.shownAtMs = now;
        m_window.StatusBar1()->setPanelCaption(panel, fromBytes(text));
        return;
    }
    caption.pending = text;
    if (!m_captionTimer.isActive())
        m_captionTimer.start(static_cast<int>(kCaptionIntervalMs - (now - caption.shownAtMs)));
}

void ScanWiring::flushCaptions()
{
    m_captionTimer.stop();
    const qint64 now = m_clock.elapsed();
    for (std::size_t panel = 1; panel < m_captions.size(); ++panel) {
        Caption& caption = m_captions[panel];
        if (std::optional<std::string> text = std::exchange(caption.pending, std::nullopt)) {
            caption.shownAtMs = now;
            m_window.StatusBar1()->setPanelCaption(static_cast<int>(panel), fromBytes(*text));
        }
    }
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

void ScanWiring::showMessage(const std::string& text)
{
    // From the loop's next turn: a modal box opened inside the scan's handler would run the scan's
    // events inside that handler.
    QTimer::singleShot(0, this, [this, text = fromBytes(text).toStdString()] {
        if (!m_window.isUnloading())
            m_window.messageBox().show(text, MessageBox::OkOnly | MessageBox::Exclamation, "Scan");
    });
}

} // namespace qv
