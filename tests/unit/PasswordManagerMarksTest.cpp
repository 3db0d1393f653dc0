// The marks by which password managers ask clipboard tools to leave a copy
// alone, read from the real clipboard.
#include <gtest/gtest.h>

#include <windows.h>

#include "ClipboardProbe.h"
#include "core/PasswordManagerMarks.h"

namespace {

UINT Registered(const char* name)
{
    return RegisterClipboardFormatA(name);
}

} // namespace

TEST(PasswordManagerMarksTest, AnyMarkOrASecretHintButNothingElse)
{
    const PlacedFormat text{CF_UNICODETEXT, WithZero(L"hunter2")};
    const UINT hint = Registered("x-kde-passwordManagerHint");
    const struct {
        const char* name;
        std::vector<PlacedFormat> formats;
        bool marked;
    } cases[] = {
        {"plain text", {text}, false},
        {"excluded from monitors", {text, {Registered("ExcludeClipboardContentFromMonitorProcessing"), "x"}}, true},
        {"ignored by viewers", {{Registered("Clipboard Viewer Ignore"), "x"}, text}, true},
        {"KDE hint, secret", {text, {hint, "secret"}}, true},
        {"KDE hint, secret padded with zeros", {text, {hint, std::string("secret\0\0", 8)}}, true},
        {"KDE hint, another value", {text, {hint, "public"}}, false},
        {"KDE hint, longer word", {text, {hint, "secrets"}}, false},
        {"history opt-out alone", {text, {Registered("CanIncludeInClipboardHistory"), std::string(4, '\0')}}, false},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(PlaceOnClipboard(c.formats)) << c.name;
        ASSERT_TRUE(OpenRealClipboard()) << c.name;
        EXPECT_EQ(IsPasswordManagerCopy(), c.marked) << c.name;
        CloseClipboard();
    }
}
