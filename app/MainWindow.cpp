#include "app/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QSlider>
#include <QToolButton>
#include <algorithm>

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

namespace qv {

namespace {
struct ButtonDef
{
    const char* caption;
    const char* toolTip;
    int image; // 0: separator
    bool dropDown;
};

constexpr ButtonDef kButtons[MainWindow::kToolbarButtons] = {
    { "Start", "Start Checking!", 1, false },
    { "Stop", "Stop Checking", 2, false },
    { nullptr, nullptr, 0, false },
    { "Load Proxies", "Load Proxy List", 6, true },
    { nullptr, nullptr, 0, false },
    { "Found Proxies", nullptr, 4, true },
};

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
        button->setFocusPolicy(Qt::NoFocus);
        const int buttonWidth = width + (def.dropDown ? kDropDownArrowWidth : 0);
        button->setGeometry(x, 0, buttonWidth, m_toolbar->height());
        x += buttonWidth;
        const QString caption = button->text();
        connect(button, &QToolButton::clicked, this, [this, caption] { emit toolbarButtonClicked(caption); });
        m_buttons[static_cast<std::size_t>(index)] = button;
    }

    auto addEntry = [this](QMenu* menu, const char* text, const char* key) {
        QAction* action = menu->addAction(QString::fromLatin1(text));
        const QString k = QString::fromLatin1(key);
        action->setData(k);
        connect(action, &QAction::triggered, this, [this, k] { emit toolbarMenuClicked(k); });
    };
    m_loadMenu = new QMenu(this);
    addEntry(m_loadMenu, "Clear", "Clear");
    m_foundMenu = new QMenu(this);
    addEntry(m_foundMenu, "Export", "export");
    addEntry(m_foundMenu, "Clear", "clear1");
    addEntry(m_foundMenu, "Kill Duplicates", "killdupes");
    for (auto [index, menu] : { std::pair { 4, m_loadMenu }, std::pair { 6, m_foundMenu } }) {
        QToolButton* button = m_buttons[static_cast<std::size_t>(index)];
        button->setMenu(menu);
        button->setPopupMode(QToolButton::MenuButtonPopup);
    }
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
    connect(m_slider1, &QSlider::valueChanged, this, &MainWindow::socketsSliderMoved);

    m_label1 = new QLabel(QStringLiteral("Timeout (MS)"), m_frame3);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setFont(AppFonts::tahoma());
    m_label1->setGeometry(twips(4320), twips(675), twips(5400) - twips(4320), twips(255));

    m_txtTimeout = new QLineEdit(QStringLiteral("8000"), m_frame3);
    m_txtTimeout->setObjectName(QStringLiteral("TxtTimeout"));
    m_txtTimeout->setFont(AppFonts::tahoma());
    m_txtTimeout->setGeometry(twips(5400), twips(650), twips(615), twips(285));
}

void MainWindow::buildListView()
{
    m_listView1Widget = new ListViewWidget(this);
    m_listView1Widget->setObjectName(QStringLiteral("ListView1"));
    m_listView1Widget->setFont(AppFonts::tahoma());
    m_listView1Widget->setGeometry(twips(120), twips(1800), twips(6135), twips(2415));
    m_listView1 = std::make_unique<TreeListView>(m_listView1Widget,
        QStringList { QString(), QStringLiteral("Proxy IP"), QStringLiteral("Proxy Port"), QStringLiteral("Anon Lvl"),
            QStringLiteral("Type") });
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
}

void MainWindow::buildMenu()
{
    m_mnuFile = new QMenu(QStringLiteral("&File"), this);
    m_mnuFile->setObjectName(QStringLiteral("mnuFile"));
    m_mnuProxy = m_mnuFile->addAction(QStringLiteral("&Set As Default Proxy"));
    m_mnuProxy->setObjectName(QStringLiteral("mnuProxy"));
    m_mnClearP = m_mnuFile->addAction(QStringLiteral("&Clear Proxy Support"));
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
