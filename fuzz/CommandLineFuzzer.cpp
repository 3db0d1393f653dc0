// Splits the input at line feeds into arguments, dispatches them to the
// grammar and compares its fields with a model written from the rules:
// plain arguments before the first r-flag give the code page, plain
// arguments after it a size or, reading as 0, a face name; the word repair
// is no r-flag, and a lone mark asks for standard input.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/CommandLine.h"

namespace {

void Require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "command-line property broken: %s\n", what);
        std::abort();
    }
}

// The grammar sees each argument as a C string.
std::string_view AsSeen(const std::string& arg)
{
    return arg.c_str();
}

bool IsFlag(std::string_view arg)
{
    return !arg.empty() && (arg[0] == '-' || arg[0] == '/');
}

// atoi with out-of-range values held at the edges of int.
int NumberValue(std::string_view arg)
{
    std::size_t i = 0;
    while (i < arg.size() && (arg[i] == ' ' || (arg[i] >= '\t' && arg[i] <= '\r'))) {
        ++i;
    }
    const bool negative = i < arg.size() && arg[i] == '-';
    if (i < arg.size() && (arg[i] == '-' || arg[i] == '+')) {
        ++i;
    }
    long long magnitude = 0;
    for (; i < arg.size() && arg[i] >= '0' && arg[i] <= '9'; ++i) {
        magnitude = std::min(magnitude * 10 + (arg[i] - '0'), 1LL << 32);
    }
    const long long value = negative ? -magnitude : magnitude;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

struct Expected {
    int convertMode = 0;
    int codePage = 932;
    int rtf = 0;
    std::string face;
    int size = 0;
    int repair = 0;
    int standardInput = 0;
};

bool IsRepairWord(std::string_view word)
{
    return word.size() == 6 && std::equal(word.begin(), word.end(), "repair", [](char a, char b) {
               return (a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) == b;
           });
}

Expected Model(const std::vector<std::string>& args)
{
    Expected e;
    e.convertMode = args.empty() ? 0 : 1;
    for (const std::string& stored : args) {
        const std::string_view arg = AsSeen(stored);
        if (IsFlag(arg) && IsRepairWord(arg.substr(1))) {
            e.repair = 1;
        } else if (IsFlag(arg) && arg.size() == 1) {
            e.standardInput = 1;
        } else if (IsFlag(arg)) {
            e.rtf |= arg[1] == 'r' || arg[1] == 'R';
        } else if (!e.rtf) {
            e.codePage = NumberValue(arg);
        } else if ((e.size = NumberValue(arg)) == 0) {
            e.face = arg;
        }
    }
    return e;
}

// Checks what the dispatcher hands over before the grammar acts on it.
class CheckedInfo : public CConverterCommandLineInfo {
public:
    explicit CheckedInfo(const std::vector<std::string>& args) : m_args(args) {}

    void ParseParam(const char* pszParam, int bFlag, int bLast) override
    {
        Require(m_nCalls < m_args.size(), "one call per argument");
        const std::string_view arg = AsSeen(m_args[m_nCalls]);
        Require(bFlag == IsFlag(arg), "flag when the argument starts with - or /");
        Require(pszParam == arg.substr(bFlag ? 1 : 0), "argument handed over without its mark");
        Require(bLast == (m_nCalls + 1 == m_args.size()), "last set on the last argument only");
        ++m_nCalls;
        CConverterCommandLineInfo::ParseParam(pszParam, bFlag, bLast);
    }
    std::size_t Calls() const { return m_nCalls; }

private:
    const std::vector<std::string>& m_args;
    std::size_t m_nCalls = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> args;
    for (std::size_t start = 0; size != 0;) {
        const std::size_t end = std::min(input.find('\n', start), input.size());
        args.emplace_back(input.substr(start, end - start));
        if (end == input.size()) {
            break;
        }
        start = end + 1;
    }
    CheckedInfo info(args);
    DispatchArguments(args, info);
    Require(info.Calls() == args.size(), "every argument dispatched");

    const Expected e = Model(args);
    Require(info.m_bConvertMode == e.convertMode, "convert mode set exactly when there is an argument");
    Require(info.m_bRtf == e.rtf, "RTF set exactly by an r-flag");
    Require(info.m_nCodePage == e.codePage, "code page from the last plain argument before the r-flag");
    Require(info.m_nFontSize == e.size, "size from the last plain argument after the r-flag");
    Require(info.m_strFaceName == e.face, "face from the last plain argument after the r-flag reading as 0");
    Require(info.m_bRepair == e.repair, "repair set exactly by the word repair");
    Require(info.m_bStandardInput == e.standardInput, "standard input set exactly by a lone - or /");
    return 0;
}
