// For the conversion pass tests: the real clipboard filled and read back
// directly (never through the platform table), and a probe around the
// platform table that records blocks and calls and fails single operations.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "PlatformOverride.h"

struct PlacedFormat {
    UINT format;
    std::string bytes;      // the block's whole content
    HANDLE handle = nullptr; // placed instead of a block of the bytes: a picture or palette
};

inline std::string Utf16Bytes(std::wstring_view text)
{
    return {reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t)};
}

// A text as the clipboard holds it: the units, then a zero unit.
inline std::string WithZero(std::string_view text)
{
    return std::string(text) + '\0';
}

inline std::string WithZero(std::wstring_view text)
{
    return Utf16Bytes(std::wstring(text) + L'\0');
}

// The platform's own conversions, as a written text format holds them.
inline std::string EncodedText(UINT codePage, std::wstring_view text)
{
    const int length = static_cast<int>(text.size());
    std::string bytes(static_cast<std::size_t>(
                          WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr)),
                      '\0');
    WideCharToMultiByte(codePage, 0, text.data(), length, bytes.data(), static_cast<int>(bytes.size()), nullptr,
                        nullptr);
    return WithZero(bytes);
}

inline std::wstring DecodedUnits(UINT codePage, std::string_view text)
{
    const int length = static_cast<int>(text.size());
    std::wstring units(static_cast<std::size_t>(MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0)),
                       L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), length, units.data(), static_cast<int>(units.size()));
    return units;
}

inline std::string DecodedText(UINT codePage, std::string_view text)
{
    return WithZero(DecodedUnits(codePage, text));
}

inline UINT MarkerFormatId()
{
    return RegisterClipboardFormatA("CF_PELISAN");
}

inline UINT RtfFormatId()
{
    return RegisterClipboardFormatA("Rich Text Format");
}

inline UINT SourceRecordFormatId()
{
    return RegisterClipboardFormatA("CF_PELISAN_SOURCE");
}

// The ANSI code page a locale names, as the platform answers.
inline UINT AnsiCodePageOfLocale(LCID locale)
{
    DWORD codePage = 0;
    GetLocaleInfoW(locale, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER, reinterpret_cast<LPWSTR>(&codePage),
                   sizeof codePage / sizeof(WCHAR));
    return codePage;
}

// Whether any locale of the platform's has this ANSI code page.
struct LocaleSearch {
    static inline UINT s_codePage = 0;
    static inline bool s_found = false;
    static BOOL CALLBACK Consider(LPWSTR name)
    {
        s_found = s_found || AnsiCodePageOfLocale(static_cast<LCID>(wcstoul(name, nullptr, 16))) == s_codePage;
        return TRUE;
    }
};

inline bool NamedByALocale(UINT codePage)
{
    LocaleSearch::s_codePage = codePage;
    LocaleSearch::s_found = false;
    EnumSystemLocalesW(&LocaleSearch::Consider, LCID_SUPPORTED);
    return LocaleSearch::s_found;
}

// The window this test process opens the clipboard with; none by default.
// Wine lets an opener without a window take over a clipboard that another
// opened without one, so a test that races a running pass sets a window.
inline HWND g_hTestClipboardWindow = nullptr;

// Opens the real clipboard, waiting out Wine's desktop process, which reads
// it after every change.
inline bool OpenRealClipboard(HWND window = g_hTestClipboardWindow)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (OpenClipboard(window)) {
            return true;
        }
        Sleep(10);
    }
    return false;
}

// Marked by a pass that has finished writing. Under Wine the marker, set
// first, shows while the pass still writes, and each format it sets is a
// change; the pass has finished once a window of the test's own can open the
// clipboard.
inline bool MarkedAndWritten()
{
    if (!IsClipboardFormatAvailable(MarkerFormatId()) || !OpenClipboard(g_hTestClipboardWindow)) {
        return false;
    }
    CloseClipboard();
    return true;
}

// A block's whole content, read with the real functions.
inline std::string BlockBytes(HGLOBAL block)
{
    const auto* bytes = static_cast<const char*>(GlobalLock(block));
    if (bytes == nullptr) {
        return {};
    }
    std::string copy(bytes, GlobalSize(block));
    GlobalUnlock(block);
    return copy;
}

// A block of the test's own holding these bytes.
inline HGLOBAL NewBlock(std::string_view bytes)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!bytes.empty()) {
        std::copy(bytes.begin(), bytes.end(), static_cast<char*>(GlobalLock(block)));
        GlobalUnlock(block);
    }
    return block;
}

// Empties the clipboard and places these formats in this order.
inline bool PlaceOnClipboard(const std::vector<PlacedFormat>& formats)
{
    if (!OpenRealClipboard()) {
        return false;
    }
    bool placed = EmptyClipboard() != 0;
    for (const PlacedFormat& f : formats) {
        placed = placed && SetClipboardData(f.format, f.handle != nullptr ? f.handle : NewBlock(f.bytes)) != nullptr;
    }
    CloseClipboard();
    return placed;
}

// Every format the clipboard offers, in its order.
inline std::vector<UINT> ClipboardFormats()
{
    std::vector<UINT> formats;
    if (OpenRealClipboard()) {
        for (UINT f = EnumClipboardFormats(0); f != 0; f = EnumClipboardFormats(f)) {
            formats.push_back(f);
        }
        CloseClipboard();
    }
    return formats;
}

// A format's whole block, or nothing when the clipboard does not offer it.
inline std::optional<std::string> ClipboardBytes(UINT format)
{
    std::optional<std::string> bytes;
    if (OpenRealClipboard()) {
        if (HANDLE data = GetClipboardData(format)) {
            bytes = BlockBytes(data);
        }
        CloseClipboard();
    }
    return bytes;
}

// Pictures and a palette of the test's own, each drawing something distinct.
inline HBITMAP TestBitmap(int width, int height)
{
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* pixels = static_cast<DWORD*>(bits);
    for (int i = 0; i < width * height; ++i) {
        pixels[i] = static_cast<DWORD>(i * 0x010305 + 0x102030) & 0xFFFFFF;
    }
    return bitmap;
}

inline HENHMETAFILE TestEnhMetaFile()
{
    HDC dc = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    Rectangle(dc, 1, 2, 30, 40);
    Ellipse(dc, 5, 6, 70, 80);
    return CloseEnhMetaFile(dc);
}

inline HGLOBAL TestMetaFilePict()
{
    HDC dc = CreateMetaFileW(nullptr);
    Rectangle(dc, 3, 4, 50, 60);
    const METAFILEPICT picture{MM_ANISOTROPIC, 1234, 567, CloseMetaFile(dc)};
    return NewBlock({reinterpret_cast<const char*>(&picture), sizeof picture});
}

inline HPALETTE TestPalette()
{
    struct {
        WORD version = 0x300;
        WORD count = 3;
        PALETTEENTRY entries[3] = {{10, 20, 30, 0}, {40, 50, 60, 0}, {70, 80, 90, 0}};
    } palette;
    return CreatePalette(reinterpret_cast<const LOGPALETTE*>(&palette));
}

// What a picture draws, as bytes to compare: a bitmap's size and pixels, a
// metafile's records (with the picture's mapping mode and extents), a
// palette's entries.
inline std::string Drawing(UINT format, HANDLE data)
{
    std::string drawing;
    switch (format) {
    case CF_BITMAP: {
        BITMAP bitmap{};
        GetObjectW(data, sizeof bitmap, &bitmap);
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), bitmap.bmWidth, bitmap.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        drawing.resize(4 * static_cast<std::size_t>(bitmap.bmWidth) * bitmap.bmHeight);
        HDC dc = GetDC(nullptr);
        GetDIBits(dc, static_cast<HBITMAP>(data), 0, bitmap.bmHeight, drawing.data(), &info, DIB_RGB_COLORS);
        ReleaseDC(nullptr, dc);
        return std::to_string(bitmap.bmWidth) + "x" + std::to_string(bitmap.bmHeight) + ":" + drawing;
    }
    case CF_ENHMETAFILE: {
        const auto metaFile = static_cast<HENHMETAFILE>(data);
        drawing.resize(GetEnhMetaFileBits(metaFile, 0, nullptr));
        GetEnhMetaFileBits(metaFile, static_cast<UINT>(drawing.size()), reinterpret_cast<BYTE*>(drawing.data()));
        return drawing;
    }
    case CF_METAFILEPICT: {
        const std::string block = BlockBytes(data);
        if (block.size() < sizeof(METAFILEPICT)) {
            return block;
        }
        const auto* picture = reinterpret_cast<const METAFILEPICT*>(block.data());
        drawing.resize(GetMetaFileBitsEx(picture->hMF, 0, nullptr));
        GetMetaFileBitsEx(picture->hMF, static_cast<UINT>(drawing.size()), drawing.data());
        return std::to_string(picture->mm) + "," + std::to_string(picture->xExt) + "," +
               std::to_string(picture->yExt) + ":" + drawing;
    }
    case CF_PALETTE: {
        const auto palette = static_cast<HPALETTE>(data);
        drawing.resize(GetPaletteEntries(palette, 0, 0, nullptr) * sizeof(PALETTEENTRY));
        GetPaletteEntries(palette, 0, static_cast<UINT>(drawing.size() / sizeof(PALETTEENTRY)),
                          reinterpret_cast<PALETTEENTRY*>(drawing.data()));
        return drawing;
    }
    default: return BlockBytes(data);
    }
}

// What the clipboard's format draws, or nothing when it is not offered.
inline std::optional<std::string> ClipboardDrawing(UINT format)
{
    std::optional<std::string> drawing;
    if (OpenRealClipboard()) {
        if (HANDLE data = GetClipboardData(format)) {
            drawing = Drawing(format, data);
        }
        CloseClipboard();
    }
    return drawing;
}

// Wraps every entry of the platform table in use: records what the pass
// allocates, frees and hands to the clipboard, and fails the operations a
// test chooses. One probe at a time; the real table returns with it.
class PlatformProbe : private PlatformOverride {
public:
    struct Allocation {
        HGLOBAL block;
        UINT flags;
        SIZE_T size;
    };
    struct Conversion {
        bool toUnicode;
        UINT codePage;
        int length;
        bool sizing;
    };

    PlatformProbe()
    {
        s_probe = this;
        m_real = g_platform;
        g_platform.OpenClipboard = &Open;
        g_platform.CloseClipboard = &Close;
        g_platform.EmptyClipboard = &Empty;
        g_platform.GetClipboardData = &GetData;
        g_platform.SetClipboardData = &SetData;
        g_platform.RegisterClipboardFormatA = &Register;
        g_platform.GlobalAlloc = &Alloc;
        g_platform.GlobalFree = &Free;
        g_platform.GlobalSize = &Size;
        g_platform.MultiByteToWideChar = &ToUnicode;
        g_platform.WideCharToMultiByte = &ToBytes;
        g_platform.Sleep = &Wait;
        g_platform.CopyImage = &CopyBitmap;
        g_platform.CopyEnhMetaFileW = &CopyEnhMetaFile;
        g_platform.CopyMetaFileW = &CopyMetaFile;
        g_platform.CreatePalette = &NewPalette;
        g_platform.DeleteObject = &DeleteGdiObject;
        g_platform.DeleteEnhMetaFile = &DeleteEnhMetaFile;
        g_platform.DeleteMetaFile = &DeleteMetaFile;
    }
    ~PlatformProbe() { s_probe = nullptr; }

    // Forgets what the last pass did.
    void ForgetCalls()
    {
        opens = closes = 0;
        allocations.clear();
        setFormats.clear();
        handedBytes.clear();
        conversions.clear();
        waits.clear();
    }

    // Switches every failure off as well.
    void Reset()
    {
        failOpen = nullptr;
        failEmpty = false;
        failRegister = nullptr;
        failAlloc = nullptr;
        refuseSet = nullptr;
        hideFormat = nullptr;
        injectedData.clear();
        failConversion = nullptr;
        blockSize = nullptr;
        failCopy = nullptr;
        ForgetCalls();
    }

    bool Allocated(UINT flags, SIZE_T size) const
    {
        return std::any_of(allocations.begin(), allocations.end(),
                           [&](const Allocation& a) { return a.flags == flags && a.size == size; });
    }

    // Failures a test switches on; each is asked once per call.
    std::function<bool()> failOpen;
    bool failEmpty = false;
    std::function<bool(std::string_view name)> failRegister;
    std::function<bool(UINT flags, SIZE_T size)> failAlloc;
    std::function<bool(UINT format)> refuseSet;
    std::function<bool(UINT format)> hideFormat;
    // Blocks (the test's own) that GetClipboardData answers for these formats.
    std::map<UINT, HGLOBAL> injectedData;
    std::function<bool(const Conversion&)> failConversion;
    // Answers GlobalSize for a clipboard block of this format instead of the platform.
    std::function<std::optional<SIZE_T>(UINT format)> blockSize;
    // Fails a copy of a picture handle or the palette made for one.
    std::function<bool()> failCopy;

    // What happened.
    int opens = 0;  // successful
    int closes = 0;
    std::vector<Allocation> allocations;
    std::set<HGLOBAL> ownedBlocks;   // allocated, neither freed nor taken over
    std::set<HANDLE> ownedHandles;   // pictures and palettes made, neither deleted nor taken over
    int deletesOfTakenHandles = 0;
    std::vector<UINT> setFormats;    // taken over by the clipboard, in order
    std::map<UINT, std::string> handedBytes; // as handed over (Wine terminates texts in place)
    int freesOfTakenBlocks = 0;
    std::vector<Conversion> conversions;
    std::vector<DWORD> waits;

private:
    static BOOL WINAPI Open(HWND owner)
    {
        if (s_probe->failOpen && s_probe->failOpen()) {
            return FALSE;
        }
        const BOOL opened = s_probe->m_real.OpenClipboard(owner);
        s_probe->opens += opened ? 1 : 0;
        return opened;
    }
    static BOOL WINAPI Close()
    {
        ++s_probe->closes;
        // Handles of a closed clipboard may come back as new blocks.
        s_probe->m_clipboardBlocks.clear();
        return s_probe->m_real.CloseClipboard();
    }
    static BOOL WINAPI Empty() { return s_probe->failEmpty ? FALSE : s_probe->m_real.EmptyClipboard(); }
    static HANDLE WINAPI GetData(UINT format)
    {
        if (s_probe->hideFormat && s_probe->hideFormat(format)) {
            return nullptr;
        }
        const auto injected = s_probe->injectedData.find(format);
        HANDLE data = injected != s_probe->injectedData.end() ? injected->second : s_probe->m_real.GetClipboardData(format);
        if (data != nullptr) {
            s_probe->m_clipboardBlocks[data] = format;
        }
        return data;
    }
    static HANDLE WINAPI SetData(UINT format, HANDLE block)
    {
        if (s_probe->refuseSet && s_probe->refuseSet(format)) {
            return nullptr;
        }
        const bool gdiObject = format == CF_BITMAP || format == CF_DSPBITMAP || format == CF_PALETTE ||
                               format == CF_ENHMETAFILE || format == CF_DSPENHMETAFILE;
        const std::string bytes = gdiObject ? std::string() : BlockBytes(block);
        // A metafile picture's block holds a metafile handle, taken over with it.
        HANDLE held = nullptr;
        if ((format == CF_METAFILEPICT || format == CF_DSPMETAFILEPICT) && bytes.size() >= sizeof(METAFILEPICT)) {
            held = reinterpret_cast<const METAFILEPICT*>(bytes.data())->hMF;
        }
        HANDLE taken = s_probe->m_real.SetClipboardData(format, block);
        if (taken != nullptr) {
            s_probe->setFormats.push_back(format);
            s_probe->handedBytes[format] = bytes;
            s_probe->ownedBlocks.erase(block);
            s_probe->m_takenBlocks.insert(block);
            for (HANDLE handle : {static_cast<HANDLE>(block), held}) {
                if (handle != nullptr && s_probe->ownedHandles.erase(handle) != 0) {
                    s_probe->m_takenHandles.insert(handle);
                }
            }
        }
        return taken;
    }
    static UINT WINAPI Register(LPCSTR name)
    {
        return s_probe->failRegister && s_probe->failRegister(name) ? 0 : s_probe->m_real.RegisterClipboardFormatA(name);
    }
    static HGLOBAL WINAPI Alloc(UINT flags, SIZE_T size)
    {
        if (s_probe->failAlloc && s_probe->failAlloc(flags, size)) {
            return nullptr;
        }
        HGLOBAL block = s_probe->m_real.GlobalAlloc(flags, size);
        if (block != nullptr) {
            s_probe->m_takenBlocks.erase(block);
            s_probe->allocations.push_back({block, flags, size});
            s_probe->ownedBlocks.insert(block);
        }
        return block;
    }
    static HGLOBAL WINAPI Free(HGLOBAL block)
    {
        s_probe->freesOfTakenBlocks += s_probe->m_takenBlocks.count(block) != 0 ? 1 : 0;
        s_probe->ownedBlocks.erase(block);
        return s_probe->m_real.GlobalFree(block);
    }
    static SIZE_T WINAPI Size(HGLOBAL block)
    {
        const auto found = s_probe->m_clipboardBlocks.find(block);
        if (found != s_probe->m_clipboardBlocks.end() && s_probe->blockSize) {
            if (const std::optional<SIZE_T> size = s_probe->blockSize(found->second)) {
                return *size;
            }
        }
        return s_probe->m_real.GlobalSize(block);
    }
    static int WINAPI ToUnicode(UINT codePage, DWORD flags, LPCCH text, int length, LPWSTR out, int capacity)
    {
        const Conversion call{true, codePage, length, out == nullptr};
        s_probe->conversions.push_back(call);
        if (s_probe->failConversion && s_probe->failConversion(call)) {
            return 0;
        }
        return s_probe->m_real.MultiByteToWideChar(codePage, flags, text, length, out, capacity);
    }
    static int WINAPI ToBytes(UINT codePage, DWORD flags, LPCWCH text, int length, LPSTR out, int capacity,
                              LPCCH defaultChar, LPBOOL usedDefault)
    {
        const Conversion call{false, codePage, length, out == nullptr};
        s_probe->conversions.push_back(call);
        if (s_probe->failConversion && s_probe->failConversion(call)) {
            return 0;
        }
        return s_probe->m_real.WideCharToMultiByte(codePage, flags, text, length, out, capacity, defaultChar,
                                                   usedDefault);
    }
    template <typename Handle>
    static Handle Made(Handle handle)
    {
        if (handle != nullptr) {
            s_probe->m_takenHandles.erase(handle);
            s_probe->ownedHandles.insert(handle);
        }
        return handle;
    }
    template <typename Handle>
    static void Deleted(Handle handle)
    {
        s_probe->deletesOfTakenHandles += s_probe->m_takenHandles.count(handle) != 0 ? 1 : 0;
        s_probe->ownedHandles.erase(handle);
    }
    static bool CopyFails() { return s_probe->failCopy && s_probe->failCopy(); }
    static HANDLE WINAPI CopyBitmap(HANDLE image, UINT type, int width, int height, UINT flags)
    {
        return CopyFails() ? nullptr : Made(s_probe->m_real.CopyImage(image, type, width, height, flags));
    }
    static HENHMETAFILE WINAPI CopyEnhMetaFile(HENHMETAFILE metaFile, LPCWSTR file)
    {
        return CopyFails() ? nullptr : Made(s_probe->m_real.CopyEnhMetaFileW(metaFile, file));
    }
    static HMETAFILE WINAPI CopyMetaFile(HMETAFILE metaFile, LPCWSTR file)
    {
        return CopyFails() ? nullptr : Made(s_probe->m_real.CopyMetaFileW(metaFile, file));
    }
    static HPALETTE WINAPI NewPalette(const LOGPALETTE* palette)
    {
        return CopyFails() ? nullptr : Made(s_probe->m_real.CreatePalette(palette));
    }
    static BOOL WINAPI DeleteGdiObject(HGDIOBJ object)
    {
        Deleted(object);
        return s_probe->m_real.DeleteObject(object);
    }
    static BOOL WINAPI DeleteEnhMetaFile(HENHMETAFILE metaFile)
    {
        Deleted(metaFile);
        return s_probe->m_real.DeleteEnhMetaFile(metaFile);
    }
    static BOOL WINAPI DeleteMetaFile(HMETAFILE metaFile)
    {
        Deleted(metaFile);
        return s_probe->m_real.DeleteMetaFile(metaFile);
    }
    static void WINAPI Wait(DWORD ms)
    {
        s_probe->waits.push_back(ms);
        s_probe->m_real.Sleep(ms);
    }

    static inline PlatformProbe* s_probe = nullptr;
    PlatformApi m_real{};
    std::map<HANDLE, UINT> m_clipboardBlocks;
    std::set<HANDLE> m_takenBlocks;
    std::set<HANDLE> m_takenHandles;
};
