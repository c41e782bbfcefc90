#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "platform/FileDialog.h"

namespace qv {

// Open and save dialogs that share filter, title and the last chosen file.
class QtFileDialog final : public FileDialog
{
public:
    explicit QtFileDialog(QWidget* parent = nullptr)
        : m_parent(parent)
    {
    }

    void setFilter(const std::string& filter) override { m_filter = filter; }
    std::string filter() const override { return m_filter; }
    void setFileName(const std::string& path) override { m_fileName = path; }
    std::string fileName() const override { return m_fileName; }
    void setDialogTitle(const std::string& title) override { m_title = title; }
    void setDefaultExt(const std::string& extension) override { m_defaultExt = extension; }
    bool showOpen() override;
    bool showSave() override;

    // "Text Files|*.txt|All Files|*.*" as Qt name filters; "*.*" becomes "*" so that files
    // without a dot are offered too.
    static QStringList nameFilters(const std::string& filter);

private:
    bool show(bool save);

    QPointer<QWidget> m_parent;
    std::string m_filter;
    std::string m_fileName;
    std::string m_title;
    std::string m_defaultExt;
};

} // namespace qv
