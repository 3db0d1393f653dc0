#include "LayoutCheck.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "framework/Cp932.h"

namespace {

struct Control {
    HWND hWnd;
    std::wstring className;
    RECT rect;  // in the dialog's client coordinates
};

std::string Name(const Control& control)
{
    return ToCp932(control.className) + " " + std::to_string(::GetDlgCtrlID(control.hWnd));
}

std::wstring Text(HWND hWnd)
{
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(hWnd)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(hWnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

// The size of one line of text in the window's own font.
SIZE TextSize(HWND hWnd, const std::wstring& text, UINT nFormat)
{
    const HDC dc = ::GetDC(hWnd);
    const HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(hWnd, WM_GETFONT, 0, 0)));
    RECT rect{};
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, nFormat | DT_CALCRECT | DT_SINGLELINE);
    ::SelectObject(dc, old);
    ::ReleaseDC(hWnd, dc);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

void ExpectFits(const Control& control, const std::wstring& text, UINT nFormat, SIZE room)
{
    const SIZE size = TextSize(control.hWnd, text, nFormat);
    EXPECT_TRUE(size.cx <= room.cx && size.cy <= room.cy)
        << Name(control) << " cuts \"" << ToCp932(text) << "\": " << size.cx << "x" << size.cy << " in " << room.cx
        << "x" << room.cy;
}

void ExpectCaptionFits(const Control& control, const ShownPrefixes& prefixes)
{
    const LONG style = ::GetWindowLongW(control.hWnd, GWL_STYLE);
    RECT client;
    ::GetClientRect(control.hWnd, &client);
    std::wstring text = Text(control.hWnd);
    if (const auto prefix = prefixes.find(::GetDlgCtrlID(control.hWnd)); prefix != prefixes.end()) {
        text.resize(static_cast<std::size_t>(prefix->second));
    }
    const int edgeX = ::GetSystemMetrics(SM_CXEDGE);
    const int edgeY = ::GetSystemMetrics(SM_CYEDGE);
    switch (style & BS_TYPEMASK) {
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON:
        ExpectFits(control, text, 0, {client.right - 2 * edgeX, client.bottom - 2 * edgeY});
        break;
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
        ExpectFits(control, text, 0, {client.right - ::GetSystemMetrics(SM_CXMENUCHECK) - edgeX, client.bottom});
        break;
    default:
        ADD_FAILURE() << Name(control) << ": a kind of button the check does not know";
    }
}

void ExpectStaticTextFits(const Control& control)
{
    const LONG style = ::GetWindowLongW(control.hWnd, GWL_STYLE);
    switch (style & SS_TYPEMASK) {
    case SS_LEFT:
    case SS_CENTER:
    case SS_RIGHT:
    case SS_LEFTNOWORDWRAP:
    case SS_SIMPLE: {
        RECT client;
        ::GetClientRect(control.hWnd, &client);
        ExpectFits(control, Text(control.hWnd), (style & SS_NOPREFIX) != 0 ? DT_NOPREFIX : 0,
                   {client.right, client.bottom});
        break;
    }
    default:
        // Icons and frames have no text.
        break;
    }
}

void ExpectItemsFit(const Control& control)
{
    RECT client;
    ::GetClientRect(control.hWnd, &client);
    const SIZE room{client.right - ::GetSystemMetrics(SM_CXVSCROLL) - 2 * ::GetSystemMetrics(SM_CXEDGE),
                    static_cast<LONG>(::SendMessageW(control.hWnd, CB_GETITEMHEIGHT, 0, 0))};
    const int count = static_cast<int>(::SendMessageW(control.hWnd, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::wstring item(static_cast<std::size_t>(::SendMessageW(control.hWnd, CB_GETLBTEXTLEN, i, 0)) + 1, L'\0');
        item.resize(static_cast<std::size_t>(
            ::SendMessageW(control.hWnd, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()))));
        ExpectFits(control, item, DT_NOPREFIX, room);
    }
}

// Each column at least as wide as the list itself would make it to show its
// header and cells whole (the last column's header aside: sized to the
// header, the last column fills the list).
void ExpectColumnsFit(const Control& control)
{
    const HWND header = reinterpret_cast<HWND>(::SendMessageW(control.hWnd, LVM_GETHEADER, 0, 0));
    const int columns = static_cast<int>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int column = 0; column < columns; ++column) {
        const int width = static_cast<int>(::SendMessageW(control.hWnd, LVM_GETCOLUMNWIDTH, column, 0));
        const LPARAM fit = column + 1 < columns ? LVSCW_AUTOSIZE_USEHEADER : LVSCW_AUTOSIZE;
        ::SendMessageW(control.hWnd, LVM_SETCOLUMNWIDTH, column, fit);
        const int needed = static_cast<int>(::SendMessageW(control.hWnd, LVM_GETCOLUMNWIDTH, column, 0));
        ::SendMessageW(control.hWnd, LVM_SETCOLUMNWIDTH, column, width);
        EXPECT_GE(width, needed) << Name(control) << " column " << column << " cuts its texts";
    }
}

std::vector<Control> VisibleControls(HWND hDlg)
{
    std::vector<Control> controls;
    for (HWND child = ::GetWindow(hDlg, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (!::IsWindowVisible(child)) {
            continue;
        }
        wchar_t className[64] = L"";
        ::GetClassNameW(child, className, 64);
        RECT rect;
        ::GetWindowRect(child, &rect);
        ::MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&rect), 2);
        controls.push_back({child, className, rect});
    }
    return controls;
}

} // namespace

void ExpectLaidOut(HWND hDlg, const ShownPrefixes& prefixes)
{
    RECT client;
    ::GetClientRect(hDlg, &client);
    const std::vector<Control> controls = VisibleControls(hDlg);
    ASSERT_FALSE(controls.empty());
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const Control& control = controls[i];
        RECT inside;
        ::IntersectRect(&inside, &control.rect, &client);
        EXPECT_TRUE(::EqualRect(&inside, &control.rect)) << Name(control) << " is cut off by the window's edge";
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            RECT both;
            EXPECT_FALSE(::IntersectRect(&both, &control.rect, &controls[j].rect))
                << Name(control) << " overlaps " << Name(controls[j]);
        }
        if (::lstrcmpiW(control.className.c_str(), L"Button") == 0) {
            ExpectCaptionFits(control, prefixes);
        } else if (::lstrcmpiW(control.className.c_str(), L"Static") == 0) {
            ExpectStaticTextFits(control);
        } else if (::lstrcmpiW(control.className.c_str(), L"ComboBox") == 0) {
            ExpectItemsFit(control);
        } else if (::lstrcmpiW(control.className.c_str(), WC_LISTVIEWW) == 0) {
            ExpectColumnsFit(control);
        }
    }
}
