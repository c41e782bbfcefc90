#include "app/ListWiring.h"

#include <QCursor>
#include <QMenu>
#include <QTreeView>

#include "app/MainWindow.h"
#include "platform/FileRegistryStore.h"

namespace qv {

ListWiring::ListWiring(MainWindow& window)
    : ListWiring(window, std::make_unique<FileRegistryStore>(), SystemProxyCommands::desktopBackends(), {})
{
}

ListWiring::ListWiring(MainWindow& window, std::unique_ptr<RegistryStore> store,
    std::vector<std::unique_ptr<DesktopProxyBackend>> backends, std::string judgeScriptsPath)
    : QObject(&window)
    , m_window(window)
    , m_store(std::move(store))
    , m_operations(window.List1(), window.List2(), window.listView1(), window.clipboard(),
          window.CommonDialog1(), window.messageBox(), *this)
    , m_systemProxy(window.listView1(), window.messageBox(), *m_store, std::move(backends))
    , m_judgeEditor(std::make_unique<JudgeEditorLauncher>(std::move(judgeScriptsPath)))
{
    connect(&window, &MainWindow::toolbarMenuClicked, this,
        [this](const QString& key) { m_operations.buttonMenuClick(key.toLatin1().toStdString()); });
    connect(&window, &MainWindow::foundColumnClicked, this,
        [this](int column) { m_operations.columnClick(column); });
    connect(&window, &MainWindow::foundMouseDown, this,
        [this](int button, int shift, int x, int y) { m_operations.mouseDown(button, shift, x, y); });
    connect(&window, &MainWindow::copyProxyClicked, this, [this] { m_operations.copyProxy(); });
    connect(&window, &MainWindow::foundMenuKey, this, [this] { m_operations.menuKey(); });
    connect(&window, &MainWindow::foundListClicked, this, [this] { m_operations.list2Click(); });
    connect(&window, &MainWindow::setDefaultProxyClicked, this, [this] { m_systemProxy.setAsDefaultProxy(); });
    connect(&window, &MainWindow::clearProxyClicked, this, [this] { m_systemProxy.clearProxySupport(); });
    connect(&window, &MainWindow::editJudgesClicked, this, [this] { m_judgeEditor->show(); });
    // The editor has no owner, so it does not go with the window by itself.
    connect(&window, &MainWindow::unloading, this, [this] { m_judgeEditor->closeEditor(); });
}

ListWiring::~ListWiring() = default;

void ListWiring::setPanelCaption(int panel, const std::string& text)
{
    m_window.StatusBar1()->setPanelCaption(
        panel, QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

void ListWiring::showPopupMenu()
{
    m_window.mnuFile()->popup(QCursor::pos());
}

void ListWiring::showPopupMenuAtSelection()
{
    QTreeView* view = m_window.ListView1();
    const QModelIndex cell = view->model()->index(m_window.listView1().selectedRow(), 1);
    view->scrollTo(cell);
    m_window.mnuFile()->popup(view->viewport()->mapToGlobal(view->visualRect(cell).bottomLeft()));
}

} // namespace qv
