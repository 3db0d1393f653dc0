#include "framework/ListCtrl.h"

#include "framework/Cp932.h"

int CListCtrl::InsertColumn(int nCol, const char* pszHeading, int nFormat, int nWidth) const
{
    std::wstring heading = FromCp932(pszHeading);
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_SUBITEM | (nWidth >= 0 ? LVCF_WIDTH : 0);
    column.fmt = nFormat;
    column.cx = nWidth;
    column.pszText = heading.data();
    column.iSubItem = nCol;
    return static_cast<int>(SendMessage(LVM_INSERTCOLUMNW, static_cast<WPARAM>(nCol), reinterpret_cast<LPARAM>(&column)));
}

int CListCtrl::InsertItem(int nItem, const char* pszItem) const
{
    std::wstring text = FromCp932(pszItem);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = nItem;
    item.pszText = text.data();
    return static_cast<int>(SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, const char* pszText) const
{
    std::wstring text = FromCp932(pszText);
    LVITEMW item{};
    item.iSubItem = nSubItem;
    item.pszText = text.data();
    return static_cast<BOOL>(SendMessage(LVM_SETITEMTEXTW, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(&item)));
}

std::string CListCtrl::GetItemText(int nItem, int nSubItem) const
{
    // The control says only how much it copied: grow until the text fits
    // with room to spare.
    std::wstring text(64, L'\0');
    for (;;) {
        LVITEMW item{};
        item.iSubItem = nSubItem;
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(text.size());
        const auto copied = static_cast<std::size_t>(
            SendMessage(LVM_GETITEMTEXTW, static_cast<WPARAM>(nItem), reinterpret_cast<LPARAM>(&item)));
        if (copied + 1 < text.size()) {
            text.resize(copied);
            return ToCp932(text);
        }
        text.resize(text.size() * 2);
    }
}
