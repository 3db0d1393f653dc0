#include "ActionRequest.h"

#include "PelisanRunner.h"
#include "app/ExitStatus.h"
#include "app/FontSetting.h"
#include "app/MainSettings.h"
#include "linux/LinuxSession.h"

namespace {

// A request waits this long for the one before it, and the window this long
// to do it and answer: a repair of a long text takes seconds.
constexpr DWORD kTurnMs = 120000;
constexpr UINT kWindowAnswerMs = 60000;
// What a pass writes before its reason; a notification names the program.
constexpr char kLinePrefix[] = "pelisan: ";
// More than any pass says.
constexpr DWORD kMostSaid = 64 * 1024;

struct Reply {
    bool bAnswered = false;
    ActionAnswer answer{};
};

LRESULT CALLBACK ReplyProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_COPYDATA) {
        return DefWindowProcW(hWnd, message, wParam, lParam);
    }
    auto* reply = reinterpret_cast<Reply*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (reply != nullptr && data != nullptr) {
        reply->bAnswered = true;
        reply->answer.status = static_cast<DWORD>(data->dwData);
        reply->answer.notice.assign(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t));
    }
    return TRUE;
}

// The window's answer; none when it went before it took the request.
std::optional<ActionAnswer> AskWindow(HWND window, WindowAction action)
{
    WNDCLASSW replyClass{};
    replyClass.lpfnWndProc = ReplyProc;
    replyClass.hInstance = GetModuleHandleW(nullptr);
    replyClass.lpszClassName = L"PelisanActionReply";
    RegisterClassW(&replyClass);
    Reply reply;
    const HWND replyTo = CreateWindowExW(0, replyClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                         replyClass.hInstance, nullptr);
    if (replyTo == nullptr) {
        return std::nullopt;
    }
    SetWindowLongPtrW(replyTo, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&reply));
    DWORD_PTR taken = 0;
    const bool answered = SendMessageTimeoutW(window, RegisterWindowMessageA(kActionMessageName), action,
                                              reinterpret_cast<LPARAM>(replyTo), SMTO_ABORTIFHUNG, kWindowAnswerMs,
                                              &taken) != 0;
    DestroyWindow(replyTo);
    if (answered && taken == 1 && reply.bAnswered) {
        return reply.answer;
    }
    if (!IsWindow(window)) {
        return std::nullopt;
    }
    // It may still be at work: a pass beside it would race it.
    return ActionAnswer{kExitClipboardFailed, L"Pelisan's window did not answer in time; the clipboard may be "
                                              L"unchanged"};
}

std::wstring FromAnsi(const std::string& text)
{
    std::wstring wide(text.size(), L'\0');
    wide.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                            static_cast<int>(wide.size()))));
    return wide;
}

UINT SavedCodePage()
{
    const MainSettings defaults;
    return GetPrivateProfileIntA(kSettingsSection, kCodePageKey, static_cast<int>(defaults.m_nCodePage),
                                 kProfileName);
}

// The window's own settings for its pass, as the window would read them:
// the code page and, with the RTF copy on, its font row. The face goes as
// the INI file holds it: pelisan.exe reads it back through the same ANSI
// code page.
std::wstring SavedPassArguments(WindowAction action, UINT codePage)
{
    const MainSettings defaults;
    std::wstring tail = std::to_wstring(static_cast<int>(codePage));
    if (GetPrivateProfileIntA(kSettingsSection, kAddRtfKey, defaults.m_bAddRtf, kProfileName) != 0) {
        tail += L" /r";
        const FontKey key = FontKeyOf(codePage);
        char face[256] = "";
        GetPrivateProfileStringA(kFaceSection, key.text, "", face, sizeof(face), kProfileName);
        const std::string faceName = face;
        if (!faceName.empty() && faceName.find('"') == std::string::npos) {
            tail += L" \"" + FromAnsi(faceName) + L"\"";
        }
        const UINT size = GetPrivateProfileIntA(kSizeSection, key.text, 0, kProfileName);
        if (size > 0 && size <= kMaxFontSize) {
            tail += L" " + std::to_wstring(size);
        }
    }
    if (action == kActionRepair) {
        tail += L" /repair";
    }
    return tail;
}

// What the pass said, its lines without the program's name.
std::wstring Said(HANDLE file)
{
    std::string bytes(kMostSaid, '\0');
    DWORD read = 0;
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    ReadFile(file, bytes.data(), kMostSaid, &read, nullptr);
    bytes.resize(read);
    std::string said;
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t end = bytes.find('\n', at);
        end = end == std::string::npos ? bytes.size() : end;
        std::string line = bytes.substr(at, end - at);
        if (line.compare(0, sizeof(kLinePrefix) - 1, kLinePrefix) == 0) {
            line.erase(0, sizeof(kLinePrefix) - 1);
        }
        if (!line.empty()) {
            said += (said.empty() ? "" : "\n") + line;
        }
        at = end + 1;
    }
    std::wstring notice(said.size(), L'\0');
    notice.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, said.data(), static_cast<int>(said.size()),
                                                               notice.data(), static_cast<int>(notice.size()))));
    return notice;
}

// A conversion that ended well says nothing: whether it converted text.
std::wstring ConvertedNotice(UINT codePage)
{
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) && !IsClipboardFormatAvailable(CF_TEXT)) {
        return L"the clipboard holds no text; nothing was converted";
    }
    return L"converted the clipboard's text through code page " + std::to_wstring(static_cast<int>(codePage));
}

// A command-line pass with the saved settings; what it writes to standard
// error is what the user is told.
std::optional<ActionAnswer> RunSavedPass(WindowAction action)
{
    wchar_t folder[MAX_PATH];
    wchar_t path[MAX_PATH];
    if (GetTempPathW(MAX_PATH, folder) == 0 || GetTempFileNameW(folder, L"pel", 0, path) == 0) {
        return std::nullopt;
    }
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const HANDLE said = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                                    nullptr);
    if (said == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    const UINT codePage = SavedCodePage();
    const std::optional<DWORD> status = RunPelisan(SavedPassArguments(action, codePage), said);
    std::optional<ActionAnswer> answer;
    if (status) {
        answer = ActionAnswer{*status, Said(said)};
        if (answer->notice.empty() && *status == kExitDone && action == kActionConvert) {
            answer->notice = ConvertedNotice(codePage);
        }
    }
    CloseHandle(said);
    return answer;
}

} // namespace

std::optional<ActionAnswer> DoActionNow(WindowAction action)
{
    const HANDLE turn = CreateMutexW(nullptr, FALSE, kActionTurnName);
    // One that ended without giving up its turn gave it up all the same.
    const DWORD waited = turn != nullptr ? WaitForSingleObject(turn, kTurnMs) : WAIT_FAILED;
    const bool ownTurn = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    std::optional<ActionAnswer> answer;
    if (!ownTurn) {
        answer = ActionAnswer{kExitClipboardFailed, L"an earlier request still runs; nothing was done"};
    } else if (const HWND window = FindRunningWindow()) {
        answer = AskWindow(window, action);
    }
    if (ownTurn && !answer) {
        answer = RunSavedPass(action);
    }
    if (ownTurn) {
        ReleaseMutex(turn);
    }
    if (turn != nullptr) {
        CloseHandle(turn);
    }
    return answer;
}
