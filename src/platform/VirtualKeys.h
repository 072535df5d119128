#pragma once

#include <QList>
#include <QString>

// Windows virtual-key codes as the program names its keys ("17,18,76" is Ctrl, Alt, L), with the
// little knowledge about them that does not depend on a windowing system.
namespace VirtualKeys {

enum class Modifier { NotModifier, Shift, Ctrl, Alt, Win };

// Reads "17, 18,76" into its codes. Empty entries, non-numbers and codes outside 1..254 raise a
// RuntimeError naming the offending entry.
QList<int> ParseKeyCodes(const QString& codes);

// Which modifier a code is: 16/160/161 Shift, 17/162/163 Ctrl, 18/164/165 Alt, 91/92 Win.
Modifier ModifierOf(int code);

// A short name for messages: "Ctrl", "L", "7", "F5", "Num 3", "Space"; "key 233" when unnamed.
QString Name(int code);

// The hot key the codes form, as "Ctrl+Alt+L": the modifiers in list order, then one of the other keys
// (several combinations are separated by ", "). Empty when the list lacks a modifier or another key.
QString HotKeyText(const QList<int>& codes);

} // namespace VirtualKeys
