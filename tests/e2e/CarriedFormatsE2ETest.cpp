// A command-line pass run as its own process on copies other than plain text:
// a copy without text stays as it is, and a copying program that renders its
// formats only when asked is asked once for each.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "ProcessRunner.h"
#include "unit/ClipboardProbe.h"

namespace {

TEST(CommandLineCarry, ACopyWithoutTextIsLeftAsItIs)
{
    const std::wstring workDir = MakeTempDir();
    const UINT html = RegisterClipboardFormatA("HTML Format");
    const std::vector<PlacedFormat> copies[] = {
        {{CF_BITMAP, "", TestBitmap(6, 4)}},
        {{html, WithZero("<p>only HTML</p>")}},
    };
    for (const auto& placed : copies) {
        ASSERT_TRUE(PlaceOnClipboard(placed));
        const std::vector<UINT> formats = ClipboardFormats();
        const std::optional<std::string> drawing = ClipboardDrawing(placed.front().format);
        const DWORD sequence = GetClipboardSequenceNumber();
        EXPECT_EQ(RunPelisan(L"932 /r Arial 12", workDir), 0);
        EXPECT_EQ(GetClipboardSequenceNumber(), sequence);
        EXPECT_EQ(ClipboardFormats(), formats);
        EXPECT_EQ(ClipboardDrawing(placed.front().format), drawing);
    }
}

// A copying program that places its formats without data and renders each
// when a reader first asks for it.
class LateRenderer {
public:
    explicit LateRenderer(std::map<UINT, std::string> formats) : m_formats(std::move(formats))
    {
        m_hWnd = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc));
    }
    ~LateRenderer() { DestroyWindow(m_hWnd); }
    LateRenderer(const LateRenderer&) = delete;
    LateRenderer& operator=(const LateRenderer&) = delete;

    bool Copy()
    {
        if (!OpenRealClipboard(m_hWnd)) {
            return false;
        }
        const bool emptied = EmptyClipboard() != 0;
        for (const auto& entry : m_formats) {
            SetClipboardData(entry.first, nullptr); // rendered on request
        }
        CloseClipboard();
        return emptied;
    }

    // Runs the process to its end, answering the requests it makes meanwhile.
    int Serve(HANDLE process)
    {
        const DWORD start = GetTickCount();
        while (MsgWaitForMultipleObjects(1, &process, FALSE, 1000, QS_ALLINPUT) != WAIT_OBJECT_0) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                DispatchMessageW(&msg);
            }
            if (GetTickCount() - start > 30000) {
                return WaitForExit(process, 0);
            }
        }
        return WaitForExit(process, 1000);
    }

    std::map<UINT, int> requests;

private:
    static LRESULT CALLBACK Proc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<LateRenderer*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
        if (message == WM_RENDERFORMAT) {
            const auto format = static_cast<UINT>(wParam);
            ++self->requests[format];
            const auto found = self->m_formats.find(format);
            if (found != self->m_formats.end()) {
                SetClipboardData(format, NewBlock(found->second));
            }
            return 0;
        }
        return DefWindowProcW(hWnd, message, wParam, lParam);
    }

    std::map<UINT, std::string> m_formats;
    HWND m_hWnd = nullptr;
};

TEST(CommandLineCarry, AFormatRenderedLateIsAskedForOnceAndArrivesWhole)
{
    const std::wstring text = L"caf\u00e9 \u65e5\u672c";
    const UINT html = RegisterClipboardFormatA("HTML Format");
    const UINT own = RegisterClipboardFormatA("Pelisan test data");
    const std::map<UINT, std::string> formats{
        {CF_UNICODETEXT, WithZero(text)},
        {html, WithZero("<b>caf\xc3\xa9</b>")},
        {own, std::string(100000, '\x7f')},
    };
    LateRenderer renderer(formats);
    ASSERT_TRUE(renderer.Copy());
    for (const auto& entry : formats) {
        ASSERT_TRUE(IsClipboardFormatAvailable(entry.first));
    }
    const HANDLE process = StartPelisan(L"1252", MakeTempDir());
    ASSERT_NE(process, nullptr);
    EXPECT_EQ(renderer.Serve(process), 0);
    CloseHandle(process);
    for (const auto& [format, bytes] : formats) {
        EXPECT_EQ(renderer.requests[format], 1) << "format " << format;
        EXPECT_EQ(ClipboardBytes(format), bytes) << "format " << format;
    }
    EXPECT_EQ(ClipboardBytes(CF_TEXT), EncodedText(1252, text));
    EXPECT_TRUE(IsClipboardFormatAvailable(MarkerFormatId()));
}

} // namespace
