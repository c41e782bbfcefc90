#pragma once

#include <QObject>
#include <QPointer>
#include <QtDesigner/QDesignerFormEditorInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

namespace qv {

// Offers the style button in the form designer. At design time the button is told so, so that
// colours set there carry over to their hover counterparts.
class StyleButtonPlugin final : public QObject, public QDesignerCustomWidgetInterface
{
    Q_OBJECT
    Q_INTERFACES(QDesignerCustomWidgetInterface)

public:
    explicit StyleButtonPlugin(QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(StyleButtonPlugin)

    QString name() const override;
    QString group() const override;
    QString toolTip() const override;
    QString whatsThis() const override;
    QString includeFile() const override;
    QIcon icon() const override;
    bool isContainer() const override { return false; }
    QWidget* createWidget(QWidget* parent) override;
    bool isInitialized() const override { return m_initialized; }
    void initialize(QDesignerFormEditorInterface* core) override;
    QString domXml() const override;

private:
    bool m_initialized = false;
    QPointer<QDesignerFormEditorInterface> m_core; // set only inside the designer
};

} // namespace qv
