#include "DesktopEntries.h"

#include <QFileInfo>
#include <algorithm>
#include <memory>

// GLib names a structure member "signals", which Qt defines as a macro.
#pragma push_macro("signals")
#undef signals
#include <gio/gdesktopappinfo.h>
#pragma pop_macro("signals")

namespace DesktopEntries {
namespace {

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
using AppInfoPtr = std::unique_ptr<GAppInfo, GObjectUnref>;
using DesktopAppInfoPtr = std::unique_ptr<GDesktopAppInfo, GObjectUnref>;

// Takes a string GLib allocated.
QString takeString(gchar* text) {
    const QString result = QString::fromUtf8(text);
    g_free(text);
    return result;
}

QString entryString(GDesktopAppInfo* info, const char* key) {
    return takeString(g_desktop_app_info_get_string(info, key));
}

QString entryLocaleString(GDesktopAppInfo* info, const char* key) {
    return takeString(g_desktop_app_info_get_locale_string(info, key));
}

// Exec split the way desktop entries quote their arguments (a subset of the shell's quoting, with no
// expansions of any kind); empty when the line cannot be split.
QStringList splitExec(const QString& exec) {
    gint count = 0;
    gchar** parts = nullptr;
    if (exec.trimmed().isEmpty() || !g_shell_parse_argv(exec.toUtf8().constData(), &count, &parts, nullptr))
        return {};
    QStringList arguments;
    for (gint i = 0; i < count; ++i)
        arguments << QString::fromUtf8(parts[i]);
    g_strfreev(parts);
    return arguments;
}

std::optional<DesktopApplication> applicationOf(GDesktopAppInfo* info) {
    DesktopApplication app;
    GAppInfo* appInfo = G_APP_INFO(info);
    app.id = QString::fromUtf8(g_app_info_get_id(appInfo));
    app.filePath = QString::fromUtf8(g_desktop_app_info_get_filename(info));
    app.name = QString::fromUtf8(g_app_info_get_name(appInfo)).trimmed();
    app.description = entryLocaleString(info, G_KEY_FILE_DESKTOP_KEY_COMMENT).trimmed();
    if (app.description.isEmpty())
        app.description = QString::fromUtf8(g_desktop_app_info_get_generic_name(info)).trimmed();
    app.icon = entryString(info, G_KEY_FILE_DESKTOP_KEY_ICON).trimmed();
    app.commandLine = ExpandFieldCodes(splitExec(entryString(info, G_KEY_FILE_DESKTOP_KEY_EXEC)), app.name,
                                       app.icon, app.filePath);
    app.terminal = g_desktop_app_info_get_boolean(info, G_KEY_FILE_DESKTOP_KEY_TERMINAL);
    app.categories = QString::fromUtf8(g_desktop_app_info_get_categories(info))
                         .split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (app.name.isEmpty() || app.commandLine.isEmpty())
        return std::nullopt;
    return app;
}

// One field code (the letter after '%') within an argument: what it stands for, when that is known
// without any file to open.
QString fieldValue(QChar code, const QString& name, const QString& filePath) {
    switch (code.unicode()) {
    case '%':
        return QStringLiteral("%");
    case 'c':
        return name;
    case 'k':
        return filePath;
    default: // %f %F %u %U (files and URLs: none are given), %i inside a word, deprecated codes
        return {};
    }
}

} // namespace

QStringList ExpandFieldCodes(const QStringList& arguments, const QString& name, const QString& icon,
                             const QString& filePath) {
    QStringList expanded;
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("%i")) {
            if (!icon.isEmpty())
                expanded << QStringLiteral("--icon") << icon;
            continue;
        }
        QString text;
        bool hadCode = false;
        for (qsizetype i = 0; i < argument.size(); ++i) {
            if (argument[i] != QLatin1Char('%') || i + 1 == argument.size()) {
                text += argument[i];
                continue;
            }
            hadCode = true;
            text += fieldValue(argument[++i], name, filePath);
        }
        // An argument that was only a code for files, URLs or a missing value goes altogether.
        if (!text.isEmpty() || !hadCode)
            expanded << text;
    }
    return expanded;
}

QList<DesktopApplication> Installed() {
    QList<DesktopApplication> applications;
    GList* all = g_app_info_get_all(); // without the Hidden entries and missing TryExec programs
    for (GList* item = all; item; item = item->next) {
        auto* appInfo = static_cast<GAppInfo*>(item->data);
        if (G_IS_DESKTOP_APP_INFO(appInfo) && g_app_info_should_show(appInfo))
            if (auto app = applicationOf(G_DESKTOP_APP_INFO(appInfo)))
                applications << *app;
    }
    g_list_free_full(all, g_object_unref);
    std::sort(applications.begin(), applications.end(),
              [](const DesktopApplication& a, const DesktopApplication& b) { return a.id < b.id; });
    return applications;
}

std::optional<DesktopApplication> Read(const QString& path) {
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    // GIO refuses entries that are no applications or whose TryExec or Exec program is missing.
    DesktopAppInfoPtr info(g_desktop_app_info_new_from_filename(QFile::encodeName(path).constData()));
    if (!info || g_desktop_app_info_get_is_hidden(info.get()))
        return std::nullopt;
    return applicationOf(info.get());
}

bool IsDesktopEntryFile(const QString& path) {
    return path.endsWith(QLatin1String(".desktop"), Qt::CaseInsensitive);
}

QString DefaultApplicationId(const QString& contentType) {
    AppInfoPtr info(g_app_info_get_default_for_type(contentType.toUtf8().constData(), FALSE));
    return info ? QString::fromUtf8(g_app_info_get_id(info.get())) : QString();
}

} // namespace DesktopEntries
