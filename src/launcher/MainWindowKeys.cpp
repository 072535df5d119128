#include "MainWindowKeys.h"

int MainWindowKeyCode(int qtKey, Qt::KeyboardModifiers modifiers) {
    const bool numPad = modifiers.testFlag(Qt::KeypadModifier);
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return MainKey::Enter;
    case Qt::Key_Space:
        return MainKey::Space;
    case Qt::Key_Escape:
        return MainKey::Escape;
    case Qt::Key_PageUp:
        return MainKey::PageUp;
    case Qt::Key_PageDown:
        return MainKey::PageDown;
    case Qt::Key_End:
        return MainKey::End;
    case Qt::Key_Home:
        return MainKey::Home;
    case Qt::Key_Left:
        return MainKey::Left;
    case Qt::Key_Up:
        return MainKey::Up;
    case Qt::Key_Right:
        return MainKey::Right;
    case Qt::Key_Down:
        return MainKey::Down;
    case Qt::Key_Plus:
        return numPad ? MainKey::NumPadPlus : 0;
    case Qt::Key_Minus:
        return numPad ? MainKey::NumPadMinus : 0;
    case Qt::Key_Comma:
    case Qt::Key_Less:
        return numPad ? 0 : MainKey::Comma;
    case Qt::Key_Period:
    case Qt::Key_Greater:
        return numPad ? 0 : MainKey::FullStop;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
        return MainKey::OpenBracket;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight:
        return MainKey::CloseBracket;
    default:
        return 0;
    }
}

QChar MainWindowTypedCharacter(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text) {
    if (MainWindowKeyCode(qtKey, modifiers) != 0 ||
        (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) || text.size() != 1 ||
        !text.front().isLetterOrNumber())
        return {};
    return text.front();
}
