#include "core/Platform.h"

namespace {

const PlatformApi kWin32 = {
    ::OpenClipboard,
    ::CloseClipboard,
    ::EmptyClipboard,
    ::GetClipboardData,
    ::SetClipboardData,
    ::EnumClipboardFormats,
    ::RegisterClipboardFormatA,
    ::GetClipboardSequenceNumber,
    ::GlobalAlloc,
    ::GlobalFree,
    ::GlobalLock,
    ::GlobalUnlock,
    ::GlobalSize,
    ::MultiByteToWideChar,
    ::WideCharToMultiByte,
    ::GetACP,
    ::IsValidCodePage,
    ::GetCPInfo,
    ::EnumSystemCodePagesA,
    ::LoadLibraryA,
    ::GetProcAddress,
    ::FreeLibrary,
    ::Sleep,
    ::SendMessageTimeoutW,
    ::CopyImage,
    ::CopyEnhMetaFileW,
    ::CopyMetaFileW,
    ::GetPaletteEntries,
    ::CreatePalette,
    ::DeleteObject,
    ::DeleteEnhMetaFile,
    ::DeleteMetaFile,
};

} // namespace

PlatformApi g_platform = kWin32;

const PlatformApi& DefaultPlatform()
{
    return kWin32;
}
