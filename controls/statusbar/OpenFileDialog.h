#pragma once

#include <QString>

#include "controls/statusbar/OpenFileChooser.h"

namespace qv::OpenFileDialog {

// "Name|patterns|Name|patterns" with every "|" turned into a NUL and one more NUL at the end.
// The result is also kept as the module's filter list until the next call.
QString ConvertFilter(const QString& filter);
// The filter list built by the last ConvertFilter.
const QString& ConvertedFilter();

// Asks the open-file chooser for one existing file; "" when the user cancelled. The read-only
// option is hidden. The request stays readable through LastRequest.
QString ShowOpenDialog(const QString& title, const QString& filter, const QString& defaultExt);
const OpenFileRequest& LastRequest();

// Replaces the chooser (tests install a fake); nullptr restores the Qt dialog. Returns the chooser
// that was installed before. The caller keeps ownership.
OpenFileChooser* setChooser(OpenFileChooser* chooser);

} // namespace qv::OpenFileDialog
