#pragma once

#include <QChar>
#include <QString>
#include <Qt>

// Key codes of the main window's key table (the Windows virtual-key numbers the settings and the key
// table have always used).
namespace MainKey {
constexpr int Enter = 13, Space = 32, Escape = 27;
constexpr int PageUp = 33, PageDown = 34, End = 35, Home = 36;
constexpr int Left = 37, Up = 38, Right = 39, Down = 40;
constexpr int NumPadPlus = 107, NumPadMinus = 109;
constexpr int Comma = 188, FullStop = 190, OpenBracket = 219, CloseBracket = 221;
} // namespace MainKey

// The key-table code of a Qt key press, or 0 for a key the main window does not use. Punctuation is
// matched by the key that carries it on a US layout whether or not Shift is held ("<" is the comma
// key); plus and minus count only on the numeric pad, where comma and full stop do not count.
int MainWindowKeyCode(int qtKey, Qt::KeyboardModifiers modifiers);

// The letter or digit a key press types for the type-to-jump search, or a null character: keys of the
// key table, keys held with Ctrl, Alt or Meta and anything but one letter or digit type nothing.
QChar MainWindowTypedCharacter(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text);
