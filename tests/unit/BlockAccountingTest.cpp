// Thousands of passes over random clipboard contents, each with at most one
// platform call failing: every block a pass allocates is taken over by the
// clipboard or freed, exactly once, and nothing is left open or locked.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <sstream>

#include "ClipboardProbe.h"
#include "core/ConversionPass.h"

namespace {

constexpr unsigned kSeed = 20260707;
constexpr int kCases = 2000;
// Set to one case's index to run that case alone.
constexpr char kReplayVariable[] = "PELISAN_BLOCK_CASE";

using Rng = std::mt19937;

int Pick(Rng& rng, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(rng);
}

bool Chance(Rng& rng, int percent)
{
    return Pick(rng, 1, 100) <= percent;
}

template <typename T, std::size_t N>
T PickOf(Rng& rng, const T (&choices)[N])
{
    return choices[Pick(rng, 0, static_cast<int>(N) - 1)];
}

// Mostly short texts, some past the renderer's 16-byte blocks, a few long.
std::size_t RandomLength(Rng& rng)
{
    const int kind = Pick(rng, 1, 100);
    if (kind <= 10) {
        return 0;
    }
    if (kind <= 50) {
        return static_cast<std::size_t>(Pick(rng, 1, 16));
    }
    return static_cast<std::size_t>(kind <= 97 ? Pick(rng, 17, 400) : Pick(rng, 4000, 20000));
}

std::string RandomEightBit(Rng& rng)
{
    std::string bytes;
    for (std::size_t n = RandomLength(rng); n > 0; --n) {
        const int kind = Pick(rng, 1, 100);
        bytes += static_cast<char>(kind <= 5    ? 0
                                   : kind <= 15 ? PickOf(rng, {'\r', '\n', '\t'})
                                   : kind <= 45 ? Pick(rng, 0x80, 0xFF)
                                                : Pick(rng, 0x20, 0x7E));
    }
    return Chance(rng, 70) ? WithZero(bytes) : bytes;
}

// Includes lone and paired surrogates, and blocks of odd size.
std::string RandomUnicode(Rng& rng)
{
    std::wstring units;
    for (std::size_t n = RandomLength(rng); n > 0; --n) {
        const int kind = Pick(rng, 1, 100);
        if (kind <= 10) {
            units += L"\xD83D\xDE00";
            continue;
        }
        units += static_cast<wchar_t>(kind <= 15   ? 0
                                      : kind <= 20 ? Pick(rng, 0xD800, 0xDFFF)
                                      : kind <= 35 ? Pick(rng, 0x4E00, 0x9FFF)
                                      : kind <= 45 ? Pick(rng, 0xAC00, 0xD7A3)
                                      : kind <= 50 ? PickOf(rng, {L'\r', L'\n'})
                                                   : Pick(rng, 0x20, 0x7E));
    }
    std::string bytes = Chance(rng, 70) ? WithZero(units) : Utf16Bytes(units);
    if (Chance(rng, 15)) {
        if (!bytes.empty() && Chance(rng, 50)) {
            bytes.pop_back();
        } else {
            bytes += static_cast<char>(Pick(rng, 0, 0xFF));
        }
    }
    return bytes;
}

// What the platform would have made of the other text format.
std::string ConversionOf(const PlacedFormat& placed)
{
    if (placed.format == CF_TEXT) {
        return DecodedText(GetACP(), std::string_view(placed.bytes.c_str()));
    }
    const std::wstring units(reinterpret_cast<const wchar_t*>(placed.bytes.data()), placed.bytes.size() / 2);
    return EncodedText(GetACP(), std::wstring_view(units.c_str()));
}

// A text block as Wine keeps it: whole units ended by a zero unit. Wine
// refuses an empty block, and terminates the others in place.
PlacedFormat AsWineKeepsIt(const PlacedFormat& placed)
{
    const std::size_t unit = placed.format == CF_UNICODETEXT ? 2 : 1;
    const std::string zero(unit, '\0');
    std::string bytes = placed.bytes.substr(0, placed.bytes.size() / unit * unit);
    if (!bytes.ends_with(zero)) {
        bytes += zero;
    }
    return {placed.format, bytes};
}

// A copying program's other formats: at most one picture of each kind the
// platform converts between, so that each is the one placed.
std::vector<PlacedFormat> RandomOtherFormats(Rng& rng)
{
    std::vector<PlacedFormat> others;
    if (Chance(rng, 15)) {
        others.push_back({RegisterClipboardFormatA("HTML Format"), WithZero(RandomEightBit(rng) + "<p>")});
    }
    if (Chance(rng, 15)) {
        const bool passes = Chance(rng, 50);
        others.push_back({RtfFormatId(), WithZero(passes ? "{\\rtf1\\ansi{\\fonttbl{\\f1\\cpg932;}}\r\n\\f1 }\r\n"
                                                         : "{\\rtf1\\ansi\\deff0 \\b program}")});
    }
    if (Chance(rng, 10)) {
        others.push_back({MarkerFormatId(), WithZero("PELIS")});
    }
    if (Chance(rng, 10)) {
        if (Chance(rng, 50)) {
            others.push_back({CF_BITMAP, "", TestBitmap(Pick(rng, 1, 40), Pick(rng, 1, 40))});
            if (Chance(rng, 50)) {
                others.push_back({CF_PALETTE, "", TestPalette()});
            }
        } else {
            const BITMAPINFOHEADER header{sizeof header, 2, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
            others.push_back({CF_DIB, std::string(reinterpret_cast<const char*>(&header), sizeof header) +
                                          std::string(16, '\x5a')});
        }
    }
    if (Chance(rng, 10)) {
        others.push_back(Chance(rng, 50) ? PlacedFormat{CF_ENHMETAFILE, "", TestEnhMetaFile()}
                                         : PlacedFormat{CF_METAFILEPICT, "", TestMetaFilePict()});
    }
    std::shuffle(others.begin(), others.end(), rng);
    return others;
}

enum class Fault { kNone, kOpen, kEmpty, kRegister, kAlloc, kLock, kSet, kGet, kConversion, kCopy };
constexpr const char* kFaultNames[] = {"none", "open",  "empty",      "register", "alloc",
                                       "lock", "set",   "get", "conversion", "copy"};

struct PassCase {
    std::vector<PlacedFormat> placed;
    std::set<UINT> raw; // handed to the pass as generated, past Wine's terminating
    UINT codePage = 0;
    BOOL addRtf = FALSE;
    std::optional<std::string> face;
    int points = 0;
    Fault fault = Fault::kNone;
    int failingCall = 0; // which call of that operation fails, from 1
};

PassCase RandomCase(int index)
{
    std::seed_seq seed{kSeed, static_cast<unsigned>(index)};
    Rng rng(seed);
    PassCase c;
    const int texts = Pick(rng, 0, 4); // none, 8-bit, Unicode, both in either order
    if (texts == 1 || texts >= 3) {
        c.placed.push_back({CF_TEXT, RandomEightBit(rng)});
    }
    if (texts >= 2) {
        c.placed.push_back({CF_UNICODETEXT, RandomUnicode(rng)});
    }
    if (texts == 4) {
        std::swap(c.placed[0], c.placed[1]);
    }
    if (texts >= 3 && Chance(rng, 30)) {
        c.placed[1].bytes = ConversionOf(c.placed[0]);
    }
    for (const PlacedFormat& p : c.placed) {
        if (AsWineKeepsIt(p).bytes != p.bytes || Chance(rng, 10)) {
            c.raw.insert(p.format);
        }
    }
    if (Chance(rng, 25)) {
        const LCID locales[] = {0x0411, 0x0412, 0x0409, 0x0404, 0xFFFFFFFF};
        const LCID locale = PickOf(rng, locales);
        const std::string block(reinterpret_cast<const char*>(&locale), sizeof locale);
        c.placed.push_back({CF_LOCALE, Chance(rng, 80) ? block : block.substr(0, 2)});
    }
    if (Chance(rng, 20)) {
        // Not empty: Wine refuses an empty block.
        const PlacedFormat other{RegisterClipboardFormatA("Pelisan test data"), WithZero(RandomEightBit(rng))};
        c.placed.insert(c.placed.begin() + Pick(rng, 0, static_cast<int>(c.placed.size())), other);
    }
    for (const PlacedFormat& other : RandomOtherFormats(rng)) {
        c.placed.insert(c.placed.begin() + Pick(rng, 0, static_cast<int>(c.placed.size())), other);
    }
    const UINT codePages[] = {932, 936, 949, 1252, 65001, GetACP(), 42, 65000, 50220, 1200, 12345, 0};
    c.codePage = PickOf(rng, codePages);
    c.addRtf = Chance(rng, 60);
    switch (Pick(rng, 0, 4)) {
    case 0: break;
    case 1: c.face = ""; break;
    case 2: c.face = "Arial"; break;
    case 3: c.face = "\x82l\x82r \x83S\x83V\x83""b\x83N"; break;
    default: c.face = RandomEightBit(rng).c_str(); break;
    }
    const int points[] = {0, 12, -3, INT_MAX, INT_MIN, Pick(rng, 1, 200)};
    c.points = PickOf(rng, points);
    if (Chance(rng, 60)) {
        c.fault = static_cast<Fault>(Pick(rng, 1, static_cast<int>(Fault::kCopy)));
        c.failingCall = Pick(rng, 1, 4);
    }
    return c;
}

std::string Hex(std::string_view bytes)
{
    std::string out;
    char digits[4];
    for (std::size_t i = 0; i < bytes.size() && i < 48; ++i) {
        std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(bytes[i]));
        out += digits;
    }
    return bytes.size() > 48 ? out + "..." : out;
}

std::string Describe(int index, const PassCase& c)
{
    std::ostringstream out;
    out << "case " << index << " of seed " << kSeed << " (replay: " << kReplayVariable << "=" << index
        << "), ANSI code page " << GetACP() << "\n";
    for (const PlacedFormat& p : c.placed) {
        out << "  format " << p.format << (c.raw.count(p.format) ? " (as generated)" : "") << ", " << p.bytes.size()
            << " bytes: " << Hex(p.bytes) << "\n";
    }
    out << "  code page " << c.codePage << ", RTF " << c.addRtf << ", face "
        << (c.face ? "\"" + Hex(*c.face) + "\"" : "null") << ", points " << c.points << ", failing "
        << kFaultNames[static_cast<int>(c.fault)] << " call " << c.failingCall;
    return out.str();
}

// Sits above the probe: fails a chosen lock, and tells a free of a block the
// pass does not own apart before the probe forgets whose it was.
class LockAndFreeLedger {
public:
    explicit LockAndFreeLedger(PlatformProbe& probe) : m_probe(probe), m_below(g_platform)
    {
        s_ledger = this;
        g_platform.GlobalLock = &Lock;
        g_platform.GlobalUnlock = &Unlock;
        g_platform.GlobalFree = &Free;
    }
    ~LockAndFreeLedger()
    {
        g_platform = m_below;
        s_ledger = nullptr;
    }
    LockAndFreeLedger(const LockAndFreeLedger&) = delete;
    LockAndFreeLedger& operator=(const LockAndFreeLedger&) = delete;

    std::function<bool()> failLock;
    int locksHeld = 0;
    int strayFrees = 0; // taken over, freed already, or the clipboard's own
    int frees = 0;

private:
    static LPVOID WINAPI Lock(HGLOBAL block)
    {
        if (s_ledger->failLock && s_ledger->failLock()) {
            return nullptr;
        }
        LPVOID bytes = s_ledger->m_below.GlobalLock(block);
        s_ledger->locksHeld += bytes != nullptr ? 1 : 0;
        return bytes;
    }
    static BOOL WINAPI Unlock(HGLOBAL block)
    {
        --s_ledger->locksHeld;
        return s_ledger->m_below.GlobalUnlock(block);
    }
    static HGLOBAL WINAPI Free(HGLOBAL block)
    {
        ++s_ledger->frees;
        s_ledger->strayFrees += s_ledger->m_probe.ownedBlocks.count(block) == 0 ? 1 : 0;
        return s_ledger->m_below.GlobalFree(block);
    }

    static inline LockAndFreeLedger* s_ledger = nullptr;
    PlatformProbe& m_probe;
    PlatformApi m_below;
};

class BlockAccounting : public ::testing::Test {
protected:
    void TearDown() override
    {
        std::printf("%d passes: %zu blocks allocated, %zu taken over by the clipboard, %d freed\n", m_passes,
                    m_allocated, m_taken, ledger.frees);
    }

    void Arm(const PassCase& c)
    {
        auto once = [n = c.failingCall]() mutable { return --n == 0; };
        switch (c.fault) {
        case Fault::kNone: break;
        case Fault::kOpen: probe.failOpen = once; break;
        case Fault::kEmpty: probe.failEmpty = true; break;
        case Fault::kRegister: probe.failRegister = [once](std::string_view) mutable { return once(); }; break;
        case Fault::kAlloc: probe.failAlloc = [once](UINT, SIZE_T) mutable { return once(); }; break;
        case Fault::kLock: ledger.failLock = once; break;
        case Fault::kSet: probe.refuseSet = [once](UINT) mutable { return once(); }; break;
        case Fault::kGet: probe.hideFormat = [once](UINT) mutable { return once(); }; break;
        case Fault::kConversion:
            probe.failConversion = [once](const PlatformProbe::Conversion&) mutable { return once(); };
            break;
        case Fault::kCopy: probe.failCopy = once; break;
        }
    }

    void RunCase(const PassCase& c)
    {
        std::vector<PlacedFormat> kept;
        for (const PlacedFormat& p : c.placed) {
            kept.push_back(c.raw.count(p.format) ? AsWineKeepsIt(p) : p);
        }
        ASSERT_TRUE(PlaceOnClipboard(kept));
        probe.Reset();
        ledger.failLock = nullptr;
        std::vector<HGLOBAL> raw;
        for (const PlacedFormat& p : c.placed) {
            if (c.raw.count(p.format)) {
                raw.push_back(probe.injectedData[p.format] = NewBlock(p.bytes));
            }
        }
        Arm(c);
        ConversionPass(c.codePage, c.addRtf, c.face ? c.face->c_str() : nullptr, c.points);
        // The test's own blocks go before any check can end the case.
        for (HGLOBAL block : raw) {
            GlobalFree(block);
        }
        ++m_passes;
        m_allocated += probe.allocations.size();
        m_taken += probe.setFormats.size();

        EXPECT_EQ(probe.opens, probe.closes) << "every opening closed";
        EXPECT_TRUE(probe.ownedBlocks.empty()) << probe.ownedBlocks.size() << " blocks neither freed nor taken over";
        EXPECT_TRUE(probe.ownedHandles.empty())
            << probe.ownedHandles.size() << " pictures or palettes neither deleted nor taken over";
        EXPECT_EQ(probe.deletesOfTakenHandles, 0) << "deleted a picture the clipboard owns";
        EXPECT_EQ(ledger.strayFrees, 0) << "freed a block that was not the pass's to free";
        EXPECT_EQ(ledger.locksHeld, 0) << "left a block locked";
        if (c.fault == Fault::kNone) {
            ExpectSoundWrite(c);
        }
    }

    // Without a failure a pass on a clipboard without text writes nothing.
    // Otherwise it writes the marker and the record first, leaves every text
    // format that was offered on offer (a synthesised one may be left for the
    // platform to make again), adds a whole RTF copy to an 8-bit text unless
    // the copying program placed its own, and carries every other format over
    // in order, the texts and the RTF copy standing where the program's text
    // stood.
    void ExpectSoundWrite(const PassCase& c)
    {
        const UINT rtf = RtfFormatId();
        const UINT marker = MarkerFormatId();
        auto placed = [&](UINT format) {
            const auto isFormat = [=](const PlacedFormat& p) { return p.format == format; };
            return std::any_of(c.placed.begin(), c.placed.end(), isFormat);
        };
        const std::vector<UINT>& set = probe.setFormats;
        if (!placed(CF_TEXT) && !placed(CF_UNICODETEXT)) {
            EXPECT_TRUE(set.empty()) << "wrote to a clipboard without text";
            return;
        }
        auto isProgramRtf = [&](const PlacedFormat& p) {
            return p.format == rtf && !(placed(marker) && p.bytes.rfind("{\\rtf1\\ansi{\\fonttbl{\\f1\\cpg", 0) == 0);
        };
        const bool programRtf = std::any_of(c.placed.begin(), c.placed.end(), isProgramRtf);
        std::vector<UINT> expected{marker, SourceRecordFormatId()};
        bool textsWritten = false;
        for (const PlacedFormat& p : c.placed) {
            if ((p.format == CF_TEXT || p.format == CF_UNICODETEXT) && !textsWritten) {
                textsWritten = true;
                const bool textSet = std::find(set.begin(), set.end(), UINT{CF_TEXT}) != set.end();
                if (c.addRtf && textSet && !programRtf) {
                    expected.push_back(rtf);
                }
                for (const UINT format : {UINT{CF_UNICODETEXT}, UINT{CF_TEXT}}) {
                    if (std::find(set.begin(), set.end(), format) != set.end()) {
                        expected.push_back(format);
                    }
                }
            }
            const bool own = p.format == CF_TEXT || p.format == CF_UNICODETEXT || p.format == marker;
            if (!own && p.format != CF_LOCALE && (p.format != rtf || isProgramRtf(p))) {
                expected.push_back(p.format);
            }
        }
        // The locale of the code page, or one the platform adds.
        std::vector<UINT> written;
        std::copy_if(set.begin(), set.end(), std::back_inserter(written), [](UINT f) { return f != CF_LOCALE; });
        EXPECT_EQ(written, expected) << "marker and record, then the formats in their order, the texts where the "
                                        "program's stood";
        const std::vector<UINT> offered = ClipboardFormats();
        for (const PlacedFormat& p : c.placed) {
            EXPECT_TRUE((p.format != CF_TEXT && p.format != CF_UNICODETEXT) ||
                        std::find(offered.begin(), offered.end(), p.format) != offered.end())
                << "text format " << p.format << " lost";
            if (p.handle == nullptr && p.format != CF_TEXT && p.format != CF_UNICODETEXT && p.format != marker &&
                p.format != CF_LOCALE && (p.format != rtf || isProgramRtf(p)) && probe.handedBytes.count(p.format)) {
                EXPECT_EQ(probe.handedBytes[p.format], p.bytes) << "format " << p.format << " carried byte for byte";
            }
        }
        if (probe.handedBytes.count(CF_LOCALE)) {
            LCID locale = 0;
            std::memcpy(&locale, probe.handedBytes[CF_LOCALE].data(), sizeof locale);
            EXPECT_EQ(AnsiCodePageOfLocale(locale), c.codePage) << "a locale of the code page";
        }
        if (!programRtf && std::find(set.begin(), set.end(), rtf) != set.end()) {
            const std::string& document = probe.handedBytes[rtf];
            EXPECT_EQ(document.rfind("{\\rtf1\\ansi{\\fonttbl{\\f1\\cpg", 0), 0u);
            EXPECT_TRUE(document.ends_with(std::string("}\r\n", 4))) << "whole document with its zero byte";
        }
    }

    PlatformProbe probe;
    LockAndFreeLedger ledger{probe};

private:
    int m_passes = 0;
    std::size_t m_allocated = 0;
    std::size_t m_taken = 0;
};

TEST_F(BlockAccounting, EveryBlockOfRandomPassesIsTakenOverOrFreed)
{
    int first = 0;
    int last = kCases - 1;
    if (const char* replay = std::getenv(kReplayVariable)) {
        first = last = std::atoi(replay);
    }
    for (int index = first; index <= last; ++index) {
        const PassCase c = RandomCase(index);
        RunCase(c);
        if (HasFailure()) {
            ADD_FAILURE() << Describe(index, c);
            break;
        }
    }
}

} // namespace
