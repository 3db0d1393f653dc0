#include "ui/HotKeys.h"

#include <commctrl.h>

namespace {

// The hotkey control's modifier flags and RegisterHotKey's differ in order.
UINT Modifiers(WORD wHotKey)
{
    const BYTE flags = HIBYTE(wHotKey);
    UINT modifiers = MOD_NOREPEAT;
    modifiers |= (flags & HOTKEYF_SHIFT) != 0 ? MOD_SHIFT : 0;
    modifiers |= (flags & HOTKEYF_CONTROL) != 0 ? MOD_CONTROL : 0;
    modifiers |= (flags & HOTKEYF_ALT) != 0 ? MOD_ALT : 0;
    return modifiers;
}

} // namespace

void CHotKeys::Register(HWND hWnd, WORD wConvert, WORD wRepair)
{
    Unregister();
    if (hWnd == nullptr) {
        return;
    }
    m_hWnd = hWnd;
    m_bConvertTaken = !RegisterOne(kActionConvert, wConvert);
    m_bRepairTaken = !RegisterOne(kActionRepair, wRepair);
}

void CHotKeys::Change(WORD wConvert, WORD wRepair)
{
    Register(m_hWnd, wConvert, wRepair);
}

bool CHotKeys::RegisterOne(WindowAction action, WORD wHotKey) const
{
    return wHotKey == 0 || ::RegisterHotKey(m_hWnd, action, Modifiers(wHotKey), LOBYTE(wHotKey));
}

void CHotKeys::Unregister()
{
    if (m_hWnd != nullptr) {
        ::UnregisterHotKey(m_hWnd, kActionConvert);
        ::UnregisterHotKey(m_hWnd, kActionRepair);
    }
    m_hWnd = nullptr;
    m_bConvertTaken = false;
    m_bRepairTaken = false;
}

bool CHotKeys::IsTaken(WindowAction action) const
{
    return action == kActionConvert ? m_bConvertTaken : m_bRepairTaken;
}
