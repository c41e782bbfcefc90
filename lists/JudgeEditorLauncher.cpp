#include "lists/JudgeEditorLauncher.h"

#include "lists/JudgeListEditor.h"

namespace qv {

JudgeEditorLauncher::JudgeEditorLauncher(std::string path, QObject* parent)
    : QObject(parent)
    , m_path(std::move(path))
{
}

JudgeEditorLauncher::~JudgeEditorLauncher()
{
    delete m_form.data();
}

void JudgeEditorLauncher::show()
{
    // A closed editor may still wait for its deferred deletion: it is gone for the user.
    if (m_form && !m_form->isVisible())
        delete m_form.data();
    if (!m_form) {
        m_form = m_path.empty() ? new JudgeListEditor : new JudgeListEditor(m_path);
        // Closing discards the editor, so the next show reads the file again.
        m_form->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_form->show();
    m_form->raise();
    m_form->activateWindow();
}

JudgeListEditor* JudgeEditorLauncher::form() const
{
    return m_form.data();
}

void JudgeEditorLauncher::closeEditor()
{
    delete m_form.data();
}

} // namespace qv
