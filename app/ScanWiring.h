#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <array>
#include <optional>
#include <string>

#include "app/ProxyLoader.h"
#include "app/ScanPresenter.h"
#include "app/ScanView.h"

namespace qv {

class MainWindow;

// Connects the scan to the main window: the run commands of the toolbar, the slider, and the
// window's controls as the scan's view. Lives no longer than the window.
class ScanWiring final : public QObject, private ScanView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScanWiring)

public:
    explicit ScanWiring(MainWindow& window);
    ~ScanWiring() override;

    ScanPresenter& scan() { return m_scan; }
    ScanEngine& engine() { return m_scan.engine(); }
    ProxyLoader& loader() { return m_loader; }

private:
    void buttonClick(const QString& caption);
    // Shows the captions kept since the last pass of the event loop.
    void flushCaptions();

    // ScanView
    void setPanelCaption(int panel, const std::string& text) override;
    bool isButtonEnabled(int index) const override;
    void setButtonEnabled(int index, bool enabled) override;
    int sliderValue() const override;
    std::string timeoutText() const override;
    std::string judgeText() const override;
    void setSocketsCaption(const std::string& text) override;
    void showMessage(const std::string& text) override;

    MainWindow& m_window;
    ScanPresenter m_scan;
    ProxyLoader m_loader;
    // Captions written from the scan's callbacks, by panel (1-3): the one waiting to be shown, and
    // when that panel last showed one.
    struct Caption {
        std::optional<std::string> pending;
        qint64 shownAtMs = -1;
    };
    std::array<Caption, 4> m_captions;
    QElapsedTimer m_clock;
    QTimer m_captionTimer;
    // True while a click is handled: what it writes is shown at once.
    bool m_direct = false;
};

} // namespace qv
