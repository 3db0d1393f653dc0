// The GDI character set of a code page, from the program's own table (the
// correspondence Windows uses), so the answer is the same on every platform.
#pragma once

// True when the code page has a character set; it is then stored in *pnCharSet.
bool CharSetOfCodePage(unsigned nCodePage, unsigned* pnCharSet);
