#pragma once

#include <QObject>
#include <QPointer>
#include <string>

namespace qv {

class JudgeListEditor;

// Opens the judge-script editor without an owner and not modal; a second request only brings the
// open editor to the front, keeping its unsaved text. The editor closes when this object goes.
class JudgeEditorLauncher final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(JudgeEditorLauncher)
public:
    // An empty path edits the judge list the program reads (see JudgeListEditor).
    explicit JudgeEditorLauncher(std::string path = {}, QObject* parent = nullptr);
    ~JudgeEditorLauncher() override;

    void show();
    void closeEditor();
    // The open editor, or null.
    JudgeListEditor* form() const;

private:
    std::string m_path;
    QPointer<JudgeListEditor> m_form;
};

} // namespace qv
