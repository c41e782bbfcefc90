#include "app/StatusBarStandIn.h"

#include <QPainter>

namespace qv {

StatusBarStandIn::StatusBarStandIn(QWidget* parent)
    : QWidget(parent)
    , m_captions {QStringLiteral("Status: Idle.."), QStringLiteral("Good: 0"), QStringLiteral("Loaded: 0")}
{
    setObjectName(QStringLiteral("StatusBar1"));
}

QString StatusBarStandIn::PanelCaption(int index) const
{
    if (index < 1 || index > panelCount())
        return {};
    return m_captions[static_cast<std::size_t>(index - 1)];
}

void StatusBarStandIn::setPanelCaption(int index, const QString& text)
{
    if (index < 1 || index > panelCount())
        return;
    QString& caption = m_captions[static_cast<std::size_t>(index - 1)];
    if (caption == text)
        return;
    caption = text;
    update();
}

void StatusBarStandIn::setShowGripper(bool show)
{
    m_showGripper = show;
    update();
}

int StatusBarStandIn::panelWidth(int index) const
{
    if (index < 1 || index > panelCount())
        return 0;
    return m_widths[static_cast<std::size_t>(index - 1)];
}

void StatusBarStandIn::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(230, 231, 235));
    const QColor shadow = palette().color(QPalette::Dark);
    const QColor light = palette().color(QPalette::Light);
    int x = 0;
    for (int i = 0; i < panelCount(); ++i) {
        const QRect panel(x + 1, 1, m_widths[static_cast<std::size_t>(i)] - 2, height() - 2);
        p.setPen(shadow);
        p.drawLine(panel.topLeft(), panel.topRight());
        p.drawLine(panel.topLeft(), panel.bottomLeft());
        p.setPen(light);
        p.drawLine(panel.bottomLeft(), panel.bottomRight());
        p.drawLine(panel.topRight(), panel.bottomRight());
        p.setPen(palette().color(QPalette::ButtonText));
        p.drawText(panel.adjusted(4, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                   m_captions[static_cast<std::size_t>(i)]);
        x += m_widths[static_cast<std::size_t>(i)];
    }
    if (m_showGripper) {
        p.setPen(shadow);
        for (int k = 0; k < 3; ++k)
            p.drawLine(width() - 3 - 4 * k, height() - 2, width() - 2, height() - 3 - 4 * k);
    }
}

} // namespace qv
