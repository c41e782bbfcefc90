#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>
#include <memory>
#include <vector>

#include "app/ListViewWidget.h"
#include "controls/button/StyleButton.h"
#include "controls/statusbar/PanelStatusBar.h"
#include "platform/Clipboard.h"
#include "platform/EventLoop.h"
#include "platform/FileDialog.h"
#include "platform/MemoryListBox.h"
#include "platform/MessageBox.h"
#include "platform/TcpSocket.h"
#include "platform/Timer.h"
#include "platform/gui/ComboListBox.h"
#include "platform/gui/TreeListView.h"

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QShortcut;
class QSlider;
class QToolButton;

namespace qv {

// The main window: every control, list and setting of the program. The window itself only builds
// them and runs start-up and shut-down; the scan engine and the list commands hook into its
// signals and drive the controls through the accessors.
class MainWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    // The stand-ins are replaced by the owner-drawn controls behind the same member names.
    using StatusBarControl = PanelStatusBar;
    using EditButtonControl = StyleButton;

    // Platform services; any left empty gets its Qt implementation (the event loop: epoll inside Qt's).
    struct Services
    {
        std::unique_ptr<EventLoop> eventLoop;
        std::unique_ptr<Clipboard> clipboard;
        std::unique_ptr<MessageBox> messageBox;
        std::unique_ptr<FileDialog> fileDialog;
    };

    static constexpr int kClientWidth = 424;
    static constexpr int kClientHeight = 310;
    static constexpr int kToolbarButtons = 6;
    static constexpr int kImages = 7;
    static constexpr int kMaxSockets = 100;

    explicit MainWindow(Services services = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Design coordinates are twips; the window is laid out at 15 twips per pixel.
    static constexpr int twips(int value) { return value / 15; }

    // Data stores that are never shown.
    MemoryListBox& List1() { return m_list1; }
    MemoryListBox& List2() { return m_list2; }

    // The found-proxy view, as the ListView interface and as the widget.
    TreeListView& listView1() { return *m_listView1; }
    ListViewWidget* ListView1() const { return m_listView1Widget; }

    // The judge-script chooser, as the ListBox interface and as the widget.
    ComboListBox& combo1() { return *m_combo1; }
    QComboBox* Combo1() const { return m_combo1Widget; }

    QWidget* Toolbar1() const { return m_toolbar; }
    // Buttons by 1-based index; 3 and 5 are separators (no button).
    QToolButton* toolbarButton(int index) const;
    QString buttonCaption(int index) const;
    bool buttonEnabled(int index) const;
    void setButtonEnabled(int index, bool enabled);
    // The drop-down menu of button 4 or 6 (entries carry their key as data), else nullptr.
    QMenu* buttonMenu(int index) const;
    // The images of ImageList1 (1-based), 16 x 16.
    QPixmap ImageList1(int index) const;

    QGroupBox* Frame3() const { return m_frame3; }
    EditButtonControl* CmdEdit() const { return m_cmdEdit; }
    QLabel* Label3() const { return m_label3; }
    QSlider* Slider1() const { return m_slider1; }
    QLabel* Label1() const { return m_label1; }
    QLineEdit* TxtTimeout() const { return m_txtTimeout; }
    StatusBarControl* StatusBar1() const { return m_statusBar1; }

    QMenu* mnuFile() const { return m_mnuFile; }
    QAction* mnuProxy() const { return m_mnuProxy; }
    QAction* mnClearP() const { return m_mnClearP; }
    QAction* mnuCopy() const { return m_mnuCopy; }

    FileDialog& CommonDialog1() { return *m_services.fileDialog; }
    Clipboard& clipboard() { return *m_services.clipboard; }
    MessageBox& messageBox() { return *m_services.messageBox; }
    EventLoop& eventLoop() { return *m_services.eventLoop; }

    // The socket and timer arrays; element 0 exists from the start (timer 0 enabled, interval 0).
    std::vector<std::unique_ptr<TcpSocket>>& socket() { return m_sockets; }
    std::vector<std::unique_ptr<Timer>>& Timer1() { return m_timers; }

    // True once the window is being closed: from then on no handler should start new work.
    bool isUnloading() const { return m_unloading; }

    // A judge URL whose host is a name reserved for examples (under example.com, example.org,
    // example.net or .invalid), as in the judge list shipped with the program: it cannot answer.
    static bool isPlaceholderJudge(const QString& url);

signals:
    void toolbarButtonClicked(const QString& caption);
    void toolbarMenuClicked(const QString& key);
    void socketsSliderMoved();
    void editJudgesClicked();
    void foundColumnClicked(int column);
    void foundMouseDown(int button, int shift, int x, int y);
    void setDefaultProxyClicked();
    void clearProxyClicked();
    void copyProxyClicked();
    // The Menu key or Shift+F10 in the found list.
    void foundMenuKey();
    void foundListClicked();
    // The window is closing and the program ends; raised once, before sockets are dropped.
    void unloading();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildToolbar();
    void buildFrame();
    void buildListView();
    void buildMenu();
    void buildTabOrder();
    // Clicks toolbar button index when it is enabled: the keys' way to the commands.
    void clickButton(int index);
    // The keys of commands whose buttons are disabled do nothing.
    void syncCommandKeys();
    // Shows why the selected judge cannot be used, if it is a placeholder; true then.
    bool refusePlaceholderJudge();
    void load();
    void centre();

    Services m_services;
    MemoryListBox m_list1;
    MemoryListBox m_list2;

    QWidget* m_toolbar = nullptr;
    std::vector<QToolButton*> m_buttons; // index 0 unused, nullptr for separators
    std::vector<QPixmap> m_images;
    QMenu* m_loadMenu = nullptr;
    QMenu* m_foundMenu = nullptr;
    QShortcut* m_escapeStops = nullptr;

    QGroupBox* m_frame3 = nullptr;
    QComboBox* m_combo1Widget = nullptr;
    std::unique_ptr<ComboListBox> m_combo1;
    EditButtonControl* m_cmdEdit = nullptr;
    QLabel* m_label3 = nullptr;
    QSlider* m_slider1 = nullptr;
    QLabel* m_label1 = nullptr;
    QLineEdit* m_txtTimeout = nullptr;

    ListViewWidget* m_listView1Widget = nullptr;
    std::unique_ptr<TreeListView> m_listView1;
    StatusBarControl* m_statusBar1 = nullptr;

    QMenu* m_mnuFile = nullptr;
    QAction* m_mnuProxy = nullptr;
    QAction* m_mnClearP = nullptr;
    QAction* m_mnuCopy = nullptr;

    std::vector<std::unique_ptr<TcpSocket>> m_sockets;
    std::vector<std::unique_ptr<Timer>> m_timers;
    bool m_unloading = false;
};

} // namespace qv
