// The record a pass leaves beside the marker: which text the copying program
// placed, so that a later pass converts from what was copied rather than from
// an earlier pass's result.
//
// Format: registered as "CF_PELISAN_SOURCE". Payload: the clipboard format
// numbers of the texts the copying program placed, each as a 32-bit value in
// the machine's order: 13 (CF_UNICODETEXT) for a Unicode copy, 1 (CF_TEXT)
// for an 8-bit copy, 13 and 1 for a program that placed both. A payload of
// any other size or content is no record.
#pragma once

#include <windows.h>

#include <optional>

enum class CopiedText { Unicode, EightBit, Both };

constexpr const char kSourceRecordFormatName[] = "CF_PELISAN_SOURCE";

// Sets the record on the clipboard, which the caller has opened and emptied;
// false when it could not be set.
bool SetSourceRecord(CopiedText copied);

// The record on the open clipboard, or none.
std::optional<CopiedText> ReadSourceRecord();
