#pragma once

#include <QString>
#include <deque>
#include <vector>

#include "controls/statusbar/OpenFileChooser.h"
#include "controls/statusbar/OpenFileDialog.h"

namespace qv::test {

// Answers each request with the next scripted path ("" is a cancel; nothing scripted cancels too)
// and records the requests. Installs itself as the open-file chooser while it lives.
class FakeOpenFileChooser final : public OpenFileChooser
{
public:
    FakeOpenFileChooser() { m_previous = OpenFileDialog::setChooser(this); }
    ~FakeOpenFileChooser() override { OpenFileDialog::setChooser(m_previous); }
    FakeOpenFileChooser(const FakeOpenFileChooser&) = delete;
    FakeOpenFileChooser& operator=(const FakeOpenFileChooser&) = delete;

    void setNextPath(const QString& path) { m_paths.push_back(path); }

    QString chooseOpenFile(const OpenFileRequest& request) override
    {
        m_requests.push_back(request);
        if (m_paths.empty())
            return {};
        const QString path = m_paths.front();
        m_paths.pop_front();
        return path;
    }

    const std::vector<OpenFileRequest>& requests() const { return m_requests; }

private:
    OpenFileChooser* m_previous = nullptr;
    std::deque<QString> m_paths;
    std::vector<OpenFileRequest> m_requests;
};

} // namespace qv::test
