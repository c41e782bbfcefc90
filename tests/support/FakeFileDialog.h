#pragma once

#include <deque>
#include <vector>

#include "platform/FileDialog.h"

namespace qv {

// Each show takes the next scripted file name; with nothing scripted the dialog is cancelled.
// Records the filter and title of every show.
class FakeFileDialog final : public FileDialog
{
public:
    struct Shown
    {
        std::string filter, title, offeredFileName;
    };

    void setNextFileName(const std::string& path) { m_outcomes.emplace_back(path); }

    void setFilter(const std::string& filter) override { m_filter = filter; }
    std::string filter() const override { return m_filter; }
    void setFileName(const std::string& path) override { m_fileName = path; }
    std::string fileName() const override { return m_fileName; }
    void setDialogTitle(const std::string& title) override { m_title = title; }
    void setDefaultExt(const std::string& extension) override { m_defaultExt = extension; }
    std::string defaultExt() const { return m_defaultExt; }
    bool showOpen() override { return show(); }
    bool showSave() override { return show(); }

    const std::vector<Shown>& shown() const { return m_shown; }
    int showCount() const { return static_cast<int>(m_shown.size()); }

private:
    bool show()
    {
        m_shown.push_back({ m_filter, m_title, m_fileName });
        if (m_outcomes.empty())
            return false;
        m_fileName = m_outcomes.front();
        m_outcomes.pop_front();
        return true;
    }

    std::deque<std::string> m_outcomes;
    std::vector<Shown> m_shown;
    std::string m_filter, m_fileName, m_title, m_defaultExt;
};

} // namespace qv
