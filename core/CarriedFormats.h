// The formats of a copy that a pass does not write itself: read before the
// clipboard is emptied, and written back unchanged around the pass's own, in
// the order the copying program placed them.
#pragma once

#include <windows.h>

#include <vector>

class CopyReader;

class CarriedFormats {
public:
    CarriedFormats() = default;
    ~CarriedFormats();
    CarriedFormats(const CarriedFormats&) = delete;
    CarriedFormats& operator=(const CarriedFormats&) = delete;

    // Copies from the open clipboard every format of placed (the formats the
    // copying program placed, in its order) but those of written, which the
    // pass writes or drops itself, each asked for once, as long as the
    // reader may ask. Left out: handles that only their owner can use, and a
    // format that cannot be read or copied, which the reader notes.
    void Read(const std::vector<UINT>& placed, const std::vector<UINT>& written, CopyReader& reader);

    // The copies of the formats placed before the copy's first text format,
    // where the pass writes its texts, and those after it.
    enum class Part { BeforeTexts, AfterTexts };

    // Sets one part of the copies on the open clipboard, in order; the
    // clipboard takes over those it accepts, the others are freed.
    void Write(Part part);

    enum class Kind { Memory, Bitmap, Palette, EnhMetaFile, MetaFilePict, None };

private:
    struct Copy {
        UINT nFormat;
        Kind kind;
        HANDLE hData;
        HMETAFILE hMetaFile; // the metafile a METAFILEPICT block holds
    };
    std::vector<Copy> m_copies;
    std::size_t m_nTextsAt = 0; // copies before the texts
};

// Whether a format holds a picture or its palette, as placed by a program:
// the one kind of data a repaired copy keeps, since every other format of
// the copy may hold the garbled text.
bool IsPictureFormat(UINT nFormat);
