#include "controls/statusbar/PanelsPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStringList>
#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>

#include "controls/statusbar/OpenFileDialog.h"
#include "controls/statusbar/StatusBarEditTarget.h"
#include "platform/gui/QtMessageBox.h"

using namespace Qt::StringLiterals;

namespace qv {

namespace {

const QString NoAutoSizeText = u"0 - NoAutoSize"_s;
const QString SpringText = u"1 - Spring"_s;
const QString ContentsText = u"2 - Contents"_s;

// A number in any decimal form ("12.5", "1e2", " -7 ") rounded to the nearest 32-bit integer, a
// half to the even neighbour; none for text that is no number or a number beyond 32 bits.
std::optional<int> toInt32(const QString& text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value);
    if (rounded < INT_MIN || rounded > INT_MAX)
        return std::nullopt;
    return static_cast<int>(rounded);
}

QLabel* label(const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

} // namespace

PanelsPage::PanelsPage(QWidget* parent, MessageBox* messages)
    : PropertyPage(u"Panels"_s, parent)
    , m_messages(messages)
{
    setObjectName(u"PanelsPage"_s);
    if (!m_messages) {
        m_ownMessages = std::make_unique<QtMessageBox>(this);
        m_messages = m_ownMessages.get();
    }

    m_txtIndex = new QLineEdit(this);
    m_txtIndex->setObjectName(u"txtIndex"_s);
    m_txtIndex->setReadOnly(true);
    m_txtIndex->setMaximumWidth(48);
    m_hsb = new QScrollBar(Qt::Horizontal, this);
    m_hsb->setObjectName(u"hsb"_s);
    // Panels are numbered from 1: position 0 would name no panel.
    m_hsb->setRange(1, 1);
    m_hsb->setEnabled(false);
    for (std::size_t i = 0; i < m_txt.size(); ++i) {
        m_txt[i] = new QLineEdit(this);
        m_txt[i]->setObjectName(u"Txt_%1"_s.arg(i));
        connect(m_txt[i], &QLineEdit::textEdited, this, [this] { setChanged(true); });
    }
    m_combo = new QComboBox(this);
    m_combo->setObjectName(u"Combo1"_s);
    m_combo->setEditable(true);
    m_combo->setInsertPolicy(QComboBox::NoInsert);
    m_combo->addItems({ NoAutoSizeText, SpringText, ContentsText });
    connect(m_combo, &QComboBox::textActivated, this, [this] { setChanged(true); });
    connect(m_combo->lineEdit(), &QLineEdit::textEdited, this, [this] { setChanged(true); });
    m_chkEnabled = new QCheckBox(u"Enabled"_s, this);
    m_chkEnabled->setObjectName(u"chkEnabled"_s);
    // Until a panel is shown the fields offer what Add Panel gives a new one.
    m_chkEnabled->setChecked(true);
    connect(m_chkEnabled, &QCheckBox::clicked, this, [this] { setChanged(true); });

    m_frame = new QGroupBox(u"Panel Picture"_s, this);
    m_frame->setObjectName(u"Frame1"_s);
    m_picPanel = new QLabel(m_frame);
    m_picPanel->setObjectName(u"picPanel"_s);
    m_picPanel->setFixedSize(48, 48);
    m_picPanel->setAlignment(Qt::AlignCenter);
    m_picPanel->setFrameShape(QFrame::StyledPanel);
    m_picPanel->setFrameShadow(QFrame::Sunken);
    m_cmdOpenDlg = new QPushButton(u"..."_s, m_frame);
    m_cmdOpenDlg->setObjectName(u"cmdOpenDlg"_s);
    m_cmdOpenDlg->setToolTip(u"Choose a picture file"_s);
    m_cmdDel = new QPushButton(u"X"_s, m_frame);
    m_cmdDel->setObjectName(u"cmdDel"_s);
    m_cmdDel->setToolTip(u"Remove the picture"_s);
    m_cmdOpenDlg->setFixedWidth(40);
    m_cmdDel->setFixedWidth(40);
    auto* frameLayout = new QHBoxLayout(m_frame);
    frameLayout->addWidget(m_picPanel);
    frameLayout->addWidget(m_cmdOpenDlg);
    frameLayout->addWidget(m_cmdDel);
    frameLayout->addStretch(1);

    m_cmdAddPanel = new QPushButton(u"Add Panel"_s, this);
    m_cmdAddPanel->setObjectName(u"cmdAddPanel"_s);
    m_cmdDelete = new QPushButton(u"Delete"_s, this);
    m_cmdDelete->setObjectName(u"cmdDelete"_s);

    // Its content is never read: it only marks the page changed. Shown, it would swallow what the
    // user types into it, so it stays hidden next to the minimum width field that is applied.
    auto* lblMinWidth = new QLabel(u"MinWidth:"_s, this);
    lblMinWidth->setObjectName(u"lblMinWidth"_s);
    lblMinWidth->hide();
    m_txtMinWidth = new QLineEdit(this);
    m_txtMinWidth->setObjectName(u"txtMinWidth"_s);
    m_txtMinWidth->hide();
    connect(m_txtMinWidth, &QLineEdit::textEdited, this, [this] { setChanged(true); });

    auto* grid = new QGridLayout(this);
    grid->addWidget(label(u"Index :"_s, this), 0, 0);
    auto* indexRow = new QHBoxLayout;
    indexRow->addWidget(m_txtIndex);
    indexRow->addWidget(m_hsb, 1);
    grid->addLayout(indexRow, 0, 1, 1, 3);
    grid->addWidget(label(u"Panel Text :"_s, this), 1, 0);
    grid->addWidget(m_txt[0], 1, 1, 1, 3);
    grid->addWidget(label(u"Panel Width :"_s, this), 2, 0);
    grid->addWidget(m_txt[1], 2, 1);
    grid->addWidget(label(u"Min Width:"_s, this), 2, 2);
    grid->addWidget(m_txt[3], 2, 3);
    grid->addWidget(label(u"Tooltip Text :"_s, this), 3, 0);
    grid->addWidget(m_txt[2], 3, 1, 1, 3);
    grid->addWidget(label(u"Auto Size:"_s, this), 4, 0);
    grid->addWidget(m_combo, 4, 1);
    grid->addWidget(m_chkEnabled, 4, 2, 1, 2);
    grid->addWidget(m_frame, 5, 0, 1, 4);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cmdAddPanel);
    buttons->addWidget(m_cmdDelete);
    grid->addLayout(buttons, 6, 0, 1, 4);
    grid->addWidget(lblMinWidth, 7, 0);
    grid->addWidget(m_txtMinWidth, 7, 1);
    grid->setRowStretch(8, 1);

    connect(m_hsb, &QScrollBar::valueChanged, this, &PanelsPage::hsbChanged);
    connect(m_cmdAddPanel, &QPushButton::clicked, this, &PanelsPage::addPanel);
    connect(m_cmdDelete, &QPushButton::clicked, this, &PanelsPage::deletePanel);
    connect(m_cmdOpenDlg, &QPushButton::clicked, this, &PanelsPage::openPicture);
    connect(m_cmdDel, &QPushButton::clicked, this, &PanelsPage::removePicture);
}

PanelsPage::~PanelsPage() = default;

void PanelsPage::setScrollRange(int count)
{
    m_hsb->setMaximum(std::max(count, 1));
    m_hsb->setEnabled(count > 0);
}

void PanelsPage::showIndex(int index)
{
    const QSignalBlocker blocker(m_hsb);
    m_hsb->setValue(index);
    m_txtIndex->setText(QString::number(index));
}

void PanelsPage::SelectionChanged(StatusBarEditTarget* target)
{
    m_target = target;
    m_currentIndex = 0;
    if (!m_target)
        return;
    const int count = m_target->NumberOfPanels();
    if (count == 0) {
        setScrollRange(0); // the fields stay as they are
        return;
    }
    {
        // A new selection starts at its first panel, whatever the scroll bar showed before.
        const QSignalBlocker blocker(m_hsb);
        setScrollRange(count);
        m_hsb->setValue(1);
    }
    m_txtIndex->setText(u"1"_s);
    m_currentIndex = 1;
    hsbChanged(m_hsb->value());
}

void PanelsPage::hsbChanged(int value)
{
    m_txtIndex->setText(QString::number(value));
    if (!m_target)
        return;
    if (Changed() && value != m_currentIndex && m_currentIndex > 0) {
        // The edits belong to the panel shown so far; a bad number keeps it shown.
        if (!ApplyChanges()) {
            showIndex(m_currentIndex);
            return;
        }
    }
    m_currentIndex = value;
    loadPanel(value);
}

void PanelsPage::loadPanel(int index)
{
    m_txt[0]->setText(m_target->PanelCaption(index));
    m_txt[1]->setText(QString::number(m_target->PanelWidth(index)));
    m_txt[2]->setText(m_target->ToolTipText(index));
    m_txt[3]->setText(QString::number(m_target->MinWidth(index)));
    switch (m_target->PanelAutoSize(index)) {
    case AutoSizeMode::Contents:
        m_combo->setCurrentText(ContentsText);
        break;
    case AutoSizeMode::Spring:
        m_combo->setCurrentText(SpringText);
        break;
    default:
        m_combo->setCurrentText(NoAutoSizeText);
        break;
    }
    m_chkEnabled->setChecked(m_target->PanelEnabled(index));
    showPicture(m_target->PanelPicture(index));
    m_cmdDelete->setEnabled(index != 0);
}

void PanelsPage::showPicture(const Picture& picture)
{
    m_picture = picture;
    if (picture.isNull()) {
        m_picPanel->clear();
        return;
    }
    QPixmap pixmap = QPixmap::fromImage(picture.image());
    if (pixmap.width() > m_picPanel->width() - 4 || pixmap.height() > m_picPanel->height() - 4)
        pixmap
            = pixmap.scaled(m_picPanel->size() - QSize(4, 4), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    m_picPanel->setPixmap(pixmap);
}

bool PanelsPage::ApplyChanges()
{
    if (!m_target || m_currentIndex < 1)
        return true;
    const int i = m_currentIndex;
    if (m_txt[1]->text().isEmpty())
        m_txt[1]->setText(QString::number(DefaultWidth));
    if (m_txt[3]->text().isEmpty())
        m_txt[3]->setText(QString::number(DefaultWidth));

    // Both numbers are checked before the first write, so a bad one leaves the panel untouched.
    const std::optional<int> minWidth = toInt32(m_txt[3]->text());
    const std::optional<int> width = toInt32(m_txt[1]->text());
    if (!minWidth || !width) {
        QStringList problems;
        if (!minWidth)
            problems << u"Min Width \"%1\" is not a number within 32 bits."_s.arg(m_txt[3]->text());
        if (!width)
            problems << u"Panel Width \"%1\" is not a number within 32 bits."_s.arg(m_txt[1]->text());
        QLineEdit* wrong = minWidth ? m_txt[1] : m_txt[3];
        m_messages->show(
            problems.join(u'\n').toStdString(), MessageBox::Exclamation, u"Panel %1"_s.arg(i).toStdString());
        wrong->setFocus();
        wrong->selectAll();
        return false;
    }

    const QString autoSizeText = m_combo->currentText();
    AutoSizeMode autoSize = AutoSizeMode::NoAutoSize;
    if (autoSizeText == ContentsText)
        autoSize = AutoSizeMode::Contents;
    else if (autoSizeText == SpringText)
        autoSize = AutoSizeMode::Spring;

    StatusBarEditScope scope(*m_target, u"Change panel %1"_s.arg(i));
    m_target->setMinWidth(i, *minWidth);
    m_target->setPanelCaption(i, m_txt[0]->text());
    m_target->setPanelWidth(i, *width);
    m_target->setToolTipText(i, m_txt[2]->text());
    m_target->setPanelAutoSize(i, autoSize);
    m_target->setPanelEnabled(i, m_chkEnabled->isChecked());
    m_target->setPanelPicture(i, m_picture);
    return true;
}

void PanelsPage::addPanel()
{
    if (!m_target)
        return;
    if (Changed() && !ApplyChanges())
        return;
    const int n
        = m_target->AddPanel(DefaultWidth, QString(), QString(), true, AutoSizeMode::NoAutoSize, Picture());
    setScrollRange(n);
    setChanged(true);
    m_currentIndex = n;
    // The fields keep the previous panel's values for the next apply; only the index follows.
    showIndex(n);
    showPicture(Picture());
}

void PanelsPage::deletePanel()
{
    if (!m_target)
        return;
    m_target->DeletePanel();
    setScrollRange(m_target->NumberOfPanels());
    setChanged(true);
}

void PanelsPage::openPicture()
{
    const QString path = OpenFileDialog::ShowOpenDialog(
        u"Load Picture"_s, u"All Picture Files|*.bmp;*.ico;*.gif"_s, u"*.*"_s);
    if (path.isEmpty())
        return;
    QString error;
    const Picture picture = Picture::load(path, &error);
    if (picture.isNull()) {
        m_messages->show(u"Cannot load the picture %1: %2"_s.arg(path, error).toStdString(),
            MessageBox::Exclamation, u"Load Picture"_s.toStdString());
        return;
    }
    showPicture(picture);
    setChanged(true);
}

void PanelsPage::removePicture()
{
    showPicture(Picture());
    setChanged(true);
}

} // namespace qv
