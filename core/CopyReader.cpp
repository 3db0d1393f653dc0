#include "core/CopyReader.h"

#include <algorithm>
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
constexpr DWORD kDesktopGiveUpMs = 500;
constexpr DWORD kDesktopAnswerMs = 250;

// How fast a program may render a richer format of its copy (HTML, its own
// cells, RTF), which holds the copy's text and more, when it makes it only on
// request: a spreadsheet took about two microseconds a character for its HTML
// (Gnumeric: 2.3 for HTML, 0.8 for Biff8, 0.05 for its own format, 0.02 for
// the text; 1,000 to 20,000 rows of eleven cells). A word processor that
// renders at the copy answers at once whatever the size.
constexpr SIZE_T kRenderedUnitsPerMs = 500;

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

void CopyReader::NoteTextLength(SIZE_T nUnits)
{
    m_nTextUnits = nUnits;
}

bool CopyReader::MayAskFurther(std::size_t nFormats)
{
    if (m_rule != Rule::AllOrNothingInTime || nFormats == 0) {
        return MayAskAnother();
    }
    const unsigned long long elapsed = ::GetTickCount() - m_nStart;
    // Each further format takes at least as long as the slowest answer so far.
    const bool allBeyondBound = elapsed + nFormats * static_cast<unsigned long long>(m_nSlowestMs) > kReadingBoundMs;
    // A richer one of a long text takes longer still, beyond the bound or
    // beyond the bridge's patience, which is shorter.
    const unsigned long long richMs = m_nTextUnits / kRenderedUnitsPerMs;
    const bool richBeyondBound = elapsed + richMs > kReadingBoundMs || (m_bDesktopCopy && richMs >= kDesktopGiveUpMs);
    if (allBeyondBound || richBeyondBound) {
        m_bStopped = true;
    }
    return MayAskAnother();
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
    const DWORD took = ::GetTickCount() - asked;
    m_nSlowestMs = std::max(m_nSlowestMs, took);
    const bool answeredEmpty = m_bDesktopCopy && took < kDesktopAnswerMs;
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
