#pragma once

// Maps the dialogs' Japanese fonts to the IPA fonts in the Wine prefix, each
// only where the prefix has no mapping of that name yet.
void AddMissingFontReplacements();
