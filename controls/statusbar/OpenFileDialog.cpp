#include "controls/statusbar/OpenFileDialog.h"

#include "controls/statusbar/QtOpenFileChooser.h"

namespace qv::OpenFileDialog {

namespace {

// Module-level like the dialog record they stand for: both survive from one call to the next.
QString s_filter;
OpenFileRequest s_request;
OpenFileChooser* s_chooser = nullptr;

OpenFileChooser& chooser()
{
    static QtOpenFileChooser qtChooser;
    return s_chooser ? *s_chooser : qtChooser;
}

} // namespace

QString ConvertFilter(const QString& filter)
{
    QString converted;
    converted.reserve(filter.size() + 1);
    for (const QChar c : filter)
        converted += c == u'|' ? QChar(0) : c;
    converted += QChar(0);
    s_filter = converted;
    return converted;
}

const QString& ConvertedFilter()
{
    return s_filter;
}

QString ShowOpenDialog(const QString& title, const QString& filter, const QString& defaultExt)
{
    s_request.title = title;
    s_request.defaultExt = defaultExt;
    // The record's terminator closes the list with a second NUL.
    s_request.filter = ConvertFilter(filter) + QChar(0);
    s_request.hideReadOnly = true;
    return chooser().chooseOpenFile(s_request);
}

const OpenFileRequest& LastRequest()
{
    return s_request;
}

OpenFileChooser* setChooser(OpenFileChooser* chooser)
{
    OpenFileChooser* previous = s_chooser;
    s_chooser = chooser;
    return previous;
}

} // namespace qv::OpenFileDialog
