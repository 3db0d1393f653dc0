#include "core/CarriedFormats.h"

#include <algorithm>
#include <cstddef>

#include "core/CopyReader.h"
#include "core/PlacedFormats.h"
#include "core/Platform.h"
#include "core/TextBlocks.h"

namespace {

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

} // namespace

CarriedFormats::~CarriedFormats()
{
    for (const Copy& copy : m_copies) {
        if (copy.hData != nullptr) {
            FreeData(copy.kind, copy.hData, copy.hMetaFile);
        }
    }
}

void CarriedFormats::Read(const std::vector<UINT>& placed, const std::vector<UINT>& written, CopyReader& reader)
{
    const auto carried = [&](UINT format) { return !Contains(written, format) && KindOf(format) != Kind::None; };
    if (!reader.MayAskFurther(static_cast<std::size_t>(std::count_if(placed.begin(), placed.end(), carried)))) {
        return;
    }
    // Without a text format of its own, the copy gets the texts first.
    bool textMet = false;
    for (const UINT format : placed) {
        if (!textMet && (format == CF_TEXT || format == CF_UNICODETEXT || format == CF_OEMTEXT)) {
            textMet = true;
            m_nTextsAt = m_copies.size();
        }
        if (!carried(format)) {
            continue;
        }
        const Kind kind = KindOf(format);
        if (!reader.MayAskAnother()) {
            return;
        }
        HANDLE data = reader.Ask(format);
        if (data == nullptr) {
            continue;
        }
        // From here the copy, and the metafile a picture's copy holds, are
        // this object's until the clipboard takes them over.
        HMETAFILE metaFile = nullptr;
        HANDLE copy = CopyData(kind, data, metaFile);
        if (copy == nullptr) {
            reader.NoteLeftOut(format);
            continue;
        }
        m_copies.push_back({format, kind, copy, metaFile});
    }
}

void CarriedFormats::Write(Part part)
{
    const auto textsAt = m_copies.begin() + static_cast<std::ptrdiff_t>(m_nTextsAt);
    const auto first = part == Part::BeforeTexts ? m_copies.begin() : textsAt;
    const auto last = part == Part::BeforeTexts ? textsAt : m_copies.end();
    for (auto copy = first; copy != last; ++copy) {
        if (g_platform.SetClipboardData(copy->nFormat, copy->hData) != nullptr) {
            copy->hData = nullptr;
        }
    }
}

bool IsPictureFormat(UINT nFormat)
{
    using Kind = CarriedFormats::Kind;
    switch (KindOf(nFormat)) {
    case Kind::Bitmap:
    case Kind::Palette:
    case Kind::EnhMetaFile:
    case Kind::MetaFilePict: return true;
    case Kind::None: return false;
    case Kind::Memory: break;
    }
    if (nFormat == CF_DIB || nFormat == CF_DIBV5 || nFormat == CF_TIFF) {
        return true;
    }
    // Compressed images by the names programs give them, and Wine gives the
    // X11 desktop's image/png, image/jpeg and image/gif.
    for (const char* name : {"PNG", "JFIF", "GIF"}) {
        if (nFormat == g_platform.RegisterClipboardFormatA(name)) {
            return true;
        }
    }
    return false;
}
