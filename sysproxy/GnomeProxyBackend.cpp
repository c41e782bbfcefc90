// No Qt header in this file: GIO uses "signals" as a name, which Qt defines as a macro.
#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>

#include <cstring>

#include "sysproxy/GnomeProxyBackend.h"

namespace qv {

namespace {
constexpr const char* kSchema = "org.gnome.system.proxy";
constexpr const char* kHttpSchema = "org.gnome.system.proxy.http";
constexpr const char* kHttpsSchema = "org.gnome.system.proxy.https";

bool schemaInstalled(const char* id)
{
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source)
        return false;
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, id, TRUE);
    if (!schema)
        return false;
    g_settings_schema_unref(schema);
    return true;
}

struct SettingsRef
{
    explicit SettingsRef(const char* id)
        : settings(g_settings_new(id))
    {
    }
    ~SettingsRef() { g_object_unref(settings); }
    SettingsRef(const SettingsRef&) = delete;
    SettingsRef& operator=(const SettingsRef&) = delete;
    GSettings* settings;
};

bool setProxy(const char* schemaId, const std::string& host, int port, std::string* error)
{
    SettingsRef ref(schemaId);
    if (!g_settings_set_string(ref.settings, "host", host.c_str())
        || !g_settings_set_int(ref.settings, "port", port)) {
        if (error)
            *error = std::string("the setting ") + schemaId + " is not writable";
        return false;
    }
    return true;
}
} // namespace

bool GnomeProxyBackend::isAvailable() const
{
    if (!schemaInstalled(kSchema) || !schemaInstalled(kHttpSchema) || !schemaInstalled(kHttpsSchema))
        return false;
    // Without a lasting settings backend GIO keeps changes in memory only; nothing would reach the desktop.
    GSettingsBackend* backend = g_settings_backend_get_default();
    const bool lasting = std::strcmp(G_OBJECT_TYPE_NAME(backend), "GMemorySettingsBackend") != 0
        && std::strcmp(G_OBJECT_TYPE_NAME(backend), "GNullSettingsBackend") != 0;
    g_object_unref(backend);
    return lasting;
}

bool GnomeProxyBackend::canApply(bool enable, const std::string&, int, std::string* why) const
{
    if (!isAvailable()) {
        if (why)
            *why = missing();
        return false;
    }
    const auto writable = [why](const char* schemaId, const char* key) {
        SettingsRef ref(schemaId);
        if (g_settings_is_writable(ref.settings, key))
            return true;
        if (why)
            *why = std::string("the setting ") + schemaId + " " + key + " is locked";
        return false;
    };
    if (enable) {
        for (const char* schemaId : { kHttpSchema, kHttpsSchema }) {
            if (!writable(schemaId, "host") || !writable(schemaId, "port"))
                return false;
        }
    }
    return writable(kSchema, "mode");
}

bool GnomeProxyBackend::apply(bool enable, const std::string& host, int port, std::string* error)
{
    if (!isAvailable()) {
        if (error)
            *error = "the GNOME proxy settings are not installed";
        return false;
    }
    // Host and port first, so that the switch to "manual" already finds them.
    if (enable && (!setProxy(kHttpSchema, host, port, error) || !setProxy(kHttpsSchema, host, port, error)))
        return false;
    SettingsRef proxy(kSchema);
    if (!g_settings_set_string(proxy.settings, "mode", enable ? "manual" : "none")) {
        if (error)
            *error = std::string("the setting ") + kSchema + " mode is not writable";
        return false;
    }
    g_settings_sync();
    return true;
}

GnomeProxyBackend::Settings GnomeProxyBackend::current()
{
    Settings result;
    if (!schemaInstalled(kSchema) || !schemaInstalled(kHttpSchema) || !schemaInstalled(kHttpsSchema))
        return result;
    auto readString = [](GSettings* settings, const char* key) {
        gchar* value = g_settings_get_string(settings, key);
        std::string text = value ? value : "";
        g_free(value);
        return text;
    };
    SettingsRef proxy(kSchema);
    SettingsRef http(kHttpSchema);
    SettingsRef https(kHttpsSchema);
    result.mode = readString(proxy.settings, "mode");
    result.httpHost = readString(http.settings, "host");
    result.httpPort = g_settings_get_int(http.settings, "port");
    result.httpsHost = readString(https.settings, "host");
    result.httpsPort = g_settings_get_int(https.settings, "port");
    return result;
}

} // namespace qv
