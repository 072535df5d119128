#pragma once

#include <QList>

// The X keysyms that a Windows virtual-key code stands for (17, Ctrl, is Control_L and Control_R;
// 76, L, is "l"). Empty for a code without a counterpart here.
QList<unsigned long> KeySymsForVirtualKey(int code);
