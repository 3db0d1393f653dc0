#pragma once

// Maps the dialogs' Japanese fonts, and the one Wine's own menu font falls
// back on, to the IPA fonts in the Wine prefix, each only where the prefix
// has no mapping of that name yet.
void AddMissingFontReplacements();
