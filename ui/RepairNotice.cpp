#include "ui/RepairNotice.h"

#include <algorithm>
#include <string_view>

#include "framework/ComboBox.h"
#include "framework/Cp932.h"
#include "framework/WinApp.h"
#include "res/resource.h"

namespace {

// The code page's label in the list without its leading blanks, so that the
// user finds it there; its number when the list has no entry for it.
std::wstring CodePageLabel(UINT nCodePage, const CComboBox& list)
{
    const int count = list.GetCount();
    for (int i = 0; i < count; ++i) {
        if (list.GetItemData(i) == nCodePage) {
            const std::wstring label = FromCp932(list.GetLBText(i));
            return label.substr(std::min(label.find_first_not_of(L' '), label.size()));
        }
    }
    return std::to_wstring(nCodePage);
}

void Fill(std::wstring& text, std::wstring_view placeholder, const std::wstring& value)
{
    const std::size_t at = text.find(placeholder);
    if (at != std::wstring::npos) {
        text.replace(at, placeholder.size(), value);
    }
}

// "「65001 UTF-8」を「1252 ANSI - ラテン I」で読んだ文字化けを修復しました。",
// the first misreading first.
std::wstring DescribeSteps(const std::vector<RepairStep>& steps, const CComboBox& list)
{
    std::wstring notice;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        std::wstring phrase = AfxLoadString(i + 1 < steps.size() ? IDS_REPAIRED_EARLIER : IDS_REPAIRED_LAST);
        Fill(phrase, L"%1", CodePageLabel(steps[i].nRightCodePage, list));
        Fill(phrase, L"%2", CodePageLabel(steps[i].nWrongCodePage, list));
        notice += phrase;
    }
    return notice;
}

} // namespace

std::wstring RepairNotice(const ClipboardRepair& repair, const CComboBox& list)
{
    switch (repair.outcome) {
    case RepairOutcome::Repaired: return DescribeSteps(repair.steps, list);
    case RepairOutcome::NoText: return AfxLoadString(IDS_REPAIR_NO_TEXT);
    case RepairOutcome::NothingToRepair: return AfxLoadString(IDS_REPAIR_NOTHING);
    case RepairOutcome::TextUnreadable: return AfxLoadString(IDS_REPAIR_UNREADABLE);
    case RepairOutcome::ClipboardFailed: break;
    }
    return AfxLoadString(IDS_REPAIR_FAILED);
}
