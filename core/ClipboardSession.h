// The clipboard held open for one read or write of a conversion pass.
#pragma once

class ClipboardSession {
public:
    // Opens the clipboard with no owner window. A program that has just copied
    // often still holds it for a moment, so a failed open is retried for at
    // most about a quarter second before giving up.
    ClipboardSession();
    ~ClipboardSession();
    ClipboardSession(const ClipboardSession&) = delete;
    ClipboardSession& operator=(const ClipboardSession&) = delete;

    bool IsOpen() const { return m_bOpen; }

private:
    bool m_bOpen = false;
};
