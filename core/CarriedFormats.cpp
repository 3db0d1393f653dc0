#include "core/CarriedFormats.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>

#include "core/Platform.h"
#include "core/TextBlocks.h"

namespace {

// Formats the platform makes from others when a program places one of these
// sources (Windows and Wine alike).
struct Synthesis {
    UINT nFormat;
    UINT sources[3];
};
constexpr Synthesis kSyntheses[] = {
    {CF_TEXT, {CF_OEMTEXT, CF_UNICODETEXT}},
    {CF_OEMTEXT, {CF_TEXT, CF_UNICODETEXT}},
    {CF_UNICODETEXT, {CF_TEXT, CF_OEMTEXT}},
    {CF_LOCALE, {CF_TEXT, CF_OEMTEXT, CF_UNICODETEXT}},
    {CF_BITMAP, {CF_DIB, CF_DIBV5}},
    {CF_DIB, {CF_BITMAP, CF_DIBV5}},
    {CF_DIBV5, {CF_BITMAP, CF_DIB}},
    {CF_PALETTE, {CF_DIB, CF_DIBV5}},
    {CF_ENHMETAFILE, {CF_METAFILEPICT}},
    {CF_METAFILEPICT, {CF_ENHMETAFILE}},
};

const Synthesis* SynthesisOf(UINT nFormat)
{
    const auto found = std::find_if(std::begin(kSyntheses), std::end(kSyntheses),
                                    [=](const Synthesis& s) { return s.nFormat == nFormat; });
    return found != std::end(kSyntheses) ? found : nullptr;
}

// The open clipboard's formats that the copying program placed, in order.
// The platform enumerates the formats it synthesises after all that were
// placed, so a format that it could have made from one enumerated earlier,
// with only such formats after it, counts as synthesised. When the program
// placed it itself, the platform makes it again from the same source once
// that source is written back: it stays on offer.
std::vector<UINT> PlacedFormats()
{
    std::vector<UINT> formats;
    for (UINT format = g_platform.EnumClipboardFormats(0); format != 0;
         format = g_platform.EnumClipboardFormats(format)) {
        formats.push_back(format);
    }
    auto tail = formats.end();
    while (tail != formats.begin() && SynthesisOf(*std::prev(tail)) != nullptr) {
        --tail;
    }
    std::vector<UINT> placed(formats.begin(), tail);
    for (auto format = tail; format != formats.end(); ++format) {
        const UINT* sources = SynthesisOf(*format)->sources;
        const bool fromEarlier = std::any_of(sources, sources + 3, [&](UINT source) {
            return source != 0 && std::find(formats.begin(), format, source) != format;
        });
        if (!fromEarlier) {
            placed.push_back(*format);
        }
    }
    return placed;
}

CarriedFormats::Kind KindOf(UINT nFormat)
{
    using Kind = CarriedFormats::Kind;
    switch (nFormat) {
    case CF_BITMAP:
    case CF_DSPBITMAP: return Kind::Bitmap;
    case CF_PALETTE: return Kind::Palette;
    case CF_ENHMETAFILE:
    case CF_DSPENHMETAFILE: return Kind::EnhMetaFile;
    case CF_METAFILEPICT:
    case CF_DSPMETAFILEPICT: return Kind::MetaFilePict;
    case CF_OWNERDISPLAY: return Kind::None; // drawn by its owner, which the write replaces
    default: break;
    }
    // Handles of the copying program's own, or GDI objects of unknown kind:
    // nothing another program can copy.
    const bool privateHandle = nFormat >= CF_PRIVATEFIRST && nFormat <= CF_PRIVATELAST;
    const bool gdiObject = nFormat >= CF_GDIOBJFIRST && nFormat <= CF_GDIOBJLAST;
    return privateHandle || gdiObject ? Kind::None : Kind::Memory;
}

HPALETTE CopyPalette(HPALETTE hPalette)
{
    const UINT count = std::min<UINT>(g_platform.GetPaletteEntries(hPalette, 0, 0, nullptr), 0xFFFF);
    if (count == 0) {
        return nullptr;
    }
    auto* logical = static_cast<LOGPALETTE*>(g_platform.GlobalAlloc(
        kPrivateBlockFlags, offsetof(LOGPALETTE, palPalEntry) + count * sizeof(PALETTEENTRY)));
    if (logical == nullptr) {
        return nullptr;
    }
    logical->palVersion = 0x300;
    logical->palNumEntries = static_cast<WORD>(count);
    HPALETTE copy = g_platform.GetPaletteEntries(hPalette, 0, count, logical->palPalEntry) == count
                        ? g_platform.CreatePalette(logical)
                        : nullptr;
    FreeBlock(logical);
    return copy;
}

// A METAFILEPICT block holding a copy of the metafile, which is left in
// hMetaFile.
HGLOBAL CopyMetaFilePict(HANDLE hData, HMETAFILE& hMetaFile)
{
    if (g_platform.GlobalSize(hData) < sizeof(METAFILEPICT)) {
        return nullptr;
    }
    const auto* picture = static_cast<const METAFILEPICT*>(g_platform.GlobalLock(hData));
    if (picture == nullptr) {
        return nullptr;
    }
    METAFILEPICT copy = *picture;
    g_platform.GlobalUnlock(hData);
    copy.hMF = g_platform.CopyMetaFileW(copy.hMF, nullptr);
    if (copy.hMF == nullptr) {
        return nullptr;
    }
    HGLOBAL block = NewClipboardBlock(&copy, sizeof copy);
    if (block == nullptr) {
        g_platform.DeleteMetaFile(copy.hMF);
        return nullptr;
    }
    hMetaFile = copy.hMF;
    return block;
}

// A copy that draws the same, made with the platform's own calls; null when
// it cannot be made.
HANDLE CopyData(CarriedFormats::Kind kind, HANDLE hData, HMETAFILE& hMetaFile)
{
    using Kind = CarriedFormats::Kind;
    switch (kind) {
    case Kind::Memory: return DuplicateBlock(hData);
    case Kind::Bitmap: return g_platform.CopyImage(hData, IMAGE_BITMAP, 0, 0, 0);
    case Kind::Palette: return CopyPalette(static_cast<HPALETTE>(hData));
    case Kind::EnhMetaFile: return g_platform.CopyEnhMetaFileW(static_cast<HENHMETAFILE>(hData), nullptr);
    case Kind::MetaFilePict: return CopyMetaFilePict(hData, hMetaFile);
    case Kind::None: break;
    }
    return nullptr;
}

void FreeData(CarriedFormats::Kind kind, HANDLE hData, HMETAFILE hMetaFile)
{
    using Kind = CarriedFormats::Kind;
    switch (kind) {
    case Kind::Bitmap:
    case Kind::Palette: g_platform.DeleteObject(hData); break;
    case Kind::EnhMetaFile: g_platform.DeleteEnhMetaFile(static_cast<HENHMETAFILE>(hData)); break;
    case Kind::MetaFilePict:
        g_platform.DeleteMetaFile(hMetaFile);
        FreeBlock(hData);
        break;
    case Kind::Memory: FreeBlock(hData); break;
    case Kind::None: break;
    }
}

// The header every document of the pass begins with.
constexpr char kPassRtfStart[] = "{\\rtf1\\ansi{\\fonttbl{\\f1\\cpg";

bool IsPassRtf(HGLOBAL hRtf)
{
    constexpr SIZE_T length = sizeof kPassRtfStart - 1;
    if (g_platform.GlobalSize(hRtf) < length) {
        return false;
    }
    const void* bytes = g_platform.GlobalLock(hRtf);
    if (bytes == nullptr) {
        return false;
    }
    const bool ours = std::memcmp(bytes, kPassRtfStart, length) == 0;
    g_platform.GlobalUnlock(hRtf);
    return ours;
}

} // namespace

CarriedFormats::~CarriedFormats()
{
    for (const Copy& copy : m_copies) {
        if (copy.hData != nullptr) {
            FreeData(copy.kind, copy.hData, copy.hMetaFile);
        }
    }
}

void CarriedFormats::Read(UINT nMarkerFormat, UINT nRtfFormat)
{
    const std::vector<UINT> placed = PlacedFormats();
    const bool marked =
        nMarkerFormat != 0 && std::find(placed.begin(), placed.end(), nMarkerFormat) != placed.end();
    for (const UINT format : placed) {
        const Kind kind = KindOf(format);
        if (format == CF_TEXT || format == CF_UNICODETEXT || format == nMarkerFormat || kind == Kind::None) {
            continue;
        }
        HANDLE data = g_platform.GetClipboardData(format);
        HMETAFILE metaFile = nullptr;
        HANDLE copy = data != nullptr ? CopyData(kind, data, metaFile) : nullptr;
        if (copy == nullptr) {
            continue;
        }
        if (format == nRtfFormat) {
            // An earlier pass's copy, of a text this pass converts anew.
            if (marked && IsPassRtf(copy)) {
                FreeData(kind, copy, metaFile);
                continue;
            }
            m_bHasRtf = true;
        }
        m_copies.push_back({format, kind, copy, metaFile});
    }
}

void CarriedFormats::Write()
{
    for (Copy& copy : m_copies) {
        if (g_platform.SetClipboardData(copy.nFormat, copy.hData) != nullptr) {
            copy.hData = nullptr;
        }
    }
}
