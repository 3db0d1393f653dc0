// What the window tells the user after a repair of the clipboard: which
// misreading it undid, with the code pages named as the list names them, or
// why it repaired nothing.
#pragma once

#include <string>

#include "core/RepairPass.h"

class CComboBox;

std::wstring RepairNotice(const ClipboardRepair& repair, const CComboBox& list);
