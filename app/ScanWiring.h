#pragma once

#include <QObject>

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
};

} // namespace qv
