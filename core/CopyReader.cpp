#include "core/CopyReader.h"

#include <iterator>
#include <string_view>

#include "core/PlacedFormats.h"
#include "core/Platform.h"

namespace {

// How long an automatic pass may read a copy. Reading the texts of a large
// desktop copy takes a few tenths of a second, and a copy's other formats
// come within milliseconds each unless the program renders them at length;
// the desktop bridge gives up on a format after half a second. A second lets
// every copy that is read at the usual pace through, yet a program that
// renders for seconds is asked at most one format more, and a copy is never
// converted so late that the user has pasted it already.
constexpr DWORD kReadingBoundMs = 1000;

// The bridge to the X11 desktop gives up waiting for a format after 500
// waits of at least a millisecond (null after about 550 ms, measured). A null
// it gives sooner is the desktop program's answer, a refused or empty target
// (null within about 10 ms): there is nothing to read.
constexpr DWORD kDesktopAnswerMs = 250;

// The window of Wine's desktop process that owns the clipboard for a copy
// made on the X11 desktop.
constexpr wchar_t kDesktopBridgeClass[] = L"__wine_clipboard_manager";

bool IsDesktopCopy()
{
    const HWND owner = ::GetClipboardOwner();
    wchar_t name[std::size(kDesktopBridgeClass) + 1] = L"";
    return owner != nullptr && ::GetClassNameW(owner, name, static_cast<int>(std::size(name))) != 0 &&
           std::wstring_view(name) == kDesktopBridgeClass;
}

struct FormatNameEntry {
    UINT nFormat;
    const wchar_t* pszName;
};
constexpr FormatNameEntry kPlatformFormats[] = {
    {CF_TEXT, L"CF_TEXT"},           {CF_BITMAP, L"CF_BITMAP"},
    {CF_METAFILEPICT, L"CF_METAFILEPICT"}, {CF_SYLK, L"CF_SYLK"},
    {CF_DIF, L"CF_DIF"},             {CF_TIFF, L"CF_TIFF"},
    {CF_OEMTEXT, L"CF_OEMTEXT"},     {CF_DIB, L"CF_DIB"},
    {CF_PALETTE, L"CF_PALETTE"},     {CF_PENDATA, L"CF_PENDATA"},
    {CF_RIFF, L"CF_RIFF"},           {CF_WAVE, L"CF_WAVE"},
    {CF_UNICODETEXT, L"CF_UNICODETEXT"}, {CF_ENHMETAFILE, L"CF_ENHMETAFILE"},
    {CF_HDROP, L"CF_HDROP"},         {CF_LOCALE, L"CF_LOCALE"},
    {CF_DIBV5, L"CF_DIBV5"},
};

} // namespace

CopyReader::CopyReader(Rule rule)
    : m_rule(rule), m_nStart(::GetTickCount()), m_bDesktopCopy(IsDesktopCopy())
{
}

bool CopyReader::MayAskAnother()
{
    if (m_rule == Rule::AllOrNothingInTime && (!m_leftOut.empty() || ::GetTickCount() - m_nStart >= kReadingBoundMs)) {
        m_bStopped = true;
    }
    return !m_bStopped;
}

HANDLE CopyReader::Ask(UINT nFormat)
{
    // The pass will write nothing: its program is asked for nothing more.
    // (The platform makes the 8-bit text of a Unicode copy by asking for the
    // Unicode text, which a second reading would ask for again.)
    if (m_rule == Rule::AllOrNothingInTime && !ReadWhole()) {
        return nullptr;
    }
    const DWORD asked = ::GetTickCount();
    HANDLE data = g_platform.GetClipboardData(nFormat);
    const bool answeredEmpty = m_bDesktopCopy && ::GetTickCount() - asked < kDesktopAnswerMs;
    if (data == nullptr && !answeredEmpty && ::IsClipboardFormatAvailable(nFormat)) {
        NoteLeftOut(nFormat);
    }
    return data;
}

void CopyReader::NoteLeftOut(UINT nFormat)
{
    m_leftOut.push_back(nFormat);
}

bool CopyReader::IsLeftOut(UINT nFormat) const
{
    return Contains(m_leftOut, nFormat);
}

std::wstring ClipboardFormatName(UINT nFormat)
{
    for (const FormatNameEntry& entry : kPlatformFormats) {
        if (entry.nFormat == nFormat) {
            return entry.pszName;
        }
    }
    wchar_t name[256] = L"";
    if (::GetClipboardFormatNameW(nFormat, name, static_cast<int>(std::size(name))) > 0) {
        return name;
    }
    return L"#" + std::to_wstring(nFormat);
}

std::wstring ClipboardFormatNames(const std::vector<UINT>& formats)
{
    std::wstring names;
    for (const UINT format : formats) {
        names += (names.empty() ? L"" : L", ") + ClipboardFormatName(format);
    }
    return names;
}
