#include "platform/gui/QtFileDialog.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

namespace qv {

QStringList QtFileDialog::nameFilters(const std::string& filter)
{
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern.trimmed();
            if (pattern == QLatin1String("*.*"))
                pattern = QStringLiteral("*");
        }
        filters << QStringLiteral("%1 (%2)").arg(parts[i].trimmed(), patterns.join(QLatin1Char(' ')));
    }
    return filters;
}

bool QtFileDialog::showOpen()
{
    return show(false);
}

bool QtFileDialog::showSave()
{
    return show(true);
}

bool QtFileDialog::show(bool save)
{
    QFileDialog dialog(m_parent);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!m_title.empty())
        dialog.setWindowTitle(QString::fromStdString(m_title));
    const QStringList filters = nameFilters(m_filter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    if (!m_defaultExt.empty()) {
        QString ext = QString::fromStdString(m_defaultExt);
        if (ext.startsWith(QLatin1Char('.')))
            ext.remove(0, 1);
        dialog.setDefaultSuffix(ext);
    }
    if (!m_fileName.empty()) {
        const QFileInfo last(QFile::decodeName(QByteArray::fromStdString(m_fileName)));
        dialog.setDirectory(last.absolutePath());
        dialog.selectFile(last.fileName());
    }
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return false;
    m_fileName = QFile::encodeName(chosen.first()).toStdString();
    return true;
}

} // namespace qv
