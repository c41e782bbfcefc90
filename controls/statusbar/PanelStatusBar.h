#pragma once

#include <QFont>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "controls/statusbar/AutoSizeMode.h"
#include "controls/statusbar/StatusPanel.h"
#include "platform/gui/Color.h"
#include "platform/gui/DrawingSurface.h"
#include "platform/gui/ImageSurface.h"
#include "platform/gui/Picture.h"
#include "platform/gui/PropertyStore.h"

class QAccessibleEvent;
class QTimer;

namespace qv {

// A status bar that paints a row of panels (caption, picture, tool tip) and an optional size
// gripper. All layout and drawing happen in DrawStatusBar on a persistent image; the paint event
// only shows that image. Panels are numbered from 1; an indexed property given a number outside
// the panel array throws SubscriptOutOfRange.
class PanelStatusBar final : public QWidget
{
    Q_OBJECT
    // Colours as Designer's colour editor and uic carry them (see toDesignerColor).
    Q_PROPERTY(QColor BackColor READ designerBackColor WRITE setBackColor)
    Q_PROPERTY(QColor ForeColor READ designerForeColor WRITE setForeColor)
    Q_PROPERTY(QColor ForeColorDissabled READ designerForeColorDissabled WRITE setForeColorDissabled)
    Q_PROPERTY(QColor MaskColor READ designerMaskColor WRITE setMaskColor)
    Q_PROPERTY(bool ShowGripper READ ShowGripper WRITE setShowGripper)
    Q_PROPERTY(int Apperance READ Apperance WRITE setApperance)
    // Every record of the panel array (see panelRecordsText); not saved with a form.
    Q_PROPERTY(QString panelRecords READ panelRecordsText STORED false DESIGNABLE false)
    Q_PROPERTY(int NumberOfPanels READ NumberOfPanels)
    // Every panel as stored settings text (see panelsText).
    Q_PROPERTY(QString panels READ panelsText WRITE setPanelsText)

public:
    // Starts the window manager's resize of a top-level window from its bottom-right corner.
    using ResizeStarter = std::function<void(QWidget* window)>;

    // A new bar with the settings of a freshly placed control (InitProperties).
    explicit PanelStatusBar(QWidget* parent = nullptr);
    ~PanelStatusBar() override;
    Q_DISABLE_COPY_MOVE(PanelStatusBar)

    // Properties.
    OleColor BackColor() const { return flushPendingPass(), m_backColor; }
    void setBackColor(OleColor NewBackColor);
    OleColor ForeColor() const { return m_foreColor; }
    void setForeColor(OleColor NewForeColor);
    int NumberOfPanels() const { return m_panelCount; }
    int PanelWidth(int Index) const;
    void setPanelWidth(int Index, int PanelWidth);
    QString PanelCaption(int Index) const;
    void setPanelCaption(int Index, const QString& NewPanelCaption);
    AutoSizeMode PanelAutoSize(int Index) const;
    void setPanelAutoSize(int Index, AutoSizeMode NewAutoSize);
    QString ToolTipText(int Index) const;
    void setToolTipText(int Index, const QString& NewToolTipText);
    Picture PanelPicture(int Index) const;
    void setPanelPicture(int Index, const Picture& NewPanelPicture);
    bool PanelEnabled(int Index) const;
    void setPanelEnabled(int Index, bool NewEnabled);
    OleColor MaskColor() const { return m_maskColor; }
    void setMaskColor(OleColor NewMaskColor);
    QFont Font() const;
    // Hides QWidget::setFont on purpose: the drawing font changes with it. A font set through
    // QWidget (or inherited from the parent) is picked up too, without marking a change.
    void setFont(const QFont& NewFont);
    bool ShowGripper() const { return m_showGripper; }
    void setShowGripper(bool NewShowGripper);
    OleColor ForeColorDissabled() const { return m_disabledForeColor; }
    void setForeColorDissabled(OleColor NewDissColor);
    int Apperance() const { return m_appearance; }
    void setApperance(int New_Apperance);
    int MinWidth(int Index) const;
    void setMinWidth(int Index, int New_MinWidth);

    // The colours in their designer form; the setters take it too.
    QColor designerBackColor() const { return toDesignerColor(BackColor()); }
    void setBackColor(const QColor& colour) { setBackColor(fromDesignerColor(colour)); }
    QColor designerForeColor() const { return toDesignerColor(ForeColor()); }
    void setForeColor(const QColor& colour) { setForeColor(fromDesignerColor(colour)); }
    QColor designerForeColorDissabled() const { return toDesignerColor(ForeColorDissabled()); }
    void setForeColorDissabled(const QColor& colour) { setForeColorDissabled(fromDesignerColor(colour)); }
    QColor designerMaskColor() const { return toDesignerColor(MaskColor()); }
    void setMaskColor(const QColor& colour) { setMaskColor(fromDesignerColor(colour)); }

    // Methods.
    void DrawGripper();
    int AddPanel(int iPanelWidth, const QString& sPanelText, const QString& sToolTip, bool bEnabled,
        AutoSizeMode eAutoSize, const Picture& pPanelPicture = {});
    void DeletePanel();
    void DrawStatusBar(bool FullRedraw);

    // Persistence.
    void InitProperties();
    void WriteProperties(PropertyStore& store) const;
    // Stops silently at the first value that cannot be read; what was read before stays.
    void ReadProperties(const PropertyStore& store);
    // The panels alone (count and per-panel keys) in the stored settings text form; a text that
    // does not parse changes nothing.
    // Setting them keeps the records past the new count, as DeletePanel does.
    QString panelsText() const;
    void setPanelsText(const QString& text);
    // Every record of the panel array, those kept past the count by DeletePanel included, with the
    // count: for a tool that edits a copy of the bar's panels and writes them back as panelsText.
    QString panelRecordsText() const;
    void setPanelRecordsText(const QString& text);

    // State of the last drawing pass, for hosts and tests.
    int PanelRectCount() const { return flushPendingPass(), static_cast<int>(m_panelRects.size()); }
    Rect PanelRect(int Index) const;
    Rect GripperRect() const { return flushPendingPass(), m_gripperRect; }
    bool GripperAllowed() const { return m_gripperAllowed; }
    int CurrentPanel() const { return m_currentPanel; }
    // Panel record Index (a fresh one when the slot is empty).
    StatusPanel Panel(int Index) const;
    const DrawingSurface& surface() const { return flushPendingPass(), *m_surface; }
    // Number of drawing passes so far (full and partial), for tests and measurements.
    std::uint64_t fullPasses() const { return flushPendingPass(), m_fullPasses; }
    std::uint64_t partialPasses() const { return flushPendingPass(), m_partialPasses; }
    // Runs the drawing pass that caption writes left for the next screen refresh, if any.
    void flushPendingPass() const;

    void setResizeStarter(ResizeStarter starter);

    // Changes of the first two panels (status and count) are announced to assistive technology,
    // at most once a second so that a fast scan does not flood the reader: each announcement
    // names every one of them that changed since the last.
    static constexpr int kAnnouncedPanels = 2;
    static constexpr qint64 kAnnounceIntervalMs = 1000;
    // Milliseconds from any fixed start; tests give their own.
    void setAnnouncementClock(std::function<qint64()> clock);
    // Takes the announcements instead of the assistive technology, which need not listen then.
    void setAnnouncementSink(std::function<void(QAccessibleEvent&)> sink);
    // Announces what is waiting once the interval has passed since the last announcement, else
    // waits for it; the announcement timer calls it.
    void announcePending();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void MouseDownInPanel(int Index);
    void Click(int Index);
    void DblClick(int Index);
    // A persisted property changed (the host's property-changed notification).
    void PropertyChanged(const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // Slot Index of the panel array; throws SubscriptOutOfRange outside it.
    StatusPanel& panelAt(int Index);
    const StatusPanel& panelAt(int Index) const;
    void markChanged(const QString& name);
    void SizePanels();
    // The height of text word-wrapped in client, as MeasureText gives it.
    int captionHeight(int Index, const QString& text, const Rect& client);
    // Copies the parts of area outside inner back from the last full pass's band and separators.
    void restoreOutside(const Rect& area, const Rect& inner);
    struct PictureSize
    {
        int width = 0;
        int height = 0;
    };
    PictureSize GetPictureSize(int Index) const;
    double pictureWidth(const StatusPanel& panel) const;
    void StartParentResize(QWidget* window);
    void updateGripperAllowed();
    // The window whose state allows the gripper: the top-level window, or the MDI child the bar is on.
    QWidget* formWindow() const;
    void watchFormWindow();
    QWidget* topLevelParent() const;
    void syncSurfaceSize();
    // Starts the announcement timer for the end of the interval, unless it runs.
    void scheduleAnnouncement();
    // Records 1 to records (the count, or every one in the array).
    void writePanels(PropertyStore& store, int records) const;
    // False when the loading has to stop.
    bool readPanelCount(const PropertyStore& store);
    // Stops at the first key that is missing or unreadable.
    void readPanelRecords(const PropertyStore& store, int records);

    std::unique_ptr<DrawingSurface> m_surface;
    // The band and separators of the last full pass, without panels.
    std::unique_ptr<ImageSurface> m_base;
    OleColor m_backColor = 0;
    OleColor m_foreColor = 0;
    OleColor m_maskColor = 0;
    OleColor m_disabledForeColor = 0;
    bool m_showGripper = true;
    bool m_gripperAllowed = true;
    QPointer<QWidget> m_parentForm;
    Rect m_gripperRect;
    int m_panelCount = 0;
    std::vector<StatusPanel> m_panels; // slot i holds panel i + 1
    std::vector<Rect> m_panelRects;
    int m_currentPanel = 0;
    int m_appearance = 0;
    QPointer<QWidget> m_watchedWindow;
    ResizeStarter m_resizeStarter;
    bool m_afterDoubleClick = false;
    struct MeasuredCaption
    {
        QString text;
        int height = 0;
        bool valid = false;
    };
    std::vector<MeasuredCaption> m_measured; // by panel, for m_measuredClient and m_measuredFont
    Rect m_measuredClient;
    QFont m_measuredFont;
    // A caption write only records the pass it needs (a scan writes three per checked proxy);
    // the pass runs once before the next refresh or read of what it computes, with the same result.
    enum class PendingPass { None, Partial, Full };
    PendingPass m_pendingPass = PendingPass::None;
    bool m_painting = false;
    std::uint64_t m_fullPasses = 0;
    std::uint64_t m_partialPasses = 0;
    QTimer* m_announceTimer = nullptr;
    std::function<qint64()> m_announceClock;
    std::function<void(QAccessibleEvent&)> m_announceSink;
    qint64 m_lastAnnounceMs = -1;
    unsigned m_unannounced = 0; // bit n: panel n changed since the last announcement
};

} // namespace qv
