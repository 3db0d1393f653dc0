#include "ui/MainDlg.h"

#include <windowsx.h>

#include <iterator>
#include <string>

#include "app/ConverterApp.h"
#include "app/WindowAction.h"
#include "core/CodePageList.h"
#include "core/ConversionPass.h"
#include "core/CopyReader.h"
#include "core/RepairPass.h"
#include "framework/DataExchange.h"
#include "framework/Dc.h"
#include "framework/Dpi.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include "ui/AboutDlg.h"
#include "ui/RepairNotice.h"
#include "ui/SettingsDlg.h"

namespace {

constexpr wchar_t kTitle[] = L"Pelisan";
// " 【自動】": a space, then the full-width brackets around "automatic".
constexpr wchar_t kAutoSuffix[] = L" \u3010\u81EA\u52D5\u3011";
constexpr COLORREF kLampLit = RGB(0, 255, 0);
// Text that asks for a look: a copy left unconverted, or converted with a
// format left out. Orange is told from the green by its brightness too.
constexpr COLORREF kLampNotice = RGB(255, 128, 0);
// Where a saved position that is off the primary screen is moved to, in
// pixels at 96 DPI.
constexpr int kFallbackPosition = 100;
// A system command's low four bits are the system's own.
constexpr UINT kSysCommandMask = 0xFFF0;
// Long enough to read two lines of the notice after a repair or a conversion.
constexpr UINT kNoticeMs = 8000;

// A string of the resources, with %s replaced by the argument.
std::wstring ResourceText(UINT nID, const std::wstring& argument = {})
{
    const wchar_t* text = nullptr;
    const int length = ::LoadStringW(AfxGetResourceHandle(), nID, reinterpret_cast<LPWSTR>(&text), 0);
    std::wstring result(text != nullptr ? text : L"", length > 0 ? static_cast<std::size_t>(length) : 0);
    const std::size_t at = result.find(L"%s");
    if (at != std::wstring::npos) {
        result.replace(at, 2, argument);
    }
    return result;
}

// What Convert did, in the lamp's words where it has them.
std::wstring ConvertNotice(PassResult result, const PassReport& report)
{
    switch (result) {
    case PassResult::Converted:
        return report.leftOut.empty() ? ResourceText(IDS_CONVERTED)
                                      : ResourceText(IDS_LAMP_LEFT_OUT, ClipboardFormatNames(report.leftOut));
    case PassResult::NothingToConvert: return ResourceText(IDS_REPAIR_NO_TEXT);
    case PassResult::TextUnreadable: return ResourceText(IDS_LAMP_UNREADABLE);
    default: break;
    }
    return ResourceText(IDS_CONVERT_FAILED);
}

// How long an asking process may take to take the answer to its request.
constexpr UINT kAnswerMs = 5000;

UINT ActionMessage()
{
    static const UINT s_nMessage = ::RegisterWindowMessageA(kActionMessageName);
    return s_nMessage;
}

CConverterApp* ConverterApp()
{
    return static_cast<CConverterApp*>(AfxGetApp());
}

BOOL AsFlag(int value)
{
    return value != 0 ? 1 : 0;
}

void ShowAboutBox()
{
    CAboutDlg dlg;
    dlg.DoModal();
}

} // namespace

CMainDlg::CMainDlg()
    : CDialog(IDD_MAIN),
      m_hIcon(::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME)))
{
}

CMainDlg::~CMainDlg()
{
    // The pointer must not outlive the list it names.
    if (g_pCodePageCombo == &m_wndCodePage) {
        g_pCodePageCombo = nullptr;
    }
}

void CMainDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_CBIndex(pDX, IDC_CODEPAGE, m_nCodePageIndex);
}

BOOL CMainDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    AppendAboutItem(::GetSystemMenu(m_hWnd, FALSE));
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    m_wndCodePage.m_hWnd = ::GetDlgItem(m_hWnd, IDC_CODEPAGE);
    g_pCodePageCombo = &m_wndCodePage;
    FillCodePageList();
    SelectSavedCodePage();
    ConverterApp()->LoadFontSettings(m_wndCodePage.GetCount());

    CorrectPosition();
    ApplyZOrder(m_nPosX, m_nPosY, SWP_NOSIZE | SWP_SHOWWINDOW);
    ::SetPropA(m_hWnd, kInstancePropName, reinterpret_cast<HANDLE>(1));
    // Joining the chain sends a notification at once; m_bReady keeps it
    // from converting what was on the clipboard before the window opened.
    m_hNextViewer = ::SetClipboardViewer(m_hWnd);
    UpdateTitle();
    EnableToolTips(TRUE);
    // From here on every change counts, also one the chain does not announce.
    m_watch.Start(m_hWnd);
    m_hotKeys.Register(m_hWnd, m_wConvertHotKey, m_wRepairHotKey);
    m_bReady = 1;
    // No control takes the focus: the window often opens while the user types
    // in another program (started with the desktop, or from a terminal), and
    // under X11 the window manager, not the window, decides whether it is
    // activated. Keys reach the controls once the user clicks one or presses
    // Tab (WM_SETFOCUS, PreTranslateMessage).
    return FALSE;
}

void CMainDlg::AppendAboutItem(HMENU menu) const
{
    wchar_t text[256];
    if (menu == nullptr ||
        ::LoadStringW(AfxGetResourceHandle(), IDS_ABOUTBOX, text, static_cast<int>(std::size(text))) <= 0) {
        return;
    }
    if (::GetMenuItemCount(menu) > 0) {
        ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    }
    ::AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, text);
}

void CMainDlg::SelectSavedCodePage()
{
    m_nCodePageIndex = 0;
    const int count = m_wndCodePage.GetCount();
    for (int i = 0; i < count; ++i) {
        if (m_wndCodePage.GetItemData(i) == m_nCodePage) {
            m_nCodePageIndex = i;
            break;
        }
    }
    m_wndCodePage.SetCurSel(m_nCodePageIndex);
}

void CMainDlg::CorrectPosition()
{
    RECT window;
    RECT screen;
    GetWindowRect(&window);
    ::GetWindowRect(::GetDesktopWindow(), &screen);
    // Not yet placed: the window is on the primary screen, at its scale.
    const int fallback = ScaleToDpi(kFallbackPosition, GetWindowDpi(m_hWnd));
    if (m_nPosX < 0 || m_nPosX > screen.right - (window.right - window.left)) {
        m_nPosX = fallback;
    }
    if (m_nPosY < 0 || m_nPosY > screen.bottom - (window.bottom - window.top)) {
        m_nPosY = fallback;
    }
}

void CMainDlg::ApplyZOrder(int x, int y, UINT nFlags) const
{
    SetWindowPos(m_bTopMost ? &CWnd::wndTopMost : &CWnd::wndNoTopMost, x, y, 0, 0, nFlags);
}

bool CMainDlg::IsAutoConvertActive() const
{
    return m_bAutoConvert && (!m_bSleepMinimized || !IsIconic());
}

void CMainDlg::UpdateTitle() const
{
    std::wstring title = kTitle;
    if (IsAutoConvertActive()) {
        title += kAutoSuffix;
    }
    ::SetWindowTextW(m_hWnd, title.c_str());
}

BOOL CMainDlg::UpdateIndicator()
{
    const bool text = ::IsClipboardFormatAvailable(CF_TEXT) || ::IsClipboardFormatAvailable(CF_UNICODETEXT);
    const COLORREF lit = HasNotice() ? kLampNotice : kLampLit;
    PaintIndicator(IDC_INDICATOR, text ? lit : ::GetSysColor(COLOR_BTNFACE));
    return text ? 1 : 0;
}

void CMainDlg::SetNotice(std::wstring strNotice, DWORD nSequence)
{
    m_strNotice = std::move(strNotice);
    m_nNoticeSequence = nSequence;
    UpdateIndicator();
}

bool CMainDlg::HasNotice() const
{
    return !m_strNotice.empty() && ::GetClipboardSequenceNumber() == m_nNoticeSequence;
}

void CMainDlg::PaintIndicator(int nID, COLORREF color) const
{
    const CWnd control = GetDlgItem(nID);
    if (control.m_hWnd == nullptr) {
        return;
    }
    // Inside the frame, which is all the control paints itself.
    RECT inside;
    control.GetClientRect(&inside);
    ::InflateRect(&inside, -1, -1);
    const CClientDC dc(&control);
    dc.FillSolidRect(&inside, color);
}

BOOL CMainDlg::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == ActionMessage() && message != 0) {
        const bool known = wParam == kActionConvert || wParam == kActionRepair;
        if (known) {
            OnAction(wParam, reinterpret_cast<HWND>(lParam));
        }
        *pResult = known ? 1 : 0;
        return TRUE;
    }
    switch (message) {
    case WM_HOTKEY:
        OnAction(wParam, nullptr);
        return TRUE;
    case CTrayNotice::kCallbackMessage:
        m_trayNotice.OnCallback(lParam);
        return TRUE;
    case WM_SYSCOMMAND:
        OnSysCommand(static_cast<UINT>(wParam));
        return TRUE;
    case WM_PAINT:
        OnPaint();
        return TRUE;
    case WM_SIZE:
        *pResult = Default();
        // Minimised or restored, by whatever means (a second start, the
        // window manager): whether automatic conversion sleeps may have changed.
        if (wParam == SIZE_MINIMIZED || wParam == SIZE_RESTORED) {
            UpdateTitle();
        }
        // Back on the screen, the window is where the user looks.
        if (wParam == SIZE_RESTORED) {
            m_trayNotice.Remove();
        }
        return TRUE;
    case WM_MOVE:
        // The notice points at the button where it was.
        m_wndNotice.Hide();
        break;
    case WM_CONTEXTMENU:
        OnContextMenu(lParam);
        return TRUE;
    case WM_SETFOCUS:
        // The window keeps a focus given to it; the dialog manager would pass
        // it on to the list. A click or Tab gives it to a control.
        return TRUE;
    case WM_QUERYDRAGICON:
        *pResult = reinterpret_cast<LRESULT>(m_hIcon);
        return TRUE;
    case WM_DESTROY:
        OnDestroy();
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_SETTINGS) {
            OnSettings();
            return TRUE;
        }
        if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_CONVERT) {
            OnConvert();
            return TRUE;
        }
        if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_REPAIR) {
            OnRepair();
            return TRUE;
        }
        break;
    case WM_DRAWCLIPBOARD:
        OnDrawClipboard();
        return TRUE;
    case WM_CHANGECBCHAIN:
        OnChangeCbChain(reinterpret_cast<HWND>(wParam), reinterpret_cast<HWND>(lParam));
        return TRUE;
    case WM_CLIPBOARDUPDATE:
        m_watch.OnClipboardUpdate();
        return TRUE;
    case WM_TIMER:
        if (wParam == CClipboardWatch::kTimerId) {
            OnUnannouncedChange();
            return TRUE;
        }
        if (wParam == CTrayNotice::kTimerId) {
            m_trayNotice.Remove();
            return TRUE;
        }
        break;
    case WM_NOTIFY:
        if (lParam != 0 && reinterpret_cast<const NMHDR*>(lParam)->code == TTN_NEEDTEXTW &&
            OnToolTipNotify(reinterpret_cast<NMTTDISPINFOW*>(lParam))) {
            return TRUE;
        }
        break;
    default:
        break;
    }
    return CDialog::OnWndMsg(message, wParam, lParam, pResult);
}

BOOL CMainDlg::PreTranslateMessage(MSG* pMsg)
{
    // Esc would cancel, that is close, the window; here it only minimises.
    // With the list dropped down it closes the list, as in any dialog.
    if (pMsg->message == WM_KEYDOWN && ::GetActiveWindow() == m_hWnd && pMsg->wParam == VK_ESCAPE &&
        !m_wndCodePage.GetDroppedState()) {
        PostMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
        return TRUE;
    }
    // While no control has the focus, keys meant for another program change
    // nothing here; Tab reaches the controls, Alt and its access keys work.
    if ((pMsg->message == WM_KEYDOWN || pMsg->message == WM_CHAR) && pMsg->hwnd == m_hWnd &&
        pMsg->wParam != VK_TAB) {
        return TRUE;
    }
    return CDialog::PreTranslateMessage(pMsg);
}

void CMainDlg::OnOK() {}

void CMainDlg::OnSysCommand(UINT nID)
{
    if ((nID & kSysCommandMask) == IDM_ABOUTBOX) {
        ShowAboutBox();
        return;
    }
    Default();
    // Minimising and restoring change whether automatic conversion sleeps.
    UpdateTitle();
}

// Under a Linux window manager the title bar's menu is the manager's own, so
// the About item is also on the window's context menu (a right click on the
// window, the menu key or Shift+F10).
void CMainDlg::OnContextMenu(LPARAM lParam)
{
    POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    // From the keyboard both halves are -1; on 64-bit Windows the whole
    // lParam is then not.
    if (at.x == -1 && at.y == -1) {
        at = {0, 0};
        ::ClientToScreen(m_hWnd, &at);
    }
    const HMENU menu = ::CreatePopupMenu();
    AppendAboutItem(menu);
    const UINT command = ::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, m_hWnd, nullptr);
    ::DestroyMenu(menu);
    if (command == IDM_ABOUTBOX) {
        ShowAboutBox();
    }
}

void CMainDlg::OnPaint()
{
    if (!IsIconic()) {
        Default();
        UpdateIndicator();
        return;
    }
    const CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    RECT client;
    GetClientRect(&client);
    const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon);
}

void CMainDlg::OnDestroy()
{
    Default();
    UpdateData(TRUE);
    // An empty list selects nothing: the saved code page then stands.
    SelectedCodePage(m_nCodePage);
    if (!IsIconic()) {
        RECT window;
        GetWindowRect(&window);
        m_nPosX = window.left;
        m_nPosY = window.top;
    }
    ::ChangeClipboardChain(m_hWnd, m_hNextViewer);
    m_hNextViewer = nullptr;
    m_watch.Stop();
    m_hotKeys.Unregister();
    m_trayNotice.Remove();
    ::RemovePropA(m_hWnd, kInstancePropName);
}

bool CMainDlg::SelectedCodePage(UINT& nCodePage)
{
    if (m_nCodePageIndex < 0) {
        return false;
    }
    nCodePage = static_cast<UINT>(m_wndCodePage.GetItemData(m_nCodePageIndex));
    return true;
}

void CMainDlg::OnSettings()
{
    CSettingsDlg dlg;
    dlg.m_bAutoConvert = m_bAutoConvert;
    dlg.m_bSleepMinimized = m_bSleepMinimized;
    dlg.m_bTopMost = m_bTopMost;
    dlg.m_bAddRtf = m_bAddRtf;
    dlg.m_wConvertHotKey = m_wConvertHotKey;
    dlg.m_wRepairHotKey = m_wRepairHotKey;
    dlg.m_pHotKeys = &m_hotKeys;
    if (dlg.DoModal() != IDOK) {
        // OK may have tried other keys before the user cancelled.
        m_hotKeys.Register(m_hWnd, m_wConvertHotKey, m_wRepairHotKey);
        return;
    }
    m_wConvertHotKey = dlg.m_wConvertHotKey;
    m_wRepairHotKey = dlg.m_wRepairHotKey;
    m_bAutoConvert = AsFlag(dlg.m_bAutoConvert);
    m_bSleepMinimized = AsFlag(dlg.m_bSleepMinimized);
    m_bTopMost = AsFlag(dlg.m_bTopMost);
    m_bAddRtf = AsFlag(dlg.m_bAddRtf);
    ApplyZOrder(0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW);
    UpdateTitle();
}

void CMainDlg::OnConvert()
{
    Convert();
}

void CMainDlg::OnRepair()
{
    Tell(IDC_REPAIR, Repair().strWhat);
}

void CMainDlg::OnAction(WPARAM nAction, HWND hReplyTo)
{
    const bool convert = nAction == kActionConvert;
    if (!convert && nAction != kActionRepair) {
        return;
    }
    const ActionResult result = convert ? Convert() : Repair();
    if (hReplyTo == nullptr) {
        Tell(convert ? IDC_CONVERT : IDC_REPAIR, result.strWhat);
        return;
    }
    // The asker waits in its request and takes the answer at once; one that
    // went meanwhile must not stop the window.
    COPYDATASTRUCT answer{};
    answer.dwData = static_cast<ULONG_PTR>(result.status);
    answer.cbData = static_cast<DWORD>(result.strWhat.size() * sizeof(wchar_t));
    answer.lpData = const_cast<wchar_t*>(result.strWhat.data());
    DWORD_PTR taken = 0;
    ::SendMessageTimeoutW(hReplyTo, WM_COPYDATA, reinterpret_cast<WPARAM>(m_hWnd), reinterpret_cast<LPARAM>(&answer),
                          SMTO_ABORTIFHUNG, kAnswerMs, &taken);
}

// What Convert left out is told where the lamp is explained: a message box
// would stop the user at every such copy, and a notice that goes with the
// next copy leaves nothing to close.
CMainDlg::ActionResult CMainDlg::Convert()
{
    PassReport report;
    const PassResult result = RunPass(PassMode::OnRequest, &report);
    if (result == PassResult::TextUnreadable) {
        SetNotice(ResourceText(IDS_LAMP_UNREADABLE), report.nReadSequence);
    } else {
        // What was left out is told of the converted copy.
        const std::wstring leftOut = ClipboardFormatNames(report.leftOut);
        SetNotice(leftOut.empty() ? std::wstring() : ResourceText(IDS_LAMP_LEFT_OUT, leftOut),
                  ::GetClipboardSequenceNumber());
    }
    // With no entry selected there was no pass to tell of.
    if (m_nCodePageIndex < 0) {
        return {kExitUnusableCodePage, {}};
    }
    return {ExitStatusOf(result), ConvertNotice(result, report)};
}

// The repaired copy carries the marker: the notification of its writing
// finds it, and no automatic pass converts it again.
CMainDlg::ActionResult CMainDlg::Repair()
{
    Selection selection{};
    if (!Select(selection)) {
        return {kExitUnusableCodePage, {}};
    }
    const ClipboardRepair repair =
        RepairPass(selection.nCodePage, m_bAddRtf, selection.pszFaceName, selection.nPointSize);
    return {ExitStatusOf(repair.outcome), RepairNotice(repair, m_wndCodePage)};
}

// Minimised, the window's balloon would point at nothing the user sees.
void CMainDlg::Tell(int nButton, const std::wstring& strWhat)
{
    if (strWhat.empty()) {
        return;
    }
    if (IsIconic() || !::IsWindowVisible(m_hWnd)) {
        m_trayNotice.Show(m_hWnd, m_hIcon, kTitle, strWhat);
    } else {
        m_wndNotice.Show(GetDlgItem(nButton).m_hWnd, strWhat, kNoticeMs);
    }
}

bool CMainDlg::Select(Selection& selection)
{
    UpdateData(TRUE);
    // With no entry there is no code page to convert through, and a pass
    // with a made-up one would empty both texts.
    if (!SelectedCodePage(selection.nCodePage)) {
        return false;
    }
    const FontSetting* row = ConverterApp()->FindFontSetting(selection.nCodePage);
    selection.pszFaceName = row != nullptr ? row->szFaceName : nullptr;
    selection.nPointSize = row != nullptr ? row->nSize : 0;
    return true;
}

PassResult CMainDlg::RunPass(PassMode mode, PassReport* pReport)
{
    Selection selection{};
    if (!Select(selection)) {
        return PassResult::NothingToConvert;
    }
    return ConversionPass(selection.nCodePage, m_bAddRtf, selection.pszFaceName, selection.nPointSize, mode,
                          pReport);
}

void CMainDlg::OnDrawClipboard()
{
    if (!m_bReady) {
        return;
    }
    // While a change is handled, the pass and the passing on wait for other
    // programs (the clipboard's owner, the next viewer), and the platform
    // delivers the notifications of further copies meanwhile. Handled where
    // they arrive, they would nest pass within pass as deep as copies come
    // in; they are taken up here instead, one after the other.
    m_bChangedMeanwhile = TRUE;
    if (m_bHandlingChange) {
        return;
    }
    m_bHandlingChange = TRUE;
    while (m_bChangedMeanwhile) {
        m_bChangedMeanwhile = FALSE;
        if (m_watch.TakeChange()) {
            HandleClipboardChange();
        }
    }
    m_bHandlingChange = FALSE;
}

void CMainDlg::OnUnannouncedChange()
{
    if (!m_watch.OnTimer()) {
        return;
    }
    OnDrawClipboard();
    // At the head the window hears the next change first, and the viewers
    // after it again see only converted text.
    m_hNextViewer = m_watch.Rejoin(m_hNextViewer);
}

void CMainDlg::HandleClipboardChange()
{
    const BOOL text = UpdateIndicator();
    if (IsAutoConvertActive()) {
        const UINT marker = ::RegisterClipboardFormatA(kMarkerFormatName);
        // A notice on a clipboard without the marker is of a copy given up
        // on, which its program is not asked for again: Wine's bridge
        // announces a desktop copy a second time when the window's own
        // result was on the desktop before it.
        if (marker != 0 && !::IsClipboardFormatAvailable(marker) && text && !HasNotice()) {
            const DWORD before = ::GetClipboardSequenceNumber();
            PassReport report;
            // Left whole: the lamp says so, and Convert converts it. A copy
            // made since the pass read is another's, to be judged anew.
            if (RunPass(PassMode::Automatic, &report) == PassResult::GivenUp) {
                SetNotice(ResourceText(IDS_LAMP_GIVEN_UP), report.nReadSequence);
            }
            // A pass that changed the clipboard raised a notification of its
            // own, which goes on down the chain. One that changed nothing
            // (the copy needed nothing, asked to be left alone, or the
            // clipboard was held elsewhere) must not swallow this one.
            if (::GetClipboardSequenceNumber() != before) {
                return;
            }
        }
    }
    if (m_hNextViewer != nullptr) {
        PassOnToNextViewer(m_hNextViewer, WM_DRAWCLIPBOARD, 0, 0);
    }
}

void CMainDlg::OnChangeCbChain(HWND hWndRemove, HWND hWndAfter)
{
    if (hWndRemove == m_hNextViewer) {
        // A viewer that missed the window's rejoining at the head names the
        // window itself; passing on to itself would never end.
        m_hNextViewer = hWndAfter != m_hWnd ? hWndAfter : nullptr;
    } else if (m_hNextViewer != nullptr) {
        m_watch.PassOnChainChange(m_hNextViewer, hWndRemove, hWndAfter);
    }
}

BOOL CMainDlg::OnToolTipNotify(NMTTDISPINFOW* pTTT) const
{
    if ((pTTT->uFlags & TTF_IDISHWND) == 0) {
        return FALSE;
    }
    // Only the window's own controls have a text, string id = control id.
    const HWND tool = reinterpret_cast<HWND>(pTTT->hdr.idFrom);
    const int id = ::IsChild(m_hWnd, tool) ? ::GetDlgCtrlID(tool) : 0;
    if (id == 0) {
        return FALSE;
    }
    if (id == IDC_INDICATOR && HasNotice()) {
        pTTT->lpszText = const_cast<wchar_t*>(m_strNotice.c_str());
        pTTT->hinst = nullptr;
        return TRUE;
    }
    pTTT->lpszText = MAKEINTRESOURCEW(id);
    pTTT->hinst = AfxGetResourceHandle();
    return TRUE;
}
