#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include "controls/statusbar/OpenFileChooser.h"

namespace qv {

// The open-file dialog on Qt. Qt's dialog has no read-only check box, so hiding it needs nothing.
class QtOpenFileChooser final : public OpenFileChooser
{
public:
    explicit QtOpenFileChooser(QWidget* parent = nullptr)
        : m_parent(parent)
    {
    }

    QString chooseOpenFile(const OpenFileRequest& request) override;

    // The converted filter list as Qt name filters: "All Picture Files (*.bmp *.ico *.gif)".
    static QStringList nameFilters(const QString& convertedFilter);

private:
    QPointer<QWidget> m_parent;
};

} // namespace qv
