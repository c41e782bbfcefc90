#include "app/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QShortcut>
#include <QSlider>
#include <QToolButton>
#include <QUrl>
#include <algorithm>
#include <iterator>
#include <span>

#include "app/AppFonts.h"
#include "app/StoredSettings.h"
#include "controls/button/ButtonStoredSettings.h"
#include "lists/ListFiles.h"
#include "platform/QtEpollEventLoop.h"
#include "platform/gui/QtClipboard.h"
#include "platform/gui/QtFileDialog.h"
#include "platform/gui/QtMessageBox.h"

// Resources of a static library must be registered by name, from outside any namespace.
static void initResources()
{
    Q_INIT_RESOURCE(quorvane);
}

using namespace Qt::StringLiterals;

namespace qv {

namespace {
struct ButtonDef
{
    const char* caption;
    const char* toolTip; // names the button's keys
    int image; // 0: separator
    bool dropDown;
};

constexpr ButtonDef kButtons[MainWindow::kToolbarButtons] = {
    { "Start", "Start Checking! (F5)", 1, false },
    { "Stop", "Stop Checking (Shift+F5 or Esc)", 2, false },
    { nullptr, nullptr, 0, false },
    { "Load Proxies", "Load Proxy List (Ctrl+O)", 6, true },
    { nullptr, nullptr, 0, false },
    { "Found Proxies", "Export (Ctrl+S), Kill Duplicates (Ctrl+Shift+D), Clear (Ctrl+Shift+L)", 4, true },
};

// The toolbar commands' keys; the drop-down entries carry theirs on their actions.
struct ButtonKey
{
    int button;
    QKeyCombination key;
};
constexpr ButtonKey kButtonKeys[] = {
    { 1, QKeyCombination(Qt::Key_F5) },
    { 2, Qt::SHIFT | Qt::Key_F5 },
    { 4, Qt::CTRL | Qt::Key_O },
};

struct MenuEntry
{
    const char* text;
    const char* key;
    QKeyCombination shortcut; // none when empty
};
constexpr MenuEntry kLoadEntries[] = { { "&Clear", "Clear", {} } };
constexpr MenuEntry kFoundEntries[] = {
    { "&Export", "export", Qt::CTRL | Qt::Key_S },
    { "&Clear", "clear1", Qt::CTRL | Qt::SHIFT | Qt::Key_L },
    { "&Kill Duplicates", "killdupes", Qt::CTRL | Qt::SHIFT | Qt::Key_D },
};

bool opensMenu(const QKeyEvent* key)
{
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    return (key->key() == Qt::Key_Down && mods == Qt::AltModifier)
        || (key->key() == Qt::Key_Menu && mods == 0)
        || (key->key() == Qt::Key_F10 && mods == Qt::ShiftModifier);
}

constexpr const char* kImageFiles[MainWindow::kImages] = {
    ":/icons/toolbar/1-start.png",
    ":/icons/toolbar/2-stop.png",
    ":/icons/toolbar/3-pause.png",
    ":/icons/toolbar/4-found.png",
    ":/icons/toolbar/5-save.png",
    ":/icons/toolbar/6-load.png",
    ":/icons/toolbar/7-globe.png",
};

constexpr int kSeparatorWidth = 8;
constexpr int kDropDownArrowWidth = 14;
} // namespace

MainWindow::MainWindow(Services services, QWidget* parent)
    : QWidget(parent)
    , m_services(std::move(services))
{
    initResources();
    if (!m_services.eventLoop)
        m_services.eventLoop = std::make_unique<QtEpollEventLoop>();
    if (!m_services.clipboard)
        m_services.clipboard = std::make_unique<QtClipboard>();
    if (!m_services.messageBox)
        m_services.messageBox = std::make_unique<QtMessageBox>(this);
    if (!m_services.fileDialog)
        m_services.fileDialog = std::make_unique<QtFileDialog>(this);

    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Quorvane 1.0"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(kClientWidth, kClientHeight);
    setFont(AppFonts::tahoma());
    QIcon icon;
    for (int size : { 16, 32, 48 })
        icon.addFile(QStringLiteral(":/icons/app/quorvane-%1.png").arg(size), QSize(size, size));
    setWindowIcon(icon);

    for (const char* file : kImageFiles)
        m_images.emplace_back(QString::fromLatin1(file));

    buildToolbar();
    buildFrame();
    buildListView();
    m_statusBar1 = new StatusBarControl(this);
    m_statusBar1->setObjectName(QStringLiteral("StatusBar1"));
    m_statusBar1->ReadProperties(StoredSettings::load(QStringLiteral("MainWindow.StatusBar1")));
    // The stored Tahoma 8.25 pt, in pixels like every font of the window so the layout holds.
    m_statusBar1->setFont(AppFonts::tahoma());
    m_statusBar1->setGeometry(twips(0), twips(4380), twips(6360), twips(270));
    buildMenu();
    buildTabOrder();

    // Element 0 of each array lives with the window and takes no part in a scan.
    m_sockets.push_back(m_services.eventLoop->createSocket());
    m_timers.push_back(m_services.eventLoop->createTimer());
    m_timers.front()->setInterval(0);
    m_timers.front()->setEnabled(true);

    load();
    centre();
}

MainWindow::~MainWindow()
{
    // Sockets and timers go first, so that nothing they still have to say reaches a half-torn window.
    for (auto& socket : m_sockets) {
        if (socket) {
            socket->setEvents({});
            socket->close();
        }
    }
    m_sockets.clear();
    m_timers.clear();
}

void MainWindow::buildToolbar()
{
    m_toolbar = new QWidget(this);
    m_toolbar->setObjectName(QStringLiteral("Toolbar1"));
    m_toolbar->setGeometry(twips(120), twips(120), twips(5340), twips(525));

    // Every button is as wide as the widest caption needs; drop-down buttons add their arrow.
    const QFontMetrics metrics(AppFonts::tahoma());
    int width = 0;
    for (const ButtonDef& def : kButtons) {
        if (def.caption)
            width = std::max(width, metrics.horizontalAdvance(QString::fromLatin1(def.caption)) + 10);
    }

    m_buttons.assign(kToolbarButtons + 1, nullptr);
    int x = 0;
    for (int index = 1; index <= kToolbarButtons; ++index) {
        const ButtonDef& def = kButtons[index - 1];
        if (!def.caption) {
            auto* separator = new QFrame(m_toolbar);
            separator->setFrameShape(QFrame::VLine);
            separator->setFrameShadow(QFrame::Sunken);
            separator->setGeometry(x + 2, 2, kSeparatorWidth - 4, m_toolbar->height() - 4);
            x += kSeparatorWidth;
            continue;
        }
        auto* button = new QToolButton(m_toolbar);
        button->setObjectName(QStringLiteral("Toolbar1Button%1").arg(index));
        button->setText(QString::fromLatin1(def.caption));
        if (def.toolTip)
            button->setToolTip(QString::fromLatin1(def.toolTip));
        button->setIcon(QIcon(m_images[static_cast<std::size_t>(def.image - 1)]));
        button->setIconSize(QSize(16, 16));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setAutoRaise(true);
        button->setFont(AppFonts::tahoma());
        // Reached by Tab, not taken by a click, so the mouse works as before.
        button->setFocusPolicy(Qt::TabFocus);
        button->installEventFilter(this);
        const int buttonWidth = width + (def.dropDown ? kDropDownArrowWidth : 0);
        button->setGeometry(x, 0, buttonWidth, m_toolbar->height());
        x += buttonWidth;
        const QString caption = button->text();
        connect(button, &QToolButton::clicked, this, [this, caption] {
            if (caption == u"Start" && refusePlaceholderJudge())
                return;
            emit toolbarButtonClicked(caption);
        });
        m_buttons[static_cast<std::size_t>(index)] = button;
    }

    const auto addMenu = [this](int index, std::span<const MenuEntry> entries) {
        auto* menu = new QMenu(this);
        for (const MenuEntry& entry : entries) {
            QAction* action = menu->addAction(QString::fromLatin1(entry.text));
            const QString k = QString::fromLatin1(entry.key);
            action->setData(k);
            connect(action, &QAction::triggered, this, [this, k] { emit toolbarMenuClicked(k); });
            if (entry.shortcut.toCombined() != 0) {
                action->setShortcut(QKeySequence(entry.shortcut));
                // The window's too, so the key works while the menu is closed.
                addAction(action);
            }
        }
        QToolButton* button = m_buttons[static_cast<std::size_t>(index)];
        button->setMenu(menu);
        button->setPopupMode(QToolButton::MenuButtonPopup);
        return menu;
    };
    m_loadMenu = addMenu(4, kLoadEntries);
    m_foundMenu = addMenu(6, kFoundEntries);

    for (const ButtonKey& key : kButtonKeys) {
        auto* shortcut = new QShortcut(QKeySequence(key.key), this);
        connect(shortcut, &QShortcut::activated, this, [this, index = key.button] { clickButton(index); });
    }
    // Escape stops a scan; while none runs the key is left to whatever else wants it.
    m_escapeStops = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(m_escapeStops, &QShortcut::activated, this, [this] { clickButton(2); });
    syncCommandKeys();
}

void MainWindow::clickButton(int index)
{
    // A disabled button's command is not available by key either.
    if (QToolButton* button = toolbarButton(index); button && button->isEnabled())
        button->click();
}

void MainWindow::syncCommandKeys()
{
    // A scan runs while Start is disabled and Stop enabled; at start-up both are enabled.
    m_escapeStops->setEnabled(buttonEnabled(2) && !buttonEnabled(1));
    for (QAction* action : m_foundMenu->actions())
        action->setEnabled(buttonEnabled(6));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    auto* button = qobject_cast<QToolButton*>(watched);
    if (button && button->parentWidget() == m_toolbar) {
        if (event->type() == QEvent::EnabledChange) {
            syncCommandKeys();
        } else if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (button->menu() && opensMenu(key)) {
                button->menu()->popup(button->mapToGlobal(QPoint(0, button->height())));
                return true;
            }
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
                && (key->modifiers() & ~Qt::KeypadModifier) == 0) {
                button->click();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::buildFrame()
{
    m_frame3 = new QGroupBox(QStringLiteral("Proxy Judget / Socket / Timeout Setup"), this);
    m_frame3->setObjectName(QStringLiteral("Frame3"));
    m_frame3->setFont(AppFonts::verdana());
    m_frame3->setGeometry(twips(120), twips(720), twips(6135), twips(975));

    m_combo1Widget = new QComboBox(m_frame3);
    m_combo1Widget->setObjectName(QStringLiteral("Combo1"));
    m_combo1Widget->setFont(AppFonts::tahoma());
    m_combo1Widget->setEditable(false);
    m_combo1Widget->setGeometry(twips(120), twips(240), twips(5295), 21);
    m_combo1 = std::make_unique<ComboListBox>(m_combo1Widget);

    m_cmdEdit = new EditButtonControl(m_frame3);
    m_cmdEdit->setObjectName(QStringLiteral("CmdEdit"));
    ButtonStoredSettings::apply(*m_cmdEdit, ButtonStoredSettings::resourcePath(QStringLiteral("CmdEdit")));
    // The stored 8.25 pt, in pixels like every font of this fixed layout.
    m_cmdEdit->setFont(AppFonts::tahoma(m_cmdEdit->FontBold()));
    m_cmdEdit->setToolTip(QStringLiteral("Add Script List"));
    m_cmdEdit->setGeometry(twips(5520), twips(240), twips(495), twips(255));
    connect(m_cmdEdit, &EditButtonControl::Click, this, &MainWindow::editJudgesClicked);

    m_label3 = new QLabel(QStringLiteral("Sockets [ 20 ]"), m_frame3);
    m_label3->setObjectName(QStringLiteral("Label3"));
    m_label3->setFont(AppFonts::tahoma());
    m_label3->setGeometry(twips(120), twips(650), twips(1320) - twips(120), twips(255));

    m_slider1 = new QSlider(Qt::Horizontal, m_frame3);
    m_slider1->setObjectName(QStringLiteral("Slider1"));
    m_slider1->setRange(0, 100);
    m_slider1->setValue(20);
    m_slider1->setSingleStep(1);
    m_slider1->setPageStep(5);
    m_slider1->setGeometry(twips(1320), twips(650), twips(2895), twips(255));
    // Its own names, not the group's caption that assistive technology would repeat otherwise.
    m_slider1->setAccessibleName(QStringLiteral("Sockets"));
    connect(m_slider1, &QSlider::valueChanged, this, &MainWindow::socketsSliderMoved);

    m_label1 = new QLabel(QStringLiteral("Timeout (MS)"), m_frame3);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setFont(AppFonts::tahoma());
    m_label1->setGeometry(twips(4320), twips(675), twips(5400) - twips(4320), twips(255));

    m_txtTimeout = new QLineEdit(QStringLiteral("8000"), m_frame3);
    m_txtTimeout->setObjectName(QStringLiteral("TxtTimeout"));
    m_txtTimeout->setFont(AppFonts::tahoma());
    m_txtTimeout->setGeometry(twips(5400), twips(650), twips(615), twips(285));
    m_txtTimeout->setAccessibleName(QStringLiteral("Timeout in milliseconds"));
    m_combo1Widget->setAccessibleName(QStringLiteral("Proxy judge"));
}

void MainWindow::buildListView()
{
    m_listView1Widget = new ListViewWidget(this);
    m_listView1Widget->setObjectName(QStringLiteral("ListView1"));
    m_listView1Widget->setFont(AppFonts::tahoma());
    m_listView1Widget->setGeometry(twips(120), twips(1800), twips(6135), twips(2415));
    m_listView1Widget->setAccessibleName(QStringLiteral("Found proxies"));
    m_listView1 = std::make_unique<TreeListView>(m_listView1Widget,
        QStringList { QString(), QStringLiteral("Proxy IP"), QStringLiteral("Proxy Port"), QStringLiteral("Anon Lvl"),
            QStringLiteral("Type") });
    // The rows' own texts are whole entries, passwords included: never shown, never read out.
    m_listView1->model()->setRowTextShown(false);
    QHeaderView* header = m_listView1Widget->header();
    header->setMinimumSectionSize(0);
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    // Column widths were designed in HIMETRIC: 5362, 2540 and 1834 at 2540 per inch and 96 DPI.
    header->resizeSection(0, 0);
    header->resizeSection(1, 203);
    header->resizeSection(2, 96);
    header->resizeSection(3, 69);
    // What the designed columns leave of the view's width.
    header->resizeSection(4, 38);
    connect(header, &QHeaderView::sectionClicked, this,
        [this](int logical) { emit foundColumnClicked(logical + 1); });
    connect(m_listView1Widget, &ListViewWidget::MouseDown, this, &MainWindow::foundMouseDown);
    connect(m_listView1Widget, &ListViewWidget::copyKey, this, &MainWindow::copyProxyClicked);
    connect(m_listView1Widget, &ListViewWidget::menuKey, this, &MainWindow::foundMenuKey);
}

void MainWindow::buildTabOrder()
{
    QWidget* order[] = { m_buttons[1], m_buttons[2], m_buttons[4], m_buttons[6], m_combo1Widget, m_cmdEdit,
        m_slider1, m_txtTimeout, m_listView1Widget };
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

bool MainWindow::isPlaceholderJudge(const QString& url)
{
    // Without a scheme the host would be read as a path.
    const QUrl parsed(url.contains(u"://") ? url.trimmed() : u"http://"_s + url.trimmed());
    QString host = parsed.host().toLower();
    if (host.endsWith(u'.'))
        host.chop(1);
    for (const QString& reserved : { u"example.com"_s, u"example.org"_s, u"example.net"_s, u"invalid"_s }) {
        if (host == reserved || host.endsWith(u'.' + reserved))
            return true;
    }
    return false;
}

bool MainWindow::refusePlaceholderJudge()
{
    const QString judge = m_combo1Widget->currentText();
    if (!isPlaceholderJudge(judge))
        return false;
    // Every proxy would fail against a judge that cannot exist; say so instead of scanning.
    const QString prompt
        = u"The judge \"%1\" is only a placeholder: names under example.com, example.org, "
          u"example.net and .invalid are reserved for examples, so every proxy would fail.\n\n"
          u"Add a real judge with Edit, best of all one you run yourself with quorvane-judge "
          u"(see \"man quorvane-judge\"), and choose it in the drop-down."_s.arg(judge);
    m_services.messageBox->show(prompt.toStdString(), MessageBox::OkOnly | MessageBox::Exclamation, "Start");
    return true;
}

void MainWindow::buildMenu()
{
    m_mnuFile = new QMenu(QStringLiteral("&File"), this);
    m_mnuFile->setObjectName(QStringLiteral("mnuFile"));
    m_mnuProxy = m_mnuFile->addAction(QStringLiteral("&Set As Default Proxy"));
    m_mnuProxy->setObjectName(QStringLiteral("mnuProxy"));
    m_mnClearP = m_mnuFile->addAction(QStringLiteral("C&lear Proxy Support"));
    m_mnClearP->setObjectName(QStringLiteral("mnClearP"));
    m_mnuCopy = m_mnuFile->addAction(QStringLiteral("&Copy Proxy"));
    m_mnuCopy->setObjectName(QStringLiteral("mnuCopy"));
    connect(m_mnuProxy, &QAction::triggered, this, &MainWindow::setDefaultProxyClicked);
    connect(m_mnClearP, &QAction::triggered, this, &MainWindow::clearProxyClicked);
    connect(m_mnuCopy, &QAction::triggered, this, &MainWindow::copyProxyClicked);
}

void MainWindow::load()
{
    m_statusBar1->setShowGripper(false);
    ListFiles::LoadJudgeScripts(*m_combo1);
    m_combo1->setSelectedIndex(0);
}

void MainWindow::centre()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame(QPoint(), size());
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

QToolButton* MainWindow::toolbarButton(int index) const
{
    if (index < 1 || index > kToolbarButtons)
        return nullptr;
    return m_buttons[static_cast<std::size_t>(index)];
}

QString MainWindow::buttonCaption(int index) const
{
    const QToolButton* button = toolbarButton(index);
    return button ? button->text() : QString();
}

bool MainWindow::buttonEnabled(int index) const
{
    const QToolButton* button = toolbarButton(index);
    return button && button->isEnabled();
}

void MainWindow::setButtonEnabled(int index, bool enabled)
{
    if (QToolButton* button = toolbarButton(index))
        button->setEnabled(enabled);
}

QMenu* MainWindow::buttonMenu(int index) const
{
    const QToolButton* button = toolbarButton(index);
    return button ? button->menu() : nullptr;
}

QPixmap MainWindow::ImageList1(int index) const
{
    if (index < 1 || index > kImages)
        return {};
    return m_images[static_cast<std::size_t>(index - 1)];
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    if (m_unloading)
        return;
    // Closing the main window ends the program at once: other windows go with it unasked, open
    // connections are dropped, and every event loop (including a modal one) is told to stop.
    m_unloading = true;
    emit unloading();
    for (auto& socket : m_sockets) {
        if (socket) {
            socket->setEvents({});
            socket->close();
        }
    }
    for (auto& timer : m_timers) {
        if (timer)
            timer->setEnabled(false);
    }
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != this && window->isVisible())
            window->hide();
    }
    QCoreApplication::exit(0);
}

} // namespace qv
