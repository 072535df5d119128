#include "VirtualKeys.h"

#include "RuntimeError.h"

#include <QHash>
#include <QStringList>

namespace VirtualKeys {
namespace {
constexpr int InvalidArgument = 5;

const QHash<int, QString>& NamedKeys() {
    static const QHash<int, QString> names{
        {0x08, "Backspace"}, {0x09, "Tab"},      {0x0D, "Enter"},       {0x13, "Pause"},
        {0x14, "Caps Lock"}, {0x1B, "Esc"},      {0x20, "Space"},       {0x21, "Page Up"},
        {0x22, "Page Down"}, {0x23, "End"},      {0x24, "Home"},        {0x25, "Left"},
        {0x26, "Up"},        {0x27, "Right"},    {0x28, "Down"},        {0x2C, "Print"},
        {0x2D, "Insert"},    {0x2E, "Delete"},   {0x5D, "Menu"},        {0x6A, "Num *"},
        {0x6B, "Num +"},     {0x6C, "Num ,"},    {0x6D, "Num -"},       {0x6E, "Num ."},
        {0x6F, "Num /"},     {0x90, "Num Lock"}, {0x91, "Scroll Lock"}, {0xBA, ";"},
        {0xBB, "="},         {0xBC, ","},        {0xBD, "-"},           {0xBE, "."},
        {0xBF, "/"},         {0xC0, "`"},        {0xDB, "["},           {0xDC, "\\"},
        {0xDD, "]"},         {0xDE, "'"},
    };
    return names;
}
} // namespace

QList<int> ParseKeyCodes(const QString& codes) {
    QList<int> result;
    const QStringList entries = codes.split(QLatin1Char(','));
    for (const QString& entry : entries) {
        bool ok = false;
        const int code = entry.trimmed().toInt(&ok);
        if (!ok || code < 1 || code > 254)
            throw RuntimeError(
                InvalidArgument, QStringLiteral("KeyWatcher"),
                QStringLiteral("Invalid key code \"%1\" in the key list \"%2\"").arg(entry.trimmed(), codes));
        result.append(code);
    }
    return result;
}

Modifier ModifierOf(int code) {
    switch (code) {
    case 0x10:
    case 0xA0:
    case 0xA1:
        return Modifier::Shift;
    case 0x11:
    case 0xA2:
    case 0xA3:
        return Modifier::Ctrl;
    case 0x12:
    case 0xA4:
    case 0xA5:
        return Modifier::Alt;
    case 0x5B:
    case 0x5C:
        return Modifier::Win;
    default:
        return Modifier::NotModifier;
    }
}

QString Name(int code) {
    switch (ModifierOf(code)) {
    case Modifier::Shift:
        return QStringLiteral("Shift");
    case Modifier::Ctrl:
        return QStringLiteral("Ctrl");
    case Modifier::Alt:
        return QStringLiteral("Alt");
    case Modifier::Win:
        return QStringLiteral("Win");
    case Modifier::NotModifier:
        break;
    }
    if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z'))
        return QString(QChar(code));
    if (code >= 0x60 && code <= 0x69)
        return QStringLiteral("Num %1").arg(code - 0x60);
    if (code >= 0x70 && code <= 0x87)
        return QStringLiteral("F%1").arg(code - 0x6F);
    return NamedKeys().value(code, QStringLiteral("key %1").arg(code));
}

QString HotKeyText(const QList<int>& codes) {
    QStringList modifiers;
    QStringList combinations;
    for (int code : codes) {
        if (ModifierOf(code) != Modifier::NotModifier && !modifiers.contains(Name(code)))
            modifiers.append(Name(code));
    }
    if (modifiers.isEmpty())
        return {};
    for (int code : codes) {
        if (ModifierOf(code) == Modifier::NotModifier)
            combinations.append((modifiers + QStringList{Name(code)}).join(QLatin1Char('+')));
    }
    return combinations.join(QStringLiteral(", "));
}

} // namespace VirtualKeys
