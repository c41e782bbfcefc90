#include "controls/statusbar/PanelStatusBar.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFontMetrics>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <optional>
#include <utility>

#include "controls/statusbar/Appearance.h"
#include "controls/statusbar/PanelPainter.h"
#include "controls/statusbar/PanelStatusBarAccessible.h"
#include "controls/statusbar/SubscriptOutOfRange.h"
#include "controls/statusbar/TransparentPicturePainter.h"
#include "platform/gui/ImageSurface.h"

using namespace Qt::StringLiterals;

namespace qv {

namespace {

constexpr OleColor kDefaultBackColor = SysColor::code(SysColor::ButtonFace);
constexpr OleColor kDefaultForeColor = SysColor::code(SysColor::ButtonText);
constexpr OleColor kDefaultDisabledForeColor = SysColor::code(SysColor::GrayText);
constexpr OleColor kDefaultMaskColor = rgb(255, 0, 255);
constexpr int kGripperSize = 15;
// A stored panel count above this is treated as unreadable: no bar shows that many panels, and
// the count sizes an allocation.
constexpr int kMaxStoredPanels = 4096;

QString panelKey(const QString& name, int index)
{
    return name + QString::number(index);
}

int roundPoint(qreal value)
{
    return PanelPainter::roundEven(value);
}

// Typed reads that tell a missing key (use the default, or stop when there is none) from a value
// of the wrong kind (stop).
template <typename T, typename Reader>
std::optional<T> readOr(
    const PropertyStore& store, const QString& key, std::optional<T> fallback, Reader reader)
{
    if (!store.contains(key))
        return fallback;
    return reader(key);
}

} // namespace

PanelStatusBar::PanelStatusBar(QWidget* parent)
    : QWidget(parent)
    , m_surface(std::make_unique<ImageSurface>(width(), height()))
    , m_base(std::make_unique<ImageSurface>())
{
    installPanelStatusBarAccessibility();
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    m_surface->setFont(QWidget::font());
    m_announceTimer = new QTimer(this);
    m_announceTimer->setSingleShot(true);
    connect(m_announceTimer, &QTimer::timeout, this, &PanelStatusBar::announcePending);
    m_announceClock = [clock = std::make_shared<QElapsedTimer>()] {
        if (!clock->isValid())
            clock->start();
        return clock->elapsed();
    };
    m_resizeStarter = [](QWidget* window) {
        if (QWindow* handle = window->windowHandle())
            handle->startSystemResize(Qt::BottomEdge | Qt::RightEdge);
    };
    watchFormWindow();
    InitProperties();
}

PanelStatusBar::~PanelStatusBar()
{
    if (m_watchedWindow)
        m_watchedWindow->removeEventFilter(this);
}

// ---- panel array -------------------------------------------------------------------------------

StatusPanel& PanelStatusBar::panelAt(int Index)
{
    if (Index < 1 || static_cast<size_t>(Index) > m_panels.size())
        throw SubscriptOutOfRange(Index);
    return m_panels[static_cast<size_t>(Index - 1)];
}

const StatusPanel& PanelStatusBar::panelAt(int Index) const
{
    if (Index < 1 || static_cast<size_t>(Index) > m_panels.size())
        throw SubscriptOutOfRange(Index);
    return m_panels[static_cast<size_t>(Index - 1)];
}

StatusPanel PanelStatusBar::Panel(int Index) const
{
    flushPendingPass();
    return panelAt(Index);
}

Rect PanelStatusBar::PanelRect(int Index) const
{
    flushPendingPass();
    if (Index < 1 || static_cast<size_t>(Index) > m_panelRects.size())
        throw SubscriptOutOfRange(Index);
    return m_panelRects[static_cast<size_t>(Index - 1)];
}

void PanelStatusBar::markChanged(const QString& name)
{
    Q_EMIT PropertyChanged(name);
}

// ---- properties --------------------------------------------------------------------------------

void PanelStatusBar::setBackColor(OleColor NewBackColor)
{
    m_backColor = NewBackColor;
    m_surface->setBackground(translateColor(m_backColor));
    DrawStatusBar(true);
    markChanged(u"BackColor"_s);
}

void PanelStatusBar::setForeColor(OleColor NewForeColor)
{
    m_foreColor = NewForeColor;
    markChanged(u"ForeColor"_s);
    DrawStatusBar(false);
}

int PanelStatusBar::PanelWidth(int Index) const
{
    flushPendingPass();
    return panelAt(Index).width;
}

void PanelStatusBar::setPanelWidth(int Index, int PanelWidth)
{
    panelAt(Index).width = PanelWidth;
    DrawStatusBar(true);
    markChanged(u"PWidth"_s);
}

QString PanelStatusBar::PanelCaption(int Index) const
{
    return panelAt(Index).text;
}

void PanelStatusBar::setPanelCaption(int Index, const QString& NewPanelCaption)
{
    StatusPanel& panel = panelAt(Index);
    const int oldWidth = panel.captionWidth;
    if (Index <= kAnnouncedPanels && panel.text != NewPanelCaption
        && (m_announceSink || QAccessible::isActive())) {
        m_unannounced |= 1u << Index;
        scheduleAnnouncement();
    }
    panel.text = NewPanelCaption;
    panel.captionWidth = m_surface->textWidth(NewPanelCaption);
    // Only a width change can move other panels; otherwise repainting the panels is enough.
    const PendingPass needed = panel.captionWidth != oldWidth ? PendingPass::Full : PendingPass::Partial;
    m_pendingPass = std::max(m_pendingPass, needed);
    update();
    markChanged(u"pText"_s);
}

void PanelStatusBar::setAnnouncementClock(std::function<qint64()> clock)
{
    m_announceClock = std::move(clock);
}

void PanelStatusBar::setAnnouncementSink(std::function<void(QAccessibleEvent&)> sink)
{
    m_announceSink = std::move(sink);
}

void PanelStatusBar::scheduleAnnouncement()
{
    if (m_announceTimer->isActive())
        return;
    const qint64 since = m_lastAnnounceMs < 0 ? kAnnounceIntervalMs : m_announceClock() - m_lastAnnounceMs;
    m_announceTimer->start(
        static_cast<int>(std::clamp<qint64>(kAnnounceIntervalMs - since, 0, kAnnounceIntervalMs)));
}

void PanelStatusBar::announcePending()
{
    if (m_unannounced == 0)
        return;
    const qint64 now = m_announceClock();
    if (m_lastAnnounceMs >= 0 && now - m_lastAnnounceMs < kAnnounceIntervalMs) {
        scheduleAnnouncement();
        return;
    }
    m_lastAnnounceMs = now;
    const unsigned changed = std::exchange(m_unannounced, 0u);
    for (int index = 1; index <= std::min(kAnnouncedPanels, m_panelCount); ++index) {
        if (changed & (1u << index)) {
            QAccessibleEvent named(this, QAccessible::NameChanged);
            named.setChild(index - 1);
            if (m_announceSink)
                m_announceSink(named);
            else
                QAccessible::updateAccessibility(&named);
        }
    }
}

AutoSizeMode PanelStatusBar::PanelAutoSize(int Index) const
{
    return panelAt(Index).autoSize;
}

void PanelStatusBar::setPanelAutoSize(int Index, AutoSizeMode NewAutoSize)
{
    panelAt(Index).autoSize = NewAutoSize;
    DrawStatusBar(true);
    markChanged(u"AutoSize"_s);
}

QString PanelStatusBar::ToolTipText(int Index) const
{
    return panelAt(Index).toolTip;
}

void PanelStatusBar::setToolTipText(int Index, const QString& NewToolTipText)
{
    panelAt(Index).toolTip = NewToolTipText;
    markChanged(u"pTTText"_s);
}

Picture PanelStatusBar::PanelPicture(int Index) const
{
    return panelAt(Index).picture;
}

void PanelStatusBar::setPanelPicture(int Index, const Picture& NewPanelPicture)
{
    panelAt(Index).picture = NewPanelPicture;
    DrawStatusBar(true);
    markChanged(u"PanelPicture"_s);
}

bool PanelStatusBar::PanelEnabled(int Index) const
{
    return panelAt(Index).enabled;
}

void PanelStatusBar::setPanelEnabled(int Index, bool NewEnabled)
{
    panelAt(Index).enabled = NewEnabled;
    DrawStatusBar(false);
    markChanged(u"pEnabled"_s);
}

void PanelStatusBar::setMaskColor(OleColor NewMaskColor)
{
    m_maskColor = NewMaskColor;
    markChanged(u"MaskColor"_s);
    DrawStatusBar(false);
}

QFont PanelStatusBar::Font() const
{
    return m_surface->font();
}

void PanelStatusBar::setFont(const QFont& NewFont)
{
    m_surface->setFont(NewFont);
    QWidget::setFont(NewFont);
    markChanged(u"Font"_s);
    DrawStatusBar(true);
}

void PanelStatusBar::setShowGripper(bool NewShowGripper)
{
    m_showGripper = NewShowGripper;
    markChanged(u"ShowGripper"_s);
    DrawStatusBar(true);
    if (m_showGripper) {
        m_parentForm = topLevelParent();
    } else if (QWidget::mouseGrabber() == this) {
        releaseMouse();
    }
}

void PanelStatusBar::setForeColorDissabled(OleColor NewDissColor)
{
    m_disabledForeColor = NewDissColor;
    markChanged(u"ForeColorDissabled"_s);
    DrawStatusBar(false);
}

void PanelStatusBar::setApperance(int New_Apperance)
{
    m_appearance = New_Apperance;
    DrawStatusBar(true);
    markChanged(u"Apperance"_s);
}

int PanelStatusBar::MinWidth(int Index) const
{
    return panelAt(Index).minWidth;
}

void PanelStatusBar::setMinWidth(int Index, int New_MinWidth)
{
    panelAt(Index).minWidth = New_MinWidth;
    DrawStatusBar(true);
    markChanged(u"MinWidth"_s);
}

// ---- methods -----------------------------------------------------------------------------------

int PanelStatusBar::AddPanel(int iPanelWidth, const QString& sPanelText, const QString& sToolTip,
    bool bEnabled, AutoSizeMode eAutoSize, const Picture& pPanelPicture)
{
    ++m_panelCount;
    // Keeps the records up to the new count, so a panel deleted before comes back with its
    // MinWidth.
    m_panels.resize(static_cast<size_t>(m_panelCount));
    StatusPanel& panel = m_panels.back();
    panel.width = iPanelWidth;
    panel.toolTip = sToolTip;
    panel.text = sPanelText;
    panel.enabled = bEnabled;
    panel.autoSize = eAutoSize;
    panel.picture = pPanelPicture;
    markChanged(u"NumberOfPanels"_s);
    DrawStatusBar(true);
    return m_panelCount;
}

void PanelStatusBar::DeletePanel()
{
    if (m_panelCount > 1)
        --m_panelCount;
    markChanged(u"NumberOfPanels"_s);
    DrawStatusBar(true);
}

double PanelStatusBar::pictureWidth(const StatusPanel& panel) const
{
    if (panel.picture.isNull())
        return 0.0;
    return himetricToPixels(panel.picture.widthHimetric());
}

PanelStatusBar::PictureSize PanelStatusBar::GetPictureSize(int Index) const
{
    const Picture& picture = panelAt(Index).picture;
    if (picture.isNull())
        return {};
    return { PanelPainter::roundEven(himetricToPixels(picture.widthHimetric())),
        PanelPainter::roundEven(himetricToPixels(picture.heightHimetric())) };
}

void PanelStatusBar::SizePanels()
{
    const int W = m_surface->width();
    int springs = 0;
    double fixedWidth = 0.0;
    for (int i = 1; i <= m_panelCount; ++i) {
        StatusPanel& panel = panelAt(i);
        const double picture = pictureWidth(panel);
        switch (panel.autoSize) {
        case AutoSizeMode::Contents:
            if (!panel.text.isEmpty())
                panel.width = PanelPainter::roundEven(picture + m_surface->textWidth(panel.text) + 12.0);
            else
                panel.width = picture != 0.0 ? PanelPainter::roundEven(picture + 6.0) : 0;
            break;
        case AutoSizeMode::NoAutoSize:
            // A stored minimum near the limits of int still lays out; no screen shows the difference.
            panel.width = PanelPainter::clampFar(panel.minWidth);
            break;
        case AutoSizeMode::Spring:
            break;
        }
        if (panel.autoSize == AutoSizeMode::Spring)
            ++springs;
        else
            fixedWidth += panel.width;
    }
    if (springs == 0)
        return;
    const double room = (m_gripperAllowed && m_showGripper) ? W - fixedWidth - kGripperSize : W - fixedWidth;
    const int share = PanelPainter::clampFar(PanelPainter::roundEven(room / springs));
    for (int i = 1; i <= m_panelCount; ++i) {
        StatusPanel& panel = panelAt(i);
        if (panel.autoSize != AutoSizeMode::Spring)
            continue;
        panel.width = share;
        const double picture = pictureWidth(panel);
        if (picture > panel.width)
            panel.width = PanelPainter::clampFar(PanelPainter::roundEven(picture));
    }
}

void PanelStatusBar::flushPendingPass() const
{
    if (m_pendingPass != PendingPass::None)
        const_cast<PanelStatusBar*>(this)->DrawStatusBar(m_pendingPass == PendingPass::Full);
}

void PanelStatusBar::DrawStatusBar(bool FullRedraw)
{
    // A full pass now also covers a pending one; a partial pass first runs a pending full one.
    if (m_pendingPass == PendingPass::Full)
        FullRedraw = true;
    m_pendingPass = PendingPass::None;
    syncSurfaceSize();
    DrawingSurface& surface = *m_surface;
    const int W = surface.width();
    const int H = surface.height();
    const bool gripper = m_gripperAllowed && m_showGripper;

    if (FullRedraw) {
        ++m_fullPasses;
        surface.setBackground(translateColor(m_backColor));
        surface.clear();
        m_base->setBackground(surface.background());
        m_base->resize(W, H);
        if (m_appearance != 0) {
            for (DrawingSurface* target : { &surface, static_cast<DrawingSurface*>(m_base.get()) }) {
                PanelPainter::DrawPenLine(
                    *target, 0, 0, W, 0, PanelPainter::OffsetColor(m_backColor, -45), 1);
                PanelPainter::DrawPenLine(
                    *target, 0, 1, W, 1, PanelPainter::OffsetColor(m_backColor, -36), 1);
                PanelPainter::DrawPenLine(
                    *target, 0, 2, W, 2, PanelPainter::OffsetColor(m_backColor, -27), 1);
                PanelPainter::DrawPenLine(
                    *target, 0, 3, W, 3, PanelPainter::OffsetColor(m_backColor, -18), 1);
                PanelPainter::DrawPenLine(*target, 0, 4, W, 4, PanelPainter::OffsetColor(m_backColor, -9), 1);
                PanelPainter::DrawPenLine(
                    *target, 0, H - 1, W, H - 1, PanelPainter::OffsetColor(m_backColor, -15), 2);
                PanelPainter::DrawPenLine(
                    *target, 0, H - 3, W, H - 3, PanelPainter::OffsetColor(m_backColor, -8), 2);
            }
        }
    } else {
        ++m_partialPasses;
    }

    const int top = m_appearance != 0 ? 5 : 1;
    const int bottom = m_appearance != 0 ? H - 4 : H - 1;
    const Rect client { 0, 0, W, H };
    int x = 0;

    // The widths depend only on the panels and W, so one pass serves every panel.
    if (m_panelCount > 0)
        SizePanels();

    for (int i = 1; i <= m_panelCount; ++i) {
        StatusPanel& panel = panelAt(i);
        panel.left = x;
        panel.top = top;
        panel.bottom = bottom;
        const int w = panel.width;

        const PictureSize picture = GetPictureSize(i);
        const Rect rect
            = m_appearance != 0 ? Rect { x + 2, top, x + w - 2, bottom } : Rect { x, top, x + w - 1, bottom };
        m_panelRects.resize(static_cast<size_t>(i));
        m_panelRects.back() = rect;

        if (FullRedraw && m_appearance == static_cast<int>(qv::Appearance::Shaded)) {
            const Rgb light = PanelPainter::OffsetColor(m_backColor, 50);
            const Rgb dark = PanelPainter::OffsetColor(m_backColor, -50);
            for (DrawingSurface* target : { &surface, static_cast<DrawingSurface*>(m_base.get()) }) {
                if (i != 1)
                    PanelPainter::DrawPenLine(*target, x, top, x, bottom, light, 1);
                if (i == m_panelCount) {
                    if (gripper) {
                        PanelPainter::DrawPenLine(*target, x + w - 1, top, x + w - 1, bottom, light, 1);
                        PanelPainter::DrawPenLine(*target, x + w - 2, top, x + w - 2, bottom, dark, 1);
                    }
                } else {
                    PanelPainter::DrawPenLine(*target, x + w - 1, top, x + w - 1, bottom, dark, 1);
                }
            }
        }

        const int h = captionHeight(i, panel.text, client);
        const int d = PanelPainter::roundEven((H - h) / 2.0);
        const Rect caption { x + picture.width + 6, d, x + w, h + d };
        // A caption may reach beyond the panel's fill into the band or onto the separators; a
        // partial pass puts back what the last full pass had there, so the old caption leaves
        // nothing behind.
        if (!FullRedraw && m_base->width() == W && m_base->height() == H)
            restoreOutside(caption, rect);

        // The first fill turns a system-colour code into the RGB it stands for.
        PanelPainter::FillOrFrameRect(surface, rect, m_backColor, true);
        if (m_appearance == 0) {
            OleColor frame = SysColor::code(SysColor::ButtonShadow);
            PanelPainter::FillOrFrameRect(surface, rect, frame, false);
        }

        const OleColor textColour = panel.enabled ? m_foreColor : m_disabledForeColor;
        surface.drawText(panel.text, caption, TextFormat::WordEllipsis, translateColor(textColour));

        {
            const TransparentPicturePainter painter;
            painter.PaintTransparentPicture(surface, panel.picture, x + 3,
                PanelPainter::roundEven((H - picture.height) / 2.0), picture.width, picture.height, 0, 0,
                m_maskColor);
        }
        x = PanelPainter::clampFar(static_cast<long long>(x) + w);
    }

    // A gripper that is not drawn has no hot spot.
    if (gripper)
        DrawGripper();
    else
        m_gripperRect = {};
    // Screen refreshes coalesce into the next paint; the image above is already complete.
    if (!m_painting)
        update();
}

int PanelStatusBar::captionHeight(int Index, const QString& text, const Rect& client)
{
    // Captions change one at a time, so the other panels' layouts are reused.
    if (client != m_measuredClient || m_surface->font() != m_measuredFont) {
        m_measured.clear();
        m_measuredClient = client;
        m_measuredFont = m_surface->font();
    }
    if (m_measured.size() < static_cast<size_t>(Index))
        m_measured.resize(static_cast<size_t>(Index));
    MeasuredCaption& entry = m_measured[static_cast<size_t>(Index - 1)];
    if (!entry.valid || entry.text != text)
        entry = { text, PanelPainter::MeasureText(*m_surface, text, client).height(), true };
    return entry.height;
}

void PanelStatusBar::restoreOutside(const Rect& area, const Rect& inner)
{
    auto restore = [this](int left, int top, int right, int bottom) {
        if (right > left && bottom > top)
            m_surface->blit(left, top, right - left, bottom - top, m_base->image(), left, top);
    };
    if (inner.width() <= 0 || inner.height() <= 0) {
        restore(area.left, area.top, area.right, area.bottom);
        return;
    }
    // The parts of area above, below, left and right of inner.
    restore(area.left, area.top, area.right, std::min(area.bottom, inner.top));
    restore(area.left, std::max(area.top, inner.bottom), area.right, area.bottom);
    const int top = std::max(area.top, inner.top);
    const int bottom = std::min(area.bottom, inner.bottom);
    restore(area.left, top, std::min(area.right, inner.left), bottom);
    restore(std::max(area.left, inner.right), top, area.right, bottom);
}

void PanelStatusBar::DrawGripper()
{
    syncSurfaceSize();
    DrawingSurface& surface = *m_surface;
    const int W = surface.width();
    const int H = surface.height();
    m_gripperRect = { W - kGripperSize, H - kGripperSize, W, H };
    surface.fillRect(m_gripperRect, surface.background());

    if (m_appearance == 0) {
        const Rgb shadow = PanelPainter::OffsetColor(systemColor(SysColor::ButtonShadow), 0);
        const Rgb highlight = PanelPainter::OffsetColor(systemColor(SysColor::ButtonHighlight), 0);
        for (int k : { 2, 3, 4, 5, 7, 8, 9, 10, 12, 13, 14, 15 }) {
            const bool light = k == 5 || k == 10 || k == 15;
            PanelPainter::DrawPenLine(surface, W - k, H, W, H - k, light ? highlight : shadow, 1);
        }
    } else {
        PanelPainter::DrawPenLine(
            surface, W - 15, H - 1, W, H - 1, PanelPainter::OffsetColor(m_backColor, -15), 2);
        PanelPainter::DrawPenLine(
            surface, W - 15, H - 3, W, H - 3, PanelPainter::OffsetColor(m_backColor, -8), 2);
        const Rgb light = PanelPainter::OffsetColor(surface.background(), 50);
        const Rgb dark = PanelPainter::OffsetColor(surface.background(), -50);
        for (auto [dx, dy] : { std::pair { 3, 3 }, { 7, 3 }, { 11, 3 }, { 3, 7 }, { 7, 7 }, { 3, 11 } })
            PanelPainter::DrawPenLine(surface, W - dx, H - dy, W - dx, H - dy, light, 2);
        for (auto [dx, dy] : { std::pair { 4, 4 }, { 8, 4 }, { 12, 4 }, { 4, 8 }, { 8, 8 }, { 4, 12 } })
            PanelPainter::DrawPenLine(surface, W - dx, H - dy, W - dx, H - dy, dark, 2);
    }
    if (!m_painting)
        update();
}

// ---- persistence -------------------------------------------------------------------------------

void PanelStatusBar::InitProperties()
{
    m_backColor = kDefaultBackColor;
    m_foreColor = kDefaultForeColor;
    m_disabledForeColor = kDefaultDisabledForeColor;
    m_maskColor = kDefaultMaskColor;
    m_showGripper = true;
    m_appearance = 0;
    m_panelCount = 0;
    m_panels.clear();
    m_surface->setBackground(translateColor(m_backColor));
    DrawStatusBar(true);
}

void PanelStatusBar::WriteProperties(PropertyStore& store) const
{
    flushPendingPass();
    store.write(u"BackColor"_s, ColorValue { m_backColor });
    store.write(u"ForeColor"_s, ColorValue { m_foreColor });
    store.write(u"ForeColorDissabled"_s, ColorValue { m_disabledForeColor });
    store.write(u"Font"_s, m_surface->font());
    store.write(u"NumberOfPanels"_s, std::int32_t { m_panelCount });
    store.write(u"MaskColor"_s, ColorValue { m_maskColor });
    store.write(u"ShowGripper"_s, m_showGripper);
    if (m_appearance != 0)
        store.write(u"Apperance"_s, std::int32_t { m_appearance });
    else
        store.remove(u"Apperance"_s);
    writePanels(store, m_panelCount);
}

void PanelStatusBar::writePanels(PropertyStore& store, int records) const
{
    for (int i = 1; i <= records; ++i) {
        const StatusPanel& panel = panelAt(i);
        store.write(panelKey(u"PWidth"_s, i), std::int32_t { panel.width });
        store.write(panelKey(u"pText"_s, i), panel.text);
        store.write(panelKey(u"pTTText"_s, i), panel.toolTip);
        store.write(panelKey(u"pEnabled"_s, i), panel.enabled);
        if (panel.autoSize != AutoSizeMode::NoAutoSize)
            store.write(panelKey(u"AutoSize"_s, i), static_cast<std::int32_t>(panel.autoSize));
        else
            store.remove(panelKey(u"AutoSize"_s, i));
        store.write(panelKey(u"PanelPicture"_s, i), panel.picture);
        store.write(panelKey(u"MinWidth"_s, i), std::int32_t { panel.minWidth });
    }
}

void PanelStatusBar::ReadProperties(const PropertyStore& store)
{
    const auto colour = [&](const QString& key, OleColor fallback) {
        return readOr<OleColor>(store, key, fallback, [&](const QString& k) { return store.readColor(k); });
    };
    // Whatever was read stays. The records are loaded after the last redraw of the steps; the
    // host's sizing of the control shows them, and so does this queued pass when it does not.
    QMetaObject::invokeMethod(
        this, [this] { DrawStatusBar(true); }, Qt::QueuedConnection);

    const auto back = colour(u"BackColor"_s, kDefaultBackColor);
    if (!back)
        return;
    setBackColor(*back);
    const auto fore = colour(u"ForeColor"_s, kDefaultForeColor);
    if (!fore)
        return;
    setForeColor(*fore);
    const auto disabled = colour(u"ForeColorDissabled"_s, kDefaultDisabledForeColor);
    if (!disabled)
        return;
    setForeColorDissabled(*disabled);

    const QFont ambient = parentWidget() ? parentWidget()->font() : QApplication::font();
    const auto font
        = readOr<QFont>(store, u"Font"_s, ambient, [&](const QString& k) { return store.readFont(k); });
    if (!font)
        return;
    m_surface->setFont(*font);
    QWidget::setFont(*font);

    if (!readPanelCount(store))
        return;

    const auto mask = colour(u"MaskColor"_s, kDefaultMaskColor);
    if (!mask)
        return;
    setMaskColor(*mask);
    const auto gripper
        = readOr<bool>(store, u"ShowGripper"_s, true, [&](const QString& k) { return store.readBool(k); });
    if (!gripper)
        return;
    setShowGripper(*gripper);
    const auto appearance
        = readOr<std::int32_t>(store, u"Apperance"_s, 0, [&](const QString& k) { return store.readInt(k); });
    if (!appearance)
        return;
    m_appearance = *appearance;

    readPanelRecords(store, m_panelCount);
}

bool PanelStatusBar::readPanelCount(const PropertyStore& store)
{
    const auto count = readOr<std::int32_t>(
        store, u"NumberOfPanels"_s, 0, [&](const QString& k) { return store.readInt(k); });
    if (!count || *count < 0 || *count > kMaxStoredPanels)
        return false;
    m_panelCount = *count;
    m_panels.assign(static_cast<size_t>(m_panelCount), StatusPanel {});
    return true;
}

void PanelStatusBar::readPanelRecords(const PropertyStore& store, int records)
{
    const std::optional<std::int32_t> none;
    const auto integer = [&](const QString& key, std::optional<std::int32_t> fallback) {
        return readOr<std::int32_t>(store, key, fallback, [&](const QString& k) { return store.readInt(k); });
    };
    for (int i = 1; i <= records; ++i) {
        StatusPanel& panel = panelAt(i);
        const auto minWidth = integer(panelKey(u"MinWidth"_s, i), none);
        if (!minWidth)
            return;
        panel.minWidth = *minWidth;
        const auto width = integer(panelKey(u"PWidth"_s, i), none);
        if (!width)
            return;
        panel.width = *width;
        const auto toolTip = readOr<QString>(store, panelKey(u"pTTText"_s, i), std::nullopt,
            [&](const QString& k) { return store.readString(k); });
        if (!toolTip)
            return;
        panel.toolTip = *toolTip;
        const auto text = readOr<QString>(store, panelKey(u"pText"_s, i), std::nullopt,
            [&](const QString& k) { return store.readString(k); });
        if (!text)
            return;
        panel.text = *text;
        const auto enabled = readOr<bool>(store, panelKey(u"pEnabled"_s, i), std::nullopt,
            [&](const QString& k) { return store.readBool(k); });
        if (!enabled)
            return;
        panel.enabled = *enabled;
        const auto autoSize = integer(panelKey(u"AutoSize"_s, i), 0);
        if (!autoSize)
            return;
        panel.autoSize = static_cast<AutoSizeMode>(*autoSize);
        const auto picture = readOr<Picture>(store, panelKey(u"PanelPicture"_s, i), std::nullopt,
            [&](const QString& k) { return store.readPicture(k); });
        if (!picture)
            return;
        panel.picture = *picture;
    }
}

QString PanelStatusBar::panelsText() const
{
    flushPendingPass();
    MemoryPropertyStore store;
    store.write(u"NumberOfPanels"_s, std::int32_t { m_panelCount });
    writePanels(store, m_panelCount);
    return store.toText();
}

void PanelStatusBar::setPanelsText(const QString& text)
{
    MemoryPropertyStore store;
    // Text that does not parse leaves the panels as they are.
    if (!store.fromText(text))
        return;
    const std::vector<StatusPanel> previous = m_panels;
    if (readPanelCount(store))
        readPanelRecords(store, m_panelCount);
    // Records past the count stay with the bar, as DeletePanel leaves them, for a later AddPanel.
    for (size_t i = m_panels.size(); i < previous.size(); ++i)
        m_panels.push_back(previous[i]);
    markChanged(u"NumberOfPanels"_s);
    DrawStatusBar(true);
}

QString PanelStatusBar::panelRecordsText() const
{
    flushPendingPass();
    MemoryPropertyStore store;
    store.write(u"NumberOfPanels"_s, std::int32_t { m_panelCount });
    const auto records = static_cast<std::int32_t>(m_panels.size());
    store.write(u"PanelSlots"_s, records);
    writePanels(store, records);
    return store.toText();
}

void PanelStatusBar::setPanelRecordsText(const QString& text)
{
    MemoryPropertyStore store;
    if (!store.fromText(text))
        return;
    const int records = store.readInt(u"PanelSlots"_s).value_or(0);
    const int count = store.readInt(u"NumberOfPanels"_s).value_or(0);
    if (count < 0 || records < count || records > kMaxStoredPanels)
        return;
    m_panels.assign(static_cast<size_t>(records), StatusPanel {});
    m_panelCount = count;
    readPanelRecords(store, records);
    DrawStatusBar(true);
}

// ---- window and mouse --------------------------------------------------------------------------

QWidget* PanelStatusBar::topLevelParent() const
{
    QWidget* top = window();
    return top == this ? nullptr : top;
}

QWidget* PanelStatusBar::formWindow() const
{
    // A form in an MDI area (a form designer shows the forms it edits so) is a window of its own
    // inside the main window.
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        if (w->isWindow() || qobject_cast<QMdiSubWindow*>(w))
            return w;
    }
    return nullptr;
}

void PanelStatusBar::watchFormWindow()
{
    QWidget* form = formWindow();
    if (form == m_watchedWindow)
        return;
    if (m_watchedWindow)
        m_watchedWindow->removeEventFilter(this);
    m_watchedWindow = form;
    if (form)
        form->installEventFilter(this);
}

void PanelStatusBar::updateGripperAllowed()
{
    const QWidget* form = formWindow();
    m_gripperAllowed = !(form && form->isMaximized());
}

void PanelStatusBar::syncSurfaceSize()
{
    if (m_surface->width() != width() || m_surface->height() != height())
        m_surface->resize(width(), height());
}

void PanelStatusBar::setResizeStarter(ResizeStarter starter)
{
    m_resizeStarter = std::move(starter);
}

void PanelStatusBar::StartParentResize(QWidget* window)
{
    if (QWidget::mouseGrabber() == this)
        releaseMouse();
    if (window && m_resizeStarter)
        m_resizeStarter(window);
}

QSize PanelStatusBar::sizeHint() const
{
    return { 200, std::max(18, QFontMetrics(Font()).height() + 5) };
}

QSize PanelStatusBar::minimumSizeHint() const
{
    return { 0, sizeHint().height() };
}

void PanelStatusBar::paintEvent(QPaintEvent* event)
{
    m_painting = true;
    flushPendingPass();
    m_painting = false;
    QPainter painter(this);
    painter.drawImage(event->rect(), m_surface->image(), event->rect());
}

void PanelStatusBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    syncSurfaceSize();
    updateGripperAllowed();
    DrawStatusBar(true);
}

void PanelStatusBar::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange && QWidget::font() != m_surface->font()) {
        m_surface->setFont(QWidget::font());
        DrawStatusBar(true);
    }
    QWidget::changeEvent(event);
}

bool PanelStatusBar::event(QEvent* event)
{
    // A form is often put into its window after the bar is made: it shows then.
    if (event->type() == QEvent::ParentChange || event->type() == QEvent::Show) {
        watchFormWindow();
        const bool allowed = m_gripperAllowed;
        updateGripperAllowed();
        if (allowed != m_gripperAllowed)
            DrawStatusBar(true);
    }
    return QWidget::event(event);
}

bool PanelStatusBar::eventFilter(QObject* watched, QEvent* event)
{
    // Maximising the window normally resizes the bar too, but not always (a fixed-size bar, or a
    // form in a form designer).
    if (watched == m_watchedWindow && event->type() == QEvent::WindowStateChange) {
        const bool allowed = m_gripperAllowed;
        updateGripperAllowed();
        if (allowed != m_gripperAllowed)
            DrawStatusBar(true);
    }
    return QWidget::eventFilter(watched, event);
}

void PanelStatusBar::mousePressEvent(QMouseEvent* event)
{
    flushPendingPass();
    m_currentPanel = 0;
    m_afterDoubleClick = false;
    const int x = roundPoint(event->position().x());
    const int y = roundPoint(event->position().y());
    const bool left = event->button() == Qt::LeftButton;
    if (m_showGripper && m_gripperRect.contains(x, y) && left) {
        // The bar may have been placed on its window after ShowGripper was set.
        QWidget* form = m_parentForm ? m_parentForm.data() : topLevelParent();
        StartParentResize(form);
        return;
    }
    if (!left)
        return;
    // Re-read on every step: a handler may change the panels.
    for (int i = 1; i <= m_panelCount && static_cast<size_t>(i) <= m_panelRects.size(); ++i) {
        if (m_panelRects[static_cast<size_t>(i - 1)].contains(x, y) && panelAt(i).enabled) {
            m_currentPanel = i;
            Q_EMIT MouseDownInPanel(i);
        }
    }
}

void PanelStatusBar::mouseMoveEvent(QMouseEvent* event)
{
    flushPendingPass();
    const int x = roundPoint(event->position().x());
    const int y = roundPoint(event->position().y());
    if (m_showGripper && m_gripperRect.contains(x, y)) {
        setCursor(Qt::SizeFDiagCursor);
        return;
    }
    unsetCursor();
    for (int i = 1; i <= m_panelCount && static_cast<size_t>(i) <= m_panelRects.size(); ++i) {
        if (m_panelRects[static_cast<size_t>(i - 1)].contains(x, y) && toolTip() != panelAt(i).toolTip)
            setToolTip(panelAt(i).toolTip);
    }
}

void PanelStatusBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (QWidget::mouseGrabber() == this)
        releaseMouse();
    const bool afterDoubleClick = m_afterDoubleClick;
    m_afterDoubleClick = false;
    // The release that ends a double click is not a click of its own.
    if (afterDoubleClick || !rect().contains(event->position().toPoint()))
        return;
    if (m_currentPanel >= 1 && m_currentPanel <= m_panelCount && panelAt(m_currentPanel).enabled)
        Q_EMIT Click(m_currentPanel);
}

void PanelStatusBar::mouseDoubleClickEvent(QMouseEvent* event)
{
    Q_UNUSED(event);
    m_afterDoubleClick = true;
    if (m_currentPanel >= 1 && m_currentPanel <= m_panelCount && panelAt(m_currentPanel).enabled)
        Q_EMIT DblClick(m_currentPanel);
}

} // namespace qv
