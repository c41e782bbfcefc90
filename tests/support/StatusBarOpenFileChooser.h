#pragma once

#include <QString>

#include "controls/statusbar/OpenFileChooser.h"
#include "controls/statusbar/OpenFileDialog.h"
#include "support/FakeFileDialog.h"

namespace qv::test {

// The status bar's open-file chooser answered by the shared scripted dialog (its title, filter and
// default extension set from each request); installed while it lives.
class StatusBarOpenFileChooser final : public OpenFileChooser
{
public:
    StatusBarOpenFileChooser() { m_previous = OpenFileDialog::setChooser(this); }
    ~StatusBarOpenFileChooser() override { OpenFileDialog::setChooser(m_previous); }
    StatusBarOpenFileChooser(const StatusBarOpenFileChooser&) = delete;
    StatusBarOpenFileChooser& operator=(const StatusBarOpenFileChooser&) = delete;

    QString chooseOpenFile(const OpenFileRequest& request) override
    {
        dialog.setDialogTitle(request.title.toStdString());
        dialog.setFilter(request.filter.toStdString());
        dialog.setDefaultExt(request.defaultExt.toStdString());
        return dialog.showOpen() ? QString::fromStdString(dialog.fileName()) : QString();
    }

    FakeFileDialog dialog;

private:
    OpenFileChooser* m_previous = nullptr;
};

} // namespace qv::test
