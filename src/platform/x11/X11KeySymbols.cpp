#include "X11KeySymbols.h"

#include <QHash>

#include <X11/keysym.h>

namespace {
// Codes whose keysyms do not follow from a range.
const QHash<int, QList<unsigned long>>& NamedKeys() {
    static const QHash<int, QList<unsigned long>> keys{
        {0x08, {XK_BackSpace}},
        {0x09, {XK_Tab, XK_ISO_Left_Tab}},
        {0x0D, {XK_Return, XK_KP_Enter}},
        {0x10, {XK_Shift_L, XK_Shift_R}},
        {0x11, {XK_Control_L, XK_Control_R}},
        {0x12, {XK_Alt_L, XK_Alt_R, XK_Meta_L, XK_Meta_R}},
        {0x13, {XK_Pause}},
        {0x14, {XK_Caps_Lock}},
        {0x1B, {XK_Escape}},
        {0x20, {XK_space}},
        {0x21, {XK_Page_Up}},
        {0x22, {XK_Page_Down}},
        {0x23, {XK_End}},
        {0x24, {XK_Home}},
        {0x25, {XK_Left}},
        {0x26, {XK_Up}},
        {0x27, {XK_Right}},
        {0x28, {XK_Down}},
        {0x2C, {XK_Print}},
        {0x2D, {XK_Insert}},
        {0x2E, {XK_Delete}},
        {0x5B, {XK_Super_L}},
        {0x5C, {XK_Super_R}},
        {0x5D, {XK_Menu}},
        {0x6A, {XK_KP_Multiply}},
        {0x6B, {XK_KP_Add}},
        {0x6C, {XK_KP_Separator}},
        {0x6D, {XK_KP_Subtract}},
        {0x6E, {XK_KP_Decimal}},
        {0x6F, {XK_KP_Divide}},
        {0x90, {XK_Num_Lock}},
        {0x91, {XK_Scroll_Lock}},
        {0xA0, {XK_Shift_L}},
        {0xA1, {XK_Shift_R}},
        {0xA2, {XK_Control_L}},
        {0xA3, {XK_Control_R}},
        {0xA4, {XK_Alt_L, XK_Meta_L}},
        {0xA5, {XK_Alt_R, XK_Meta_R, XK_ISO_Level3_Shift}},
        {0xBA, {XK_semicolon}},
        {0xBB, {XK_equal}},
        {0xBC, {XK_comma}},
        {0xBD, {XK_minus}},
        {0xBE, {XK_period}},
        {0xBF, {XK_slash}},
        {0xC0, {XK_grave}},
        {0xDB, {XK_bracketleft}},
        {0xDC, {XK_backslash}},
        {0xDD, {XK_bracketright}},
        {0xDE, {XK_apostrophe}},
    };
    return keys;
}
} // namespace

QList<unsigned long> KeySymsForVirtualKey(int code) {
    if (code >= '0' && code <= '9')
        return {XK_0 + unsigned(code - '0')};
    if (code >= 'A' && code <= 'Z')
        return {XK_a + unsigned(code - 'A')};
    if (code >= 0x60 && code <= 0x69)
        return {XK_KP_0 + unsigned(code - 0x60)};
    if (code >= 0x70 && code <= 0x87)
        return {XK_F1 + unsigned(code - 0x70)};
    return NamedKeys().value(code);
}
