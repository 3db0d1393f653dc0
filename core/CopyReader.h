// Asks the open clipboard for the formats of one copy and keeps account of
// what could not be read. An automatic pass reads all or nothing, within a
// bound: a copy it could not read whole is left as it is, never written back
// with a format missing, and its program is not kept rendering format after
// format; nor is it asked for a format that, by what its texts showed, it
// could not render within the bound, since a request that reached the
// program is rendered whether or not anyone still waits for it. Asked by the
// user, a pass reads what it can and names the rest.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

class CopyReader {
public:
    enum class Rule { AllOrNothingInTime, WhatItCan };

    // The clock starts here, with the pass's first reading.
    explicit CopyReader(Rule rule);

    // Whether the pass may ask for a further format: always with WhatItCan;
    // with AllOrNothingInTime, while everything so far was read and the
    // bound has not passed. Refused, the reading is stopped: not whole.
    bool MayAskAnother();

    // The length of the Unicode text the program gave, in UTF-16 units.
    void NoteTextLength(SIZE_T nUnits);

    // Asked once, after the texts and before any other format: with
    // AllOrNothingInTime, whether nFormats more can be read within the bound,
    // as far as the texts' answers tell. Refused, the reading is stopped.
    bool MayAskFurther(std::size_t nFormats);

    // The format's data on the open clipboard. Null when there is none to
    // read: the format is absent, or its owner answered that it holds
    // nothing. Null also when its owner failed or did not answer in time;
    // the format is then noted as left out. With AllOrNothingInTime, once
    // the reading is not whole, null without asking.
    HANDLE Ask(UINT nFormat);

    // A format whose data was read but could not be copied.
    void NoteLeftOut(UINT nFormat);

    // Whether the format was offered but could not be read.
    bool IsLeftOut(UINT nFormat) const;

    bool ReadWhole() const { return m_leftOut.empty() && !m_bStopped; }
    // Whether the pass may write what it read: with WhatItCan, always.
    bool MayWrite() const { return m_rule == Rule::WhatItCan || ReadWhole(); }
    const std::vector<UINT>& LeftOut() const { return m_leftOut; }

private:
    Rule m_rule;
    DWORD m_nStart;
    bool m_bDesktopCopy; // served by the bridge to the X11 desktop
    bool m_bStopped = false;
    DWORD m_nSlowestMs = 0;   // the longest the program took for one answer
    SIZE_T m_nTextUnits = 0;  // the Unicode text's length
    std::vector<UINT> m_leftOut;
};

// A format's name for the user: the registered name, or the platform's own
// constant's ("CF_DIB").
std::wstring ClipboardFormatName(UINT nFormat);

// Names as a list: "HTML Format, CF_DIB".
std::wstring ClipboardFormatNames(const std::vector<UINT>& formats);
