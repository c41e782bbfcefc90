#pragma once

#include <QIcon>

namespace qv::PluginIcons {

// Toolbox icons of the two controls, painted here so that no image files ship with the plugin.
QIcon statusBar();
QIcon StyleButton();

} // namespace qv::PluginIcons
