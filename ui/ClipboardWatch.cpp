#include "ui/ClipboardWatch.h"

#include <algorithm>

#include "core/Platform.h"

namespace {

// Under Wine the chain's notification arrives within the millisecond of the
// update notification, or just after it when other viewers come first. This
// leaves a slow chain on a busy machine ample time, and an unannounced copy
// is still converted long before the user can paste it.
constexpr UINT kAnnouncementWaitMs = 200;

// A viewer that is only busy answers well within this. A hung one costs the
// window this much per notification until the platform deems it hung (five
// seconds without taking messages), and nothing after that.
constexpr UINT kPassOnTimeoutMs = 250;

using ListenerProc = BOOL(WINAPI*)(HWND);

// Windows before Vista has no clipboard-update notification: there the chain
// is all the window hears.
ListenerProc LookUpListenerProc(const char* pszName)
{
    return reinterpret_cast<ListenerProc>(
        reinterpret_cast<void*>(g_platform.GetProcAddress(::GetModuleHandleW(L"user32.dll"), pszName)));
}

} // namespace

void CClipboardWatch::Start(HWND hWnd)
{
    m_hWnd = hWnd;
    m_nTakenSequence = ::GetClipboardSequenceNumber();
    const ListenerProc addListener = LookUpListenerProc("AddClipboardFormatListener");
    if (addListener != nullptr && addListener(hWnd)) {
        m_pfnRemoveListener = LookUpListenerProc("RemoveClipboardFormatListener");
    }
}

void CClipboardWatch::Stop()
{
    StopWaiting();
    if (m_pfnRemoveListener != nullptr) {
        m_pfnRemoveListener(m_hWnd);
        m_pfnRemoveListener = nullptr;
    }
}

bool CClipboardWatch::TakeChange()
{
    const DWORD sequence = ::GetClipboardSequenceNumber();
    if (sequence == m_nTakenSequence) {
        return false;
    }
    m_nTakenSequence = sequence;
    StopWaiting();
    return true;
}

void CClipboardWatch::OnClipboardUpdate()
{
    // Started once, not put off by every further copy of a storm.
    if (m_bWaiting || ::GetClipboardSequenceNumber() == m_nTakenSequence) {
        return;
    }
    m_bWaiting = ::SetTimer(m_hWnd, kTimerId, kAnnouncementWaitMs, nullptr) != 0;
}

bool CClipboardWatch::OnTimer()
{
    StopWaiting();
    return ::GetClipboardSequenceNumber() != m_nTakenSequence;
}

void CClipboardWatch::StopWaiting()
{
    if (m_bWaiting) {
        ::KillTimer(m_hWnd, kTimerId);
        m_bWaiting = false;
    }
}

HWND CClipboardWatch::Rejoin(HWND hNextViewer) const
{
    const HWND head = ::GetClipboardViewer();
    if (head == m_hWnd) {
        return hNextViewer;
    }
    // What ChangeClipboardChain tells the chain when the window leaves, so
    // that the viewer before it links up with the one after it; but without
    // its unbounded wait on the head, which may be the viewer that hangs.
    // Queued, not sent: a hung head takes it when it wakes, where a send
    // that timed out would be lost, and the head would keep the window as its
    // next viewer while becoming the window's.
    if (head != nullptr) {
        ::SendNotifyMessageW(head, WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(m_hWnd),
                             reinterpret_cast<LPARAM>(hNextViewer));
    }
    const HWND previousHead = ::SetClipboardViewer(m_hWnd);
    // A head that ended without leaving passes nothing on: the viewers after
    // the window are better kept.
    if (previousHead == nullptr || previousHead == m_hWnd || !::IsWindow(previousHead)) {
        return hNextViewer;
    }
    return previousHead;
}

void CClipboardWatch::PassOnChainChange(HWND hNextViewer, HWND hRemoved, HWND hAfter)
{
    const auto same = [&](const ChainNotice& notice) { return notice.hRemoved == hRemoved && notice.hAfter == hAfter; };
    if (std::any_of(m_passing.begin(), m_passing.end(), same)) {
        return;
    }
    m_passing.push_back({hRemoved, hAfter});
    PassOnToNextViewer(hNextViewer, WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(hRemoved),
                       reinterpret_cast<LPARAM>(hAfter));
    m_passing.pop_back();
}

void PassOnToNextViewer(HWND hNextViewer, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    g_platform.SendMessageTimeoutW(hNextViewer, message, wParam, lParam, SMTO_ABORTIFHUNG, kPassOnTimeoutMs, &result);
}
