#pragma once

#include <QObject>
#include <memory>
#include <string>
#include <vector>

#include "lists/FoundProxyHost.h"
#include "lists/FoundProxyOperations.h"
#include "lists/JudgeEditorLauncher.h"
#include "platform/RegistryStore.h"
#include "sysproxy/DesktopProxyBackend.h"
#include "sysproxy/SystemProxyCommands.h"

namespace qv {

class MainWindow;

// Connects the main window's list commands, popup menu, system-proxy entries and Edit button to
// the operations behind them. Lives as long as the window.
class ListWiring final : public QObject, private FoundProxyHost
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListWiring)

public:
    // The user's settings store, the desktops found here and the judge list the program reads.
    explicit ListWiring(MainWindow& window);
    // An empty judgeScriptsPath means the judge list the program reads (see JudgeListPaths).
    ListWiring(MainWindow& window, std::unique_ptr<RegistryStore> store,
        std::vector<std::unique_ptr<DesktopProxyBackend>> backends, std::string judgeScriptsPath);
    ~ListWiring() override;

    FoundProxyOperations& operations() { return m_operations; }
    SystemProxyCommands& systemProxy() { return m_systemProxy; }
    JudgeEditorLauncher& judgeEditor() { return *m_judgeEditor; }

private:
    void setPanelCaption(int panel, const std::string& text) override;
    void showPopupMenu() override;
    void showPopupMenuAtSelection() override;

    MainWindow& m_window;
    std::unique_ptr<RegistryStore> m_store;
    FoundProxyOperations m_operations;
    SystemProxyCommands m_systemProxy;
    std::unique_ptr<JudgeEditorLauncher> m_judgeEditor;
};

} // namespace qv
