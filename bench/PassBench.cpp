// Measures a conversion pass against the platform work it cannot avoid, in
// one run, and prints the figures with their ratios. Not a test: nothing here
// passes or fails.
//
//   pelisan_bench [--quick]       all figures (--quick: 1 and 16 MiB only)
//   pelisan_bench --repair        the mojibake repair's figures only
//   pelisan_bench --needs-nothing  the copies that need nothing only
//   pelisan_bench --peak KIND     internal: one operation in a child process
//   pelisan_bench --desktop-floor FILE  internal: bench/desktop-latency.sh's bare pass
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "BenchText.h"
#include "core/ConversionPass.h"
#include "core/RtfCopy.h"
#include "core/RtfRender.h"
#include "repair/MojibakeRepair.h"
#include "repair/tools/RepairGarbling.h"

namespace {

constexpr UINT kCodePage = 932;
constexpr std::size_t kMiB = 1024 * 1024;

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Clipboard states --------------------------------------------------------

enum class State { TextOnly, UnicodeOnly, Both };
const char* StateName(State state)
{
    switch (state) {
    case State::TextOnly: return "CF_TEXT";
    case State::UnicodeOnly: return "CF_UNICODETEXT";
    default: return "both";
    }
}

HGLOBAL BlockOf(const void* data, std::size_t size)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(GlobalLock(block), data, size);
    GlobalUnlock(block);
    return block;
}

void Place(State state, const MixedText& text)
{
    while (!OpenClipboard(nullptr)) {
        Sleep(1);
    }
    EmptyClipboard();
    if (state != State::UnicodeOnly) {
        SetClipboardData(CF_TEXT, BlockOf(text.cp932.c_str(), text.cp932.size() + 1));
    }
    if (state != State::TextOnly) {
        // With both formats, a Unicode text of its own, so both are converted.
        const std::wstring unicode = L"*" + text.utf16;
        SetClipboardData(CF_UNICODETEXT, BlockOf(unicode.c_str(), (unicode.size() + 1) * sizeof(wchar_t)));
    }
    CloseClipboard();
}

// The floor: what any pass must do with the same data --------------------

HGLOBAL CopyOffered(UINT format)
{
    HANDLE data = GetClipboardData(format);
    if (data == nullptr) {
        return nullptr;
    }
    const SIZE_T size = GlobalSize(data);
    HGLOBAL copy = GlobalAlloc(GMEM_FIXED, size + 1);
    std::memcpy(copy, GlobalLock(data), size);
    GlobalUnlock(data);
    static_cast<char*>(copy)[size] = 0;
    return copy;
}

// A clipboard block copied from the open clipboard's format.
HGLOBAL DuplicateOffered(UINT format)
{
    HANDLE data = GetClipboardData(format);
    const SIZE_T size = GlobalSize(data);
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, size);
    std::memcpy(GlobalLock(copy), GlobalLock(data), size);
    GlobalUnlock(data);
    GlobalUnlock(copy);
    return copy;
}

// others: formats besides the texts, each read once and written back once.
void Baseline(const std::vector<UINT>& others = {})
{
    OpenClipboard(nullptr);
    HGLOBAL text = CopyOffered(CF_TEXT);
    HGLOBAL unicode = CopyOffered(CF_UNICODETEXT);
    std::vector<HGLOBAL> copies;
    for (const UINT format : others) {
        copies.push_back(DuplicateOffered(format));
    }
    CloseClipboard();

    const auto* bytes = static_cast<const char*>(text);
    const int nBytes = static_cast<int>(std::strlen(bytes));
    const int nUnits = MultiByteToWideChar(kCodePage, 0, bytes, nBytes, nullptr, 0);
    HGLOBAL decoded = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, 2 * nUnits + 2);
    auto* out = static_cast<wchar_t*>(GlobalLock(decoded));
    MultiByteToWideChar(kCodePage, 0, bytes, nBytes, out, nUnits);
    out[nUnits] = 0;
    GlobalUnlock(decoded);

    const auto* units = static_cast<const wchar_t*>(unicode);
    const int nIn = static_cast<int>(std::wcslen(units));
    const int nOut = WideCharToMultiByte(kCodePage, 0, units, nIn, nullptr, 0, nullptr, nullptr);
    HGLOBAL encoded = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, nOut + 1);
    auto* outBytes = static_cast<char*>(GlobalLock(encoded));
    WideCharToMultiByte(kCodePage, 0, units, nIn, outBytes, nOut, nullptr, nullptr);
    outBytes[nOut] = 0;
    GlobalUnlock(encoded);

    GlobalFree(text);
    GlobalFree(unicode);
    OpenClipboard(nullptr);
    EmptyClipboard();
    SetClipboardData(CF_UNICODETEXT, decoded);
    SetClipboardData(CF_TEXT, encoded);
    for (std::size_t i = 0; i < others.size(); ++i) {
        SetClipboardData(others[i], copies[i]);
    }
    CloseClipboard();
}

void Pass(bool rtf)
{
    ConversionPass(kCodePage, rtf, "IPAGothic", 12);
}

double TimeOnce(State state, const MixedText& text, const std::function<void()>& operation)
{
    Place(state, text);
    const double start = Now();
    operation();
    return Now() - start;
}

// Pass against floor --------------------------------------------------------

struct PassFigures {
    double baseline;
    double pass;
    double passRtf;
};

PassFigures MeasurePass(State state, const MixedText& text, int repetitions)
{
    std::vector<double> baseline, pass, passRtf;
    for (int i = 0; i < repetitions; ++i) {
        // Interleaved, so a slow moment of the machine touches all three alike.
        baseline.push_back(TimeOnce(state, text, [] { Baseline(); }));
        pass.push_back(TimeOnce(state, text, [] { Pass(false); }));
        passRtf.push_back(TimeOnce(state, text, [] { Pass(true); }));
    }
    return {Median(baseline), Median(pass), Median(passRtf)};
}

void PrintPassTable(const std::vector<std::size_t>& sizes, std::vector<std::vector<double>>& perMiB)
{
    std::printf("## Pass against its floor (median ms; ratio pass / baseline)\n\n");
    std::printf("| text | size | clipboard | baseline | pass | ratio | pass+RTF | ratio |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
    perMiB.assign(2, std::vector<double>(sizes.size(), 0.0));
    for (int kind = 0; kind < 2; ++kind) {
        for (std::size_t s = 0; s < sizes.size(); ++s) {
            const MixedText text = kind == 0 ? MakeMixedText(sizes[s]) : MakeLineBreaks(sizes[s]);
            // Small texts take milliseconds: more runs steady their median.
            const int repetitions = sizes[s] >= 64 * kMiB ? 3 : sizes[s] >= 16 * kMiB ? 7 : 21;
            for (State state : {State::TextOnly, State::UnicodeOnly, State::Both}) {
                const PassFigures f = MeasurePass(state, text, repetitions);
                std::printf("| %s | %zu MiB | %s | %.1f | %.1f | %.3f | %.1f | %.3f |\n",
                            kind == 0 ? "mixed" : "line breaks", sizes[s] / kMiB, StateName(state),
                            f.baseline * 1e3, f.pass * 1e3, f.pass / f.baseline, f.passRtf * 1e3,
                            f.passRtf / f.baseline);
                std::fflush(stdout);
                if (state == State::Both) {
                    perMiB[kind][s] = f.pass / static_cast<double>(sizes[s] / kMiB);
                }
            }
        }
    }
}

void PrintGrowth(const std::vector<std::size_t>& sizes, const std::vector<std::vector<double>>& perMiB)
{
    std::printf("\n## Growth (pass, both formats: time per MiB at %zu MiB / at %zu MiB)\n\n",
                sizes.back() / kMiB, sizes.front() / kMiB);
    std::printf("| text | ms per MiB small | ms per MiB large | ratio |\n|---|---|---|---|\n");
    for (int kind = 0; kind < 2; ++kind) {
        std::printf("| %s | %.2f | %.2f | %.3f |\n", kind == 0 ? "mixed" : "line breaks",
                    perMiB[kind].front() * 1e3, perMiB[kind].back() * 1e3,
                    perMiB[kind].back() / perMiB[kind].front());
    }
}

// RTF rendering against memcpy ---------------------------------------------

void PrintRtfSpeed()
{
    std::printf("\n## RTF rendering against memcpy of the same output size (MB/s of output)\n\n");
    std::printf("| text | output bytes | RenderRtf | memcpy | ratio |\n|---|---|---|---|---|\n");
    for (int kind = 0; kind < 2; ++kind) {
        const MixedText text = kind == 0 ? MakeMixedText(16 * kMiB) : MakeLineBreaks(16 * kMiB);
        const std::size_t length = RtfLength(text.cp932.c_str(), kCodePage, "IPAGothic", 24);
        std::vector<char> out(length + 1), source(length + 1, 'x');
        std::vector<double> render, copy;
        for (int i = 0; i < 5; ++i) {
            double start = Now();
            RenderRtf(out.data(), text.cp932.c_str(), kCodePage, "IPAGothic", 24);
            render.push_back(Now() - start);
            start = Now();
            std::memcpy(out.data(), source.data(), length + 1);
            copy.push_back(Now() - start);
        }
        const double mb = static_cast<double>(length) / 1e6;
        std::printf("| %s | %zu | %.0f | %.0f | %.3f |\n", kind == 0 ? "mixed" : "line breaks", length,
                    mb / Median(render), mb / Median(copy), Median(copy) / Median(render));
    }
}

// A rich copy: text, HTML and a picture --------------------------------------

// A browser's copy: the Unicode text, 16 MiB of HTML and a 4 MiB picture.
void PlaceRichCopy(const MixedText& text, const std::string& html, const std::string& dib)
{
    while (!OpenClipboard(nullptr)) {
        Sleep(1);
    }
    EmptyClipboard();
    SetClipboardData(CF_UNICODETEXT, BlockOf(text.utf16.c_str(), (text.utf16.size() + 1) * sizeof(wchar_t)));
    SetClipboardData(RegisterClipboardFormatA("HTML Format"), BlockOf(html.c_str(), html.size() + 1));
    SetClipboardData(CF_DIB, BlockOf(dib.data(), dib.size()));
    CloseClipboard();
}

void PrintRichCopy()
{
    std::printf("\n## A rich copy: 16 MiB of text with 16 MiB of HTML and a 4 MiB picture (median ms)\n\n");
    const MixedText text = MakeMixedText(16 * kMiB);
    const std::string html = MakeHtml(16 * kMiB);
    const std::string dib = MakeDib(1024, 1024);
    const UINT htmlFormat = RegisterClipboardFormatA("HTML Format");
    std::vector<double> baseline, pass, passRtf;
    auto timed = [&](const std::function<void()>& operation) {
        PlaceRichCopy(text, html, dib);
        const double start = Now();
        operation();
        return Now() - start;
    };
    for (int i = 0; i < 7; ++i) {
        baseline.push_back(timed([&] { Baseline({htmlFormat, CF_DIB}); }));
        pass.push_back(timed([] { Pass(false); }));
        passRtf.push_back(timed([] { Pass(true); }));
    }
    std::printf("| baseline | pass | ratio | pass+RTF | ratio |\n|---|---|---|---|---|\n");
    std::printf("| %.1f | %.1f | %.3f | %.1f | %.3f |\n", Median(baseline) * 1e3, Median(pass) * 1e3,
                Median(pass) / Median(baseline), Median(passRtf) * 1e3, Median(passRtf) / Median(baseline));
}

// A copy that needs nothing: text and 32 MiB of other formats ------------

// The program of such a copy: it places its Unicode text and two 16 MiB
// formats that it renders only when a reader asks for them.
class LateCopier {
public:
    LateCopier() : m_html(MakeHtml(16 * kMiB)), m_data(16 * kMiB, '\x5a')
    {
        m_hWnd = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc));
    }
    ~LateCopier() { DestroyWindow(m_hWnd); }

    void Copy(const std::wstring& text)
    {
        while (!OpenClipboard(m_hWnd)) {
            Sleep(1);
        }
        EmptyClipboard();
        SetClipboardData(CF_UNICODETEXT, BlockOf(text.c_str(), (text.size() + 1) * sizeof(wchar_t)));
        SetClipboardData(RegisterClipboardFormatA("HTML Format"), nullptr);
        SetClipboardData(RegisterClipboardFormatA("Pelisan bench data"), nullptr);
        CloseClipboard();
    }

private:
    static LRESULT CALLBACK Proc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<LateCopier*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
        if (message != WM_RENDERFORMAT) {
            return DefWindowProcW(hWnd, message, wParam, lParam);
        }
        const std::string& bytes = wParam == RegisterClipboardFormatA("HTML Format") ? self->m_html : self->m_data;
        SetClipboardData(static_cast<UINT>(wParam), BlockOf(bytes.data(), bytes.size()));
        return 0;
    }

    std::string m_html;
    std::string m_data;
    HWND m_hWnd = nullptr;
};

// The floor: reading the two texts alone.
void ReadTexts()
{
    OpenClipboard(nullptr);
    HGLOBAL text = CopyOffered(CF_TEXT);
    HGLOBAL unicode = CopyOffered(CF_UNICODETEXT);
    CloseClipboard();
    GlobalFree(text);
    GlobalFree(unicode);
}

// A row of copies that need nothing: the text, and how the automatic pass
// runs on it.
struct NeedsNothing {
    const char* name;
    std::wstring text;
    UINT codePage;
    BOOL addRtf;
};

void PrintNeedsNothing()
{
    std::printf("\n## A copy that needs nothing: 16 MiB of text beside 32 MiB rendered on request (median ms)\n\n");
    std::string ascii;
    for (int line = 0; ascii.size() < 16 * kMiB; ++line) {
        ascii += "Row " + std::to_string(line) + "\t12.5\t-3\t=A1+B1\tplain ASCII cells\r\n";
    }
    const NeedsNothing rows[] = {
        // Through the code page of the copy's own locale, without an RTF copy.
        {"Japanese, its locale's code page, no RTF", MakeMixedText(16 * kMiB).utf16, GetACP(), FALSE},
        // The window's defaults.
        {"ASCII, code page 932, RTF on", std::wstring(ascii.begin(), ascii.end()), 932, TRUE},
    };
    std::printf("| text | reading the texts | automatic pass | ratio | left as it is | pass on request | ratio |\n");
    std::printf("|---|---|---|---|---|---|---|\n");
    LateCopier copier;
    for (const NeedsNothing& row : rows) {
        std::vector<double> floor, pass, onRequest;
        bool leftAlone = true;
        auto timed = [&](const std::function<void()>& operation) {
            copier.Copy(row.text);
            const double start = Now();
            operation();
            return Now() - start;
        };
        for (int i = 0; i < 7; ++i) {
            floor.push_back(timed(ReadTexts));
            pass.push_back(timed([&] {
                leftAlone = ConversionPass(row.codePage, row.addRtf, nullptr, 0, PassMode::Automatic) ==
                                PassResult::LeftAsItIs &&
                            leftAlone;
            }));
            // A pass on request reads and writes it all, as every automatic pass did.
            onRequest.push_back(timed([&] { ConversionPass(row.codePage, row.addRtf, nullptr, 0); }));
        }
        std::printf("| %s | %.1f | %.1f | %.3f | %s | %.1f | %.3f |\n", row.name, Median(floor) * 1e3,
                    Median(pass) * 1e3, Median(pass) / Median(floor), leftAlone ? "yes" : "no",
                    Median(onRequest) * 1e3, Median(onRequest) / Median(floor));
        std::fflush(stdout);
    }
}

// The RTF copy of Unicode text, half of whose characters the code page cannot
// express, against memcpy of the same output size, as for the 8-bit text:
// rendering alone, with the characters already asked of the platform. The
// whole making of the copy (counting, the platform's answers, a fresh block)
// is shown beside it.
void PrintUnicodeRtfSpeed()
{
    std::printf("\n## RTF rendering of Unicode text, half of it outside code page 1252, against memcpy"
                " (MB/s of output)\n\n");
    std::printf("| text | output bytes | RenderRtf | memcpy | ratio | whole RTF copy | ratio |\n");
    std::printf("|---|---|---|---|---|---|---|\n");
    const std::wstring text = MakeHalfOutside(16 * kMiB);
    const std::u16string_view units(reinterpret_cast<const char16_t*>(text.data()), text.size());
    UINT codePage = 1252;
    std::vector<char> table(RtfCharacters::kTableBytes);
    RtfCharacters characters(&EncodeExactly, &codePage, table.data());
    const RtfText body = RtfText::Unicode(units, characters);
    const RtfText face = RtfText::Bytes("IPAGothic");
    const std::size_t length = RtfLength(body, codePage, face, 24);
    std::vector<char> out(length + 1), filler(length + 1, 'x');
    std::vector<double> render, copy, whole;
    for (int i = 0; i < 5; ++i) {
        double start = Now();
        RenderRtf(out.data(), body, codePage, face, 24);
        render.push_back(Now() - start);
        start = Now();
        std::memcpy(out.data(), filler.data(), length + 1);
        copy.push_back(Now() - start);
        start = Now();
        GlobalFree(MakeRtfCopy(nullptr, std::wstring_view(text), codePage, "IPAGothic", 12));
        whole.push_back(Now() - start);
    }
    const double mb = static_cast<double>(length) / 1e6;
    std::printf("| half outside | %zu | %.0f | %.0f | %.3f | %.0f | %.3f |\n", length, mb / Median(render),
                mb / Median(copy), Median(copy) / Median(render), mb / Median(whole), Median(copy) / Median(whole));
}

// Peak memory, each operation in a fresh process ----------------------------

int RunPeakChild(const char* kind)
{
    PROCESS_MEMORY_COUNTERS before{};
    GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);
    if (std::strcmp(kind, "baseline") == 0) {
        Baseline();
    } else {
        Pass(std::strcmp(kind, "pass-rtf") == 0);
    }
    PROCESS_MEMORY_COUNTERS after{};
    GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after);
    // KiB above the working set the process started the operation with.
    return static_cast<int>((after.PeakWorkingSetSize - before.WorkingSetSize) / 1024);
}

DWORD RunSelf(const std::wstring& arguments, DWORD timeoutMs)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return 0;
    }
    WaitForSingleObject(process.hProcess, timeoutMs);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

void PrintPeakMemory(std::size_t size)
{
    std::printf("\n## Peak memory at %zu MiB (working set growth during the operation, MiB)\n\n", size / kMiB);
    std::printf("| text | clipboard | baseline | pass | ratio | pass+RTF | ratio |\n|---|---|---|---|---|---|---|\n");
    for (int kind = 0; kind < 2; ++kind) {
        const MixedText text = kind == 0 ? MakeMixedText(size) : MakeLineBreaks(size);
        for (State state : {State::TextOnly, State::UnicodeOnly, State::Both}) {
            double peak[3];
            const wchar_t* kinds[3] = {L"baseline", L"pass", L"pass-rtf"};
            for (int k = 0; k < 3; ++k) {
                Place(state, text);
                peak[k] = RunSelf(std::wstring(L"--peak ") + kinds[k], 600000) / 1024.0;
            }
            std::printf("| %s | %s | %.1f | %.1f | %.3f | %.1f | %.3f |\n", kind == 0 ? "mixed" : "line breaks",
                        StateName(state), peak[0], peak[1], peak[1] / peak[0], peak[2], peak[2] / peak[0]);
            std::fflush(stdout);
        }
    }
}

// The window: start-up and copy-to-converted latency -----------------------

BOOL CALLBACK KeepPelisanWindow(HWND window, LPARAM param)
{
    if (GetPropA(window, "PelisanProp") != nullptr && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(param) = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindPelisanWindow()
{
    HWND found = nullptr;
    EnumWindows(KeepPelisanWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

void PrintInteractive()
{
    std::printf("\n## The window\n\n");
    const MixedText text = MakeMixedText(kMiB);
    std::vector<double> bare;
    for (int i = 0; i < 5; ++i) {
        bare.push_back(TimeOnce(State::UnicodeOnly, text, [] { Pass(true); }));
    }

    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring exe(self, length);
    exe = exe.substr(0, exe.find_last_of(L"\\/") + 1) + L"pelisan.exe";
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    // A folder of its own, so the window starts with the default settings (RTF copy on).
    const std::wstring workDir = std::wstring(temp) + L"pelisan-bench-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(workDir.c_str(), nullptr);
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const double start = Now();
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, workDir.c_str(), &startup,
                        &process)) {
        std::printf("pelisan.exe could not be started\n");
        return;
    }
    HWND window = nullptr;
    while ((window = FindPelisanWindow()) == nullptr && Now() - start < 30) {
        Sleep(1);
    }
    const double ready = Now() - start;
    std::printf("| figure | ms | bare pass ms | ratio |\n|---|---|---|---|\n");
    std::printf("| start to ready window | %.1f | %.1f | %.3f |\n", ready * 1e3, Median(bare) * 1e3,
                ready / Median(bare));

    // The pass writes the RTF copy last; the clipboard opening again for a
    // window of ours means the pass has closed it: the whole result is there.
    const UINT rtf = RegisterClipboardFormatA("Rich Text Format");
    const HWND probe = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    std::vector<double> latency;
    for (int i = 0; i < 5 && window != nullptr; ++i) {
        Place(State::UnicodeOnly, text);
        const double copied = Now();
        while (Now() - copied < 10) {
            if (IsClipboardFormatAvailable(rtf) && OpenClipboard(probe)) {
                CloseClipboard();
                break;
            }
            Sleep(0);
        }
        latency.push_back(Now() - copied);
        Sleep(200);
    }
    if (!latency.empty()) {
        std::printf("| copy (1 MiB, Unicode) to converted | %.1f | %.1f | %.3f |\n", Median(latency) * 1e3,
                    Median(bare) * 1e3, Median(latency) / Median(bare));
    }
    if (window != nullptr) {
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    WaitForSingleObject(process.hProcess, 10000);
    DestroyWindow(probe);
    DeleteFileW((workDir + L"\\Pelisan.ini").c_str());
    RemoveDirectoryW(workDir.c_str());
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

// A desktop copy's bare pass ---------------------------------------------------

// A bare pass (with the RTF copy) of what bench/desktop-latency.sh copies on
// the desktop: the UTF-8 text of the file, its lines ended as Wine's bridge
// ends them, and ten other formats of 100 KiB, placed by a Windows program.
int PrintDesktopFloor(const char* path)
{
    std::string utf8;
    if (FILE* file = std::fopen(path, "rb")) {
        char buffer[65536];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) != 0;) {
            utf8.append(buffer, n);
        }
        std::fclose(file);
    }
    std::wstring text(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(),
                                                                    static_cast<int>(utf8.size()), nullptr, 0)),
                      L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(),
                        static_cast<int>(text.size()));
    std::wstring crlf;
    for (const wchar_t unit : text) {
        crlf += unit == L'\n' ? L"\r\n" : std::wstring(1, unit);
    }
    const std::string other(100 * 1024, 'x');
    std::vector<double> bare;
    for (int i = 0; i < 7; ++i) {
        while (!OpenClipboard(nullptr)) {
            Sleep(1);
        }
        EmptyClipboard();
        SetClipboardData(CF_UNICODETEXT, BlockOf(crlf.c_str(), (crlf.size() + 1) * sizeof(wchar_t)));
        for (int f = 0; f < 10; ++f) {
            const std::string name = "application/x-pelisan-bench-" + std::to_string(f);
            SetClipboardData(RegisterClipboardFormatA(name.c_str()), BlockOf(other.data(), other.size()));
        }
        CloseClipboard();
        const double start = Now();
        Pass(true);
        bare.push_back(Now() - start);
    }
    std::printf("%.1f\n", Median(bare) * 1e3);
    return utf8.empty() ? 1 : 0;
}

// Mojibake repair -------------------------------------------------------------

// Each held-out row as it is and garbled every way, decided one by one (up
// to 200 characters).
void PrintRepairPerString()
{
    std::vector<std::wstring> texts;
    for (const RepairRow& row : HeldOutRepairRows()) {
        texts.push_back(FromUtf8(row.text));
        for (Garbling& garbling : GarblingsOf(row.language, texts.back(), true)) {
            if (garbling.text.size() <= 200) {
                texts.push_back(std::move(garbling.text));
            }
        }
    }
    RepairMojibake(L"\u00e9"); // the tables are built once per process, before anything is timed
    std::vector<double> times;
    for (int round = 0; round < 3; ++round) {
        for (const std::wstring& text : texts) {
            const double start = Now();
            RepairMojibake(text);
            times.push_back(Now() - start);
        }
    }
    std::sort(times.begin(), times.end());
    std::printf("\n## Mojibake repair of one string (%zu decisions: clean and garbled held-out rows, 4-200 "
                "characters)\n\n| median ms | 99th percentile ms | slowest ms |\n|---|---|---|\n"
                "| %.4f | %.4f | %.4f |\n",
                times.size(), Median(times) * 1e3, times[times.size() * 99 / 100] * 1e3, times.back() * 1e3);
}

// A long text decided against one Convert pass of the same Unicode text.
void PrintRepairLongText()
{
    std::printf("\n## Mojibake repair of 16 MiB against a Convert pass of the same text (median ms)\n\n");
    std::printf("| text | pass | repair | ratio | repaired |\n|---|---|---|---|---|\n");
    const MixedText mixed = MakeMixedText(16 * kMiB);
    std::wstring garbled;
    MisreadText(mixed.utf16, {CP_UTF8, 1252}, garbled);
    // A right quote a quarter in, off the three windows: the text no longer
    // reads whole, and is read run by run.
    std::wstring beside = garbled;
    beside.insert(beside.find(L' ', beside.size() / 4), L" \u2019");
    const std::pair<const char*, const std::wstring*> texts[] = {{"clean Japanese", &mixed.utf16},
                                                                 {"UTF-8 read as 1252", &garbled},
                                                                 {"the same beside a right quote", &beside}};
    for (const auto& [name, text] : texts) {
        const MixedText placed{"", *text};
        std::vector<double> pass, repair;
        bool repaired = false;
        for (int i = 0; i < 5; ++i) {
            pass.push_back(TimeOnce(State::UnicodeOnly, placed, [] { Pass(false); }));
            const double start = Now();
            repaired = RepairMojibake(*text).bRepaired;
            repair.push_back(Now() - start);
        }
        std::printf("| %s | %.1f | %.1f | %.3f | %s |\n", name, Median(pass) * 1e3, Median(repair) * 1e3,
                    Median(repair) / Median(pass), repaired ? "yes" : "no");
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--peak") == 0) {
        return RunPeakChild(argv[2]);
    }
    if (argc == 3 && std::strcmp(argv[1], "--desktop-floor") == 0) {
        return PrintDesktopFloor(argv[2]);
    }
    const bool quick = argc == 2 && std::strcmp(argv[1], "--quick") == 0;
    if (argc == 2 && std::strcmp(argv[1], "--repair") == 0) {
        PrintRepairPerString();
        PrintRepairLongText();
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--needs-nothing") == 0) {
        PrintNeedsNothing();
        return 0;
    }
    std::vector<std::size_t> sizes = {kMiB, 16 * kMiB};
    if (!quick) {
        sizes.push_back(128 * kMiB);
    }
    std::vector<std::vector<double>> perMiB;
    PrintPassTable(sizes, perMiB);
    PrintGrowth(sizes, perMiB);
    PrintRtfSpeed();
    PrintUnicodeRtfSpeed();
    PrintRichCopy();
    PrintNeedsNothing();
    PrintPeakMemory(sizes.back());
    PrintInteractive();
    PrintRepairPerString();
    PrintRepairLongText();
    return 0;
}
