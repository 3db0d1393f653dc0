// The formats of a copy that a pass does not write itself: read before the
// clipboard is emptied, and written back unchanged after the pass's own.
#pragma once

#include <windows.h>

#include <vector>

class CarriedFormats {
public:
    CarriedFormats() = default;
    ~CarriedFormats();
    CarriedFormats(const CarriedFormats&) = delete;
    CarriedFormats& operator=(const CarriedFormats&) = delete;

    // Copies from the open clipboard every format the copying program placed,
    // but the two text formats and the marker. Left out: what the platform
    // only synthesised, handles that only their owner can use, a format that
    // cannot be read or copied, and a Rich Text Format that an earlier pass
    // wrote (the clipboard carries the marker and the RTF is the pass's own).
    void Read(UINT nMarkerFormat, UINT nRtfFormat);

    // Whether the copying program's own Rich Text Format is among them.
    bool HasRtf() const { return m_bHasRtf; }

    // Sets the copies on the open clipboard in their order; the clipboard
    // takes over those it accepts, the others are freed.
    void Write();

    enum class Kind { Memory, Bitmap, Palette, EnhMetaFile, MetaFilePict, None };

private:
    struct Copy {
        UINT nFormat;
        Kind kind;
        HANDLE hData;
        HMETAFILE hMetaFile; // the metafile a METAFILEPICT block holds
    };
    std::vector<Copy> m_copies;
    bool m_bHasRtf = false;
};
