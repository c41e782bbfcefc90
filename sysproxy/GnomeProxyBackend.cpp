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
constexpr const char* kSocksSchema = "org.gnome.system.proxy.socks";

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

// The HTTP proxy's user name and password, or none: an old password is never sent to a new proxy.
bool setAuthentication(const std::optional<Credentials>& credentials, std::string* error)
{
    SettingsRef ref(kHttpSchema);
    bool written = g_settings_set_boolean(ref.settings, "use-authentication", credentials.has_value());
    if (credentials) {
        written = written
            && g_settings_set_string(ref.settings, "authentication-user", credentials->user.c_str())
            && g_settings_set_string(ref.settings, "authentication-password", credentials->password.c_str());
    }
    if (!written && error)
        *error = std::string("the setting ") + kHttpSchema + " authentication is not writable";
    return written;
}

bool allInstalled()
{
    for (const char* id : { kSchema, kHttpSchema, kHttpsSchema, kSocksSchema }) {
        if (!schemaInstalled(id))
            return false;
    }
    return true;
}

// GSettings strings are UTF-8; a user name or password in another encoding cannot be kept as it is.
bool storable(const DesktopProxy& proxy)
{
    // A NUL byte fails too: GSettings would cut the text there.
    const auto utf8 = [](const std::string& text) {
        return g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr);
    };
    return !proxy.credentials || proxy.socks
        || (utf8(proxy.credentials->user) && utf8(proxy.credentials->password));
}
} // namespace

bool GnomeProxyBackend::isAvailable() const
{
    if (!allInstalled())
        return false;
    // Without a lasting settings backend GIO keeps changes in memory only; nothing would reach the desktop.
    GSettingsBackend* backend = g_settings_backend_get_default();
    const bool lasting = std::strcmp(G_OBJECT_TYPE_NAME(backend), "GMemorySettingsBackend") != 0
        && std::strcmp(G_OBJECT_TYPE_NAME(backend), "GNullSettingsBackend") != 0;
    g_object_unref(backend);
    return lasting;
}

std::string GnomeProxyBackend::credentialsHolder(const DesktopProxy& proxy) const
{
    return proxy.socks ? std::string() : "GNOME's HTTP proxy";
}

bool GnomeProxyBackend::canApply(bool enable, const DesktopProxy& proxy, std::string* why) const
{
    if (!isAvailable()) {
        if (why)
            *why = missing();
        return false;
    }
    if (enable && !storable(proxy)) {
        if (why)
            *why = "the user name or password is not UTF-8 text";
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
        for (const char* schemaId : { kHttpSchema, kHttpsSchema, kSocksSchema }) {
            if (!writable(schemaId, "host") || !writable(schemaId, "port"))
                return false;
        }
        if (proxy.credentials && !proxy.socks
            && (!writable(kHttpSchema, "authentication-user")
                || !writable(kHttpSchema, "authentication-password")))
            return false;
    }
    return writable(kHttpSchema, "use-authentication") && writable(kSchema, "mode");
}

bool GnomeProxyBackend::apply(bool enable, const DesktopProxy& proxy, std::string* error)
{
    if (!isAvailable()) {
        if (error)
            *error = "the GNOME proxy settings are not installed";
        return false;
    }
    if (enable && !storable(proxy)) {
        if (error)
            *error = "the user name or password is not UTF-8 text";
        return false;
    }
    // Host and port first, so that the switch to "manual" already finds them.
    if (enable) {
        const std::string httpHost = proxy.socks ? std::string() : proxy.host;
        const int httpPort = proxy.socks ? 0 : proxy.port;
        if (!setProxy(kHttpSchema, httpHost, httpPort, error)
            || !setProxy(kHttpsSchema, httpHost, httpPort, error)
            || !setProxy(
                kSocksSchema, proxy.socks ? proxy.host : std::string(), proxy.socks ? proxy.port : 0, error))
            return false;
    }
    if (!setAuthentication(enable && !proxy.socks ? proxy.credentials : std::nullopt, error))
        return false;
    SettingsRef settings(kSchema);
    if (!g_settings_set_string(settings.settings, "mode", enable ? "manual" : "none")) {
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
    if (!allInstalled())
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
    SettingsRef socks(kSocksSchema);
    result.mode = readString(proxy.settings, "mode");
    result.httpHost = readString(http.settings, "host");
    result.httpPort = g_settings_get_int(http.settings, "port");
    result.httpsHost = readString(https.settings, "host");
    result.httpsPort = g_settings_get_int(https.settings, "port");
    result.socksHost = readString(socks.settings, "host");
    result.socksPort = g_settings_get_int(socks.settings, "port");
    result.useAuthentication = g_settings_get_boolean(http.settings, "use-authentication");
    result.user = readString(http.settings, "authentication-user");
    result.password = readString(http.settings, "authentication-password");
    return result;
}

} // namespace qv
