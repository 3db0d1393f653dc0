#include "core/SourceRecord.h"

#include <cstring>

#include "core/Platform.h"
#include "core/TextBlocks.h"

namespace {

struct Payload {
    DWORD formats[2];
    SIZE_T nSize;
};

Payload PayloadOf(CopiedText copied)
{
    switch (copied) {
    case CopiedText::Unicode: return {{CF_UNICODETEXT, 0}, sizeof(DWORD)};
    case CopiedText::EightBit: return {{CF_TEXT, 0}, sizeof(DWORD)};
    case CopiedText::Both: break;
    }
    return {{CF_UNICODETEXT, CF_TEXT}, 2 * sizeof(DWORD)};
}

} // namespace

bool SetSourceRecord(CopiedText copied)
{
    const UINT format = g_platform.RegisterClipboardFormatA(kSourceRecordFormatName);
    const Payload payload = PayloadOf(copied);
    HGLOBAL block = format != 0 ? NewClipboardBlock(payload.formats, payload.nSize) : nullptr;
    if (block == nullptr) {
        return false;
    }
    if (g_platform.SetClipboardData(format, block) == nullptr) {
        FreeBlock(block);
        return false;
    }
    return true;
}

std::optional<CopiedText> ReadSourceRecord()
{
    const UINT format = g_platform.RegisterClipboardFormatA(kSourceRecordFormatName);
    HANDLE data = format != 0 ? g_platform.GetClipboardData(format) : nullptr;
    if (data == nullptr) {
        return std::nullopt;
    }
    const SIZE_T size = g_platform.GlobalSize(data);
    const void* bytes = size <= sizeof(Payload::formats) ? g_platform.GlobalLock(data) : nullptr;
    if (bytes == nullptr) {
        return std::nullopt;
    }
    DWORD formats[2] = {};
    std::memcpy(formats, bytes, size);
    g_platform.GlobalUnlock(data);
    for (const CopiedText copied : {CopiedText::Unicode, CopiedText::EightBit, CopiedText::Both}) {
        const Payload payload = PayloadOf(copied);
        if (size == payload.nSize && std::memcmp(formats, payload.formats, size) == 0) {
            return copied;
        }
    }
    return std::nullopt;
}
