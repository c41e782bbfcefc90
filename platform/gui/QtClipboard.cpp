#include "platform/gui/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace qv {

void QtClipboard::clear()
{
    QGuiApplication::clipboard()->clear();
}

void QtClipboard::setText(const std::string& text)
{
    QGuiApplication::clipboard()->setText(
        QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

std::string QtClipboard::text() const
{
    return QGuiApplication::clipboard()->text().toLatin1().toStdString();
}

} // namespace qv
