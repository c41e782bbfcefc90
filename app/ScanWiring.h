#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <array>
#include <optional>
#include <string>

#include "engine/ProxyLoader.h"
#include "engine/ScanEngine.h"
#include "engine/ScanView.h"

namespace qv {

class MainWindow;

// Connects the scan engine to the main window: the run commands of the toolbar, the slider, and
// the window's controls as the engine's view. Lives no longer than the window.
class ScanWiring final : public QObject, private ScanView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScanWiring)

public:
    explicit ScanWiring(MainWindow& window);
    ~ScanWiring() override;

    ScanEngine& engine() { return m_engine; }
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

    MainWindow& m_window;
    ScanEngine m_engine;
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
