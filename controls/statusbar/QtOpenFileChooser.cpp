#include "controls/statusbar/QtOpenFileChooser.h"

#include <QApplication>
#include <QFileDialog>

using namespace Qt::StringLiterals;

namespace qv {

QStringList QtOpenFileChooser::nameFilters(const QString& convertedFilter)
{
    const QStringList parts = convertedFilter.split(QChar(0));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty() && parts[i + 1].isEmpty())
            break; // the closing NULs
        QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern.trimmed();
            if (pattern == "*.*"_L1)
                pattern = u"*"_s; // files without a dot too
        }
        filters << u"%1 (%2)"_s.arg(parts[i].trimmed(), patterns.join(u' '));
    }
    return filters;
}

QString QtOpenFileChooser::chooseOpenFile(const OpenFileRequest& request)
{
    // Over the property dialog that asked, not behind it.
    QFileDialog dialog(m_parent ? m_parent.data() : QApplication::activeWindow(), request.title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    const QStringList filters = nameFilters(request.filter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    // "*.*" and the like name no extension to add.
    QString ext = request.defaultExt;
    if (ext.startsWith("*."_L1))
        ext.remove(0, 2);
    else if (ext.startsWith(u'.'))
        ext.remove(0, 1);
    if (!ext.isEmpty() && !ext.contains(u'*'))
        dialog.setDefaultSuffix(ext);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

} // namespace qv
