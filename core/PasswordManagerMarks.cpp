#include "core/PasswordManagerMarks.h"

#include <string_view>

#include "core/Platform.h"

namespace {

// Present at all, whatever they hold.
constexpr const char* kMarks[] = {"ExcludeClipboardContentFromMonitorProcessing", "Clipboard Viewer Ignore"};
constexpr char kHint[] = "x-kde-passwordManagerHint";
constexpr std::string_view kSecret = "secret";

bool Offers(UINT format)
{
    return format != 0 && ::IsClipboardFormatAvailable(format);
}

// The hint's bytes are the word alone; a block may be padded with zeros.
bool HoldsSecret(HANDLE block)
{
    const auto* bytes = static_cast<const char*>(g_platform.GlobalLock(block));
    if (bytes == nullptr) {
        return false;
    }
    std::string_view value(bytes, g_platform.GlobalSize(block));
    value = value.substr(0, value.find_last_not_of('\0') + 1);
    const bool secret = value == kSecret;
    g_platform.GlobalUnlock(block);
    return secret;
}

} // namespace

bool IsPasswordManagerMark(UINT nFormat)
{
    for (const char* mark : kMarks) {
        if (nFormat == g_platform.RegisterClipboardFormatA(mark)) {
            return true;
        }
    }
    return nFormat == g_platform.RegisterClipboardFormatA(kHint);
}

bool IsPasswordManagerCopy()
{
    for (const char* mark : kMarks) {
        if (Offers(g_platform.RegisterClipboardFormatA(mark))) {
            return true;
        }
    }
    const UINT hint = g_platform.RegisterClipboardFormatA(kHint);
    if (!Offers(hint)) {
        return false;
    }
    const HANDLE block = g_platform.GetClipboardData(hint);
    return block != nullptr && HoldsSecret(block);
}
