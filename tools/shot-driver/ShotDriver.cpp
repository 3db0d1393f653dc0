// Drives the real program through its window and dialogs for the README's
// screenshots. Runs in the same Wine desktop as the program:
//
//   pelisan_shot_driver <pelisan.exe> <folder>
//
// It starts the program with the folder as working directory, opens each
// dialog as a user would, and for every picture writes "<folder>/<name>.rect"
// holding the screen rectangle to take ("x y width height"). The shooting
// script takes the picture and deletes the file; only then does the driver
// go on. At the end it writes "<folder>/result": "ok", or what went wrong.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <stdexcept>
#include <string>

#include "res/resource.h"

namespace {

constexpr DWORD kWaitMs = 20000;

std::wstring g_folder;

void Fail(const char* what)
{
    throw std::runtime_error(what);
}

template <typename Test>
void WaitFor(Test test, const char* what)
{
    for (DWORD waited = 0; !test(); waited += 50) {
        if (waited >= kWaitMs) {
            Fail(what);
        }
        ::Sleep(50);
    }
}

void WriteText(const std::wstring& path, const std::string& text)
{
    if (FILE* file = ::_wfopen(path.c_str(), L"wb")) {
        std::fprintf(file, "%s\n", text.c_str());
        std::fclose(file);
    }
}

// Lets the program finish painting before a picture is taken.
void Settle()
{
    ::Sleep(700);
}

void Shoot(const wchar_t* name, RECT rect)
{
    const std::wstring path = g_folder + L"\\" + name + L".rect";
    const std::wstring partial = path + L".part";
    WriteText(partial, std::to_string(rect.left) + ' ' + std::to_string(rect.top) + ' ' +
                           std::to_string(rect.right - rect.left) + ' ' + std::to_string(rect.bottom - rect.top));
    ::MoveFileW(partial.c_str(), path.c_str());
    WaitFor([&] { return ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES; },
            "the picture was not taken");
}

RECT RectOf(HWND hWnd)
{
    RECT rect{};
    ::GetWindowRect(hWnd, &rect);
    return rect;
}

void PutText(const wchar_t* text)
{
    const std::size_t bytes = (std::wcslen(text) + 1) * sizeof(wchar_t);
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (block == nullptr || !::OpenClipboard(nullptr)) {
        Fail("the clipboard could not be filled");
    }
    std::memcpy(::GlobalLock(block), text, bytes);
    ::GlobalUnlock(block);
    ::EmptyClipboard();
    ::SetClipboardData(CF_UNICODETEXT, block);
    ::CloseClipboard();
}

BOOL CALLBACK KeepProgramWindow(HWND hWnd, LPARAM lParam)
{
    if (::GetPropA(hWnd, "PelisanProp") != nullptr && ::IsWindowVisible(hWnd)) {
        *reinterpret_cast<HWND*>(lParam) = hWnd;
        return FALSE;
    }
    return TRUE;
}

HWND ProgramWindow()
{
    HWND found = nullptr;
    ::EnumWindows(KeepProgramWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

struct DialogSearch {
    DWORD thread;
    int nId;
    HWND found;
};

// A dialog is told apart by one of its own controls.
BOOL CALLBACK KeepDialogWith(HWND hWnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<DialogSearch*>(lParam);
    if (::IsWindowVisible(hWnd) && ::GetDlgItem(hWnd, search->nId) != nullptr) {
        search->found = hWnd;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForDialogWith(DWORD thread, int nId, const char* what)
{
    DialogSearch search{thread, nId, nullptr};
    WaitFor(
        [&] {
            ::EnumThreadWindows(search.thread, KeepDialogWith, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        what);
    Settle();
    return search.found;
}

void WaitUntilGone(HWND hWnd)
{
    WaitFor([&] { return !::IsWindow(hWnd); }, "a dialog did not close");
}

void Close(HWND hDlg)
{
    ::PostMessageW(hDlg, WM_COMMAND, IDCANCEL, 0);
    WaitUntilGone(hDlg);
}

void PointAt(HWND hWnd)
{
    const RECT rect = RectOf(hWnd);
    ::SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

// Reads the program's list view through memory of the program's own: list
// view messages carry pointers, which do not cross processes.
class RemoteList {
public:
    RemoteList(HANDLE hProcess, HWND hList) : m_hProcess(hProcess), m_hList(hList)
    {
        m_pMemory = static_cast<char*>(
            ::VirtualAllocEx(hProcess, nullptr, kBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        if (m_pMemory == nullptr) {
            Fail("no memory in the program for reading its list");
        }
    }
    RemoteList(const RemoteList&) = delete;
    RemoteList& operator=(const RemoteList&) = delete;
    ~RemoteList() { ::VirtualFreeEx(m_hProcess, m_pMemory, 0, MEM_RELEASE); }

    int Count() const { return static_cast<int>(::SendMessageW(m_hList, LVM_GETITEMCOUNT, 0, 0)); }

    std::wstring Label(int nItem) const
    {
        LVITEMW item{};
        item.iSubItem = 0;
        item.pszText = reinterpret_cast<wchar_t*>(m_pMemory + sizeof item);
        item.cchTextMax = kTextChars;
        Write(&item, sizeof item);
        ::SendMessageW(m_hList, LVM_GETITEMTEXTW, nItem, reinterpret_cast<LPARAM>(m_pMemory));
        wchar_t text[kTextChars]{};
        Read(sizeof item, text, sizeof text - sizeof(wchar_t));
        return text;
    }

    // Selects the line and double-clicks it, as the mouse would.
    void DoubleClick(int nItem) const
    {
        ::SendMessageW(m_hList, LVM_ENSUREVISIBLE, nItem, FALSE);
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = item.stateMask;
        Write(&item, sizeof item);
        ::SendMessageW(m_hList, LVM_SETITEMSTATE, nItem, reinterpret_cast<LPARAM>(m_pMemory));
        RECT rect{};
        rect.left = LVIR_LABEL;
        Write(&rect, sizeof rect);
        ::SendMessageW(m_hList, LVM_GETITEMRECT, nItem, reinterpret_cast<LPARAM>(m_pMemory));
        Read(0, &rect, sizeof rect);
        ::PostMessageW(m_hList, WM_LBUTTONDBLCLK, MK_LBUTTON,
                       MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2));
    }

private:
    static constexpr int kTextChars = 256;
    static constexpr SIZE_T kBytes = sizeof(LVITEMW) + kTextChars * sizeof(wchar_t);

    void Write(const void* data, SIZE_T size) const
    {
        if (!::WriteProcessMemory(m_hProcess, m_pMemory, data, size, nullptr)) {
            Fail("the program's list could not be asked");
        }
    }

    void Read(SIZE_T offset, void* data, SIZE_T size) const
    {
        if (!::ReadProcessMemory(m_hProcess, m_pMemory + offset, data, size, nullptr)) {
            Fail("the program's list could not be read");
        }
    }

    HANDLE m_hProcess;
    HWND m_hList;
    char* m_pMemory = nullptr;
};

// The line of the given code page; the first line when there is none.
int LineOf(const RemoteList& list, int nCodePage)
{
    for (int i = 0; i < list.Count(); ++i) {
        if (std::wcstol(list.Label(i).c_str(), nullptr, 10) == nCodePage) {
            return i;
        }
    }
    return 0;
}

BOOL CALLBACK KeepDroppedList(HWND hWnd, LPARAM lParam)
{
    wchar_t className[16] = L"";
    ::GetClassNameW(hWnd, className, 16);
    if (::IsWindowVisible(hWnd) && std::wstring(className) == L"ComboLBox") {
        *reinterpret_cast<HWND*>(lParam) = hWnd;
        return FALSE;
    }
    return TRUE;
}

// A window of hWindow's thread that keep picks, once there is one.
HWND WaitForThreadWindow(HWND hWindow, WNDENUMPROC keep, const char* what)
{
    HWND found = nullptr;
    WaitFor(
        [&] {
            ::EnumThreadWindows(::GetWindowThreadProcessId(hWindow, nullptr), keep, reinterpret_cast<LPARAM>(&found));
            return found != nullptr;
        },
        what);
    return found;
}

// The window together with a popup of its own that reaches beyond it.
void ShootWithPopup(const wchar_t* name, HWND hWindow, HWND hPopup)
{
    Settle();
    RECT both{};
    const RECT window = RectOf(hWindow);
    const RECT popup = RectOf(hPopup);
    ::UnionRect(&both, &window, &popup);
    Shoot(name, both);
}

// The window together with one of its combo boxes dropped down.
void ShootDropped(const wchar_t* name, HWND hWindow, HWND hCombo)
{
    ::SendMessageW(hCombo, CB_SHOWDROPDOWN, TRUE, 0);
    ShootWithPopup(name, hWindow, WaitForThreadWindow(hWindow, KeepDroppedList, "a list did not drop down"));
    ::SendMessageW(hCombo, CB_SHOWDROPDOWN, FALSE, 0);
}

void ShootMainWindow(HWND hMain)
{
    Shoot(L"main", RectOf(hMain));
    ShootDropped(L"main-list", hMain, ::GetDlgItem(hMain, IDC_CODEPAGE));
}

// Text that was Shift-JIS, read as code page 1252.
std::wstring Mojibake(const wchar_t* text)
{
    char bytes[256];
    const int length = ::WideCharToMultiByte(932, 0, text, -1, bytes, sizeof bytes, nullptr, nullptr);
    wchar_t garbled[256];
    ::MultiByteToWideChar(1252, 0, bytes, length, garbled, 256);
    return garbled;
}

BOOL CALLBACK KeepBalloon(HWND hWnd, LPARAM lParam)
{
    wchar_t className[32] = L"";
    ::GetClassNameW(hWnd, className, 32);
    if (::IsWindowVisible(hWnd) && std::wstring(className) == TOOLTIPS_CLASSW &&
        (::GetWindowLongW(hWnd, GWL_STYLE) & TTS_BALLOON) != 0) {
        *reinterpret_cast<HWND*>(lParam) = hWnd;
        return FALSE;
    }
    return TRUE;
}

// The window after 修復, with the balloon that tells what it undid.
void ShootRepair(HWND hMain)
{
    const UINT marker = ::RegisterClipboardFormatW(L"CF_PELISAN");
    PutText(Mojibake(L"日本語のテキスト").c_str());
    WaitFor([&] { return ::IsClipboardFormatAvailable(marker) != 0; }, "the copy was not converted");
    ::PostMessageW(::GetDlgItem(hMain, IDC_REPAIR), BM_CLICK, 0, 0);
    const HWND hBalloon = WaitForThreadWindow(hMain, KeepBalloon, "no balloon after the repair");
    ::SetCursorPos(0, 0);
    ShootWithPopup(L"repair", hMain, hBalloon);
    // Gone by itself, before the dialogs are taken.
    WaitFor([&] { return !::IsWindowVisible(hBalloon); }, "the balloon stayed");
}

void ShootDialogs(HANDLE hProcess, HWND hMain)
{
    const DWORD thread = ::GetWindowThreadProcessId(hMain, nullptr);

    ::PostMessageW(::GetDlgItem(hMain, IDC_SETTINGS), BM_CLICK, 0, 0);
    const HWND hSettings = WaitForDialogWith(thread, IDC_HINT, "the settings dialog did not open");
    PointAt(::GetDlgItem(hSettings, IDC_AUTO));
    Settle();
    Shoot(L"settings", RectOf(hSettings));

    ::PostMessageW(::GetDlgItem(hSettings, IDC_FONT), BM_CLICK, 0, 0);
    const HWND hList = WaitForDialogWith(thread, IDC_FONT_LIST, "the RTF font list did not open");
    Shoot(L"fontlist", RectOf(hList));

    {
        const RemoteList list(hProcess, ::GetDlgItem(hList, IDC_FONT_LIST));
        list.DoubleClick(LineOf(list, 932));
    }
    const HWND hPick = WaitForDialogWith(thread, IDC_FACE, "the font picker did not open");
    Shoot(L"fontpick", RectOf(hPick));

    Close(hPick);
    Close(hList);
    Close(hSettings);

    ::PostMessageW(hMain, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    const HWND hAbout = WaitForDialogWith(thread, IDC_LINK, "the About box did not open");
    ::SetCursorPos(0, 0);
    Settle();
    Shoot(L"about", RectOf(hAbout));
    Close(hAbout);
}

void Drive(const std::wstring& program)
{
    // Text on the clipboard lights the lamp; the window leaves it as it is.
    PutText(L"ペリカン Pelican");

    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, g_folder.c_str(),
                          &startup, &process)) {
        Fail("the program did not start");
    }
    ::CloseHandle(process.hThread);
    try {
        HWND hMain = nullptr;
        WaitFor([&] { return (hMain = ProgramWindow()) != nullptr; }, "the window did not open");
        Settle();
        ShootMainWindow(hMain);
        ShootRepair(hMain);
        ShootDialogs(process.hProcess, hMain);
        ::PostMessageW(hMain, WM_CLOSE, 0, 0);
        if (::WaitForSingleObject(process.hProcess, kWaitMs) != WAIT_OBJECT_0) {
            Fail("the program did not end");
        }
    } catch (...) {
        ::TerminateProcess(process.hProcess, 1);
        ::CloseHandle(process.hProcess);
        throw;
    }
    ::CloseHandle(process.hProcess);
}

void Report(const std::string& result)
{
    WriteText(g_folder + L"\\result", result);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) {
        std::fputs("usage: pelisan_shot_driver <pelisan.exe> <folder>\n", stderr);
        return 2;
    }
    g_folder = argv[2];
    try {
        Drive(argv[1]);
    } catch (const std::exception& failure) {
        Report(failure.what());
        return 1;
    }
    Report("ok");
    return 0;
}
