#include "ui/TrueTypeFaces.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/Cp932.h"

EnumFontFamiliesExWProc g_pfnEnumFontFamiliesEx = ::EnumFontFamiliesExW;

namespace {

struct FaceSlots {
    char (*pSlots)[kFaceSlotSize];
    int nCapacity;
    int nFilled;
};

bool Qualifies(const LOGFONTW* pLogFont, DWORD nFontType)
{
    return (nFontType & TRUETYPE_FONTTYPE) != 0 && pLogFont->lfFaceName[0] != L'@';
}

int CALLBACK CountFaceProc(const LOGFONTW* pLogFont, const TEXTMETRICW*, DWORD nFontType, LPARAM lParam)
{
    if (Qualifies(pLogFont, nFontType)) {
        ++*reinterpret_cast<int*>(lParam);
    }
    return 1;
}

int CALLBACK FillFaceProc(const LOGFONTW* pLogFont, const TEXTMETRICW*, DWORD nFontType, LPARAM lParam)
{
    auto* slots = reinterpret_cast<FaceSlots*>(lParam);
    // Fonts installed since the counting pass find no slot.
    if (slots->nFilled >= slots->nCapacity) {
        return 0;
    }
    if (!Qualifies(pLogFont, nFontType)) {
        return 1;
    }
    const std::string face = ToCp932(pLogFont->lfFaceName);
    char* slot = slots->pSlots[slots->nFilled++];
    std::memset(slot, 0, kFaceSlotSize);
    std::memcpy(slot, face.data(), Cp932PrefixLength(face, kFaceSlotSize - 1));
    return slots->nFilled < slots->nCapacity ? 1 : 0;
}

int CompareFaces(const void* a, const void* b)
{
    return _stricmp(static_cast<const char*>(a), static_cast<const char*>(b));
}

} // namespace

HGLOBAL EnumTrueTypeFaces(HDC hdc, int nCharSet, int& nCount)
{
    nCount = 0;
    LOGFONTW logFont{};
    logFont.lfCharSet = static_cast<BYTE>(nCharSet);

    int nCounted = 0;
    g_pfnEnumFontFamiliesEx(hdc, &logFont, CountFaceProc, reinterpret_cast<LPARAM>(&nCounted), 0);
    if (nCounted == 0) {
        return nullptr;
    }
    HGLOBAL hBlock = ::GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(nCounted) * kFaceSlotSize);
    if (hBlock == nullptr) {
        return nullptr;
    }
    FaceSlots slots{static_cast<char(*)[kFaceSlotSize]>(::GlobalLock(hBlock)), nCounted, 0};
    if (slots.pSlots == nullptr) {
        ::GlobalFree(hBlock);
        return nullptr;
    }
    g_pfnEnumFontFamiliesEx(hdc, &logFont, FillFaceProc, reinterpret_cast<LPARAM>(&slots), 0);
    std::qsort(slots.pSlots, static_cast<std::size_t>(slots.nFilled), kFaceSlotSize, CompareFaces);
    ::GlobalUnlock(hBlock);
    if (slots.nFilled == 0) {
        // Every counted font went away before the filling pass.
        ::GlobalFree(hBlock);
        return nullptr;
    }
    nCount = slots.nFilled;
    return hBlock;
}
