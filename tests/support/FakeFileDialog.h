#pragma once

#include <deque>
#include <vector>

#include "platform/FileDialog.h"

namespace qv {

// Each show takes the next scripted file name; with nothing scripted the dialog is cancelled.
// Records the file name every show offered.
class FakeFileDialog final : public FileDialog
{
public:
    void setNextFileName(const std::string& path) { m_outcomes.emplace_back(path); }

    void setFilter(const std::string& filter) override { m_filter = filter; }
    std::string filter() const override { return m_filter; }
    void setFileName(const std::string& path) override { m_fileName = path; }
    std::string fileName() const override { return m_fileName; }
    void setDialogTitle(const std::string&) override { }
    void setDefaultExt(const std::string&) override { }
    bool showOpen() override { return show(); }
    bool showSave() override { return show(); }

    const std::vector<std::string>& offered() const { return m_offered; }
    int showCount() const { return static_cast<int>(m_offered.size()); }

private:
    bool show()
    {
        m_offered.push_back(m_fileName);
        if (m_outcomes.empty())
            return false;
        m_fileName = m_outcomes.front();
        m_outcomes.pop_front();
        return true;
    }

    std::deque<std::string> m_outcomes;
    std::vector<std::string> m_offered;
    std::string m_filter, m_fileName;
};

} // namespace qv
