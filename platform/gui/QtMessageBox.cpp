#include "platform/gui/QtMessageBox.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace qv {

int QtMessageBox::show(const std::string& prompt, int style, const std::string& title)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(title.empty() ? QCoreApplication::applicationName() : QString::fromStdString(title));
    box.setText(QString::fromStdString(prompt));
    switch (style & 0x70) {
    case Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case Information:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    if ((style & 0x7) == YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? Yes : No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return Ok;
}

} // namespace qv
