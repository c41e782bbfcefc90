#pragma once

#include <QExtensionFactory>

namespace qv {

// Gives the panel status bar, and nothing else, its task menu.
class StatusBarTaskMenuFactory final : public QExtensionFactory
{
    Q_OBJECT

public:
    explicit StatusBarTaskMenuFactory(QExtensionManager* parent = nullptr);
    Q_DISABLE_COPY_MOVE(StatusBarTaskMenuFactory)

protected:
    QObject* createExtension(QObject* object, const QString& iid, QObject* parent) const override;
};

} // namespace qv
