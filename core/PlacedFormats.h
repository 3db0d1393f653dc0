// Which of the open clipboard's formats the copying program placed, and
// which the platform made from them.
#pragma once

#include <windows.h>

#include <vector>

// The open clipboard's formats that the copying program placed, in its order.
// The platform enumerates what it makes itself after them: CF_LOCALE when
// text came without one, then each text, metafile and bitmap format it can
// make from a placed one, in a fixed order (Wine's, and what Wine's
// conformance tests show Windows doing). The placed formats are the longest
// part before a tail that is exactly what the platform would make of them.
// A program that placed CF_LOCALE itself and then further formats in just
// that order cannot be told apart from the platform; its formats then count
// as the platform's. When no tail fits, every format counts as placed.
std::vector<UINT> PlacedFormats();

bool Contains(const std::vector<UINT>& formats, UINT nFormat);
