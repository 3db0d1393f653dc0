#include "core/PlacedFormats.h"

#include <algorithm>
#include <iterator>

#include "core/Platform.h"

namespace {

// What the platform makes when a program placed one of the sources but not
// the format itself, in the order it enumerates them.
struct Synthesis {
    UINT nFormat;
    UINT sources[2];
};
constexpr Synthesis kSyntheses[] = {
    {CF_TEXT, {CF_OEMTEXT, CF_UNICODETEXT}},    {CF_OEMTEXT, {CF_UNICODETEXT, CF_TEXT}},
    {CF_UNICODETEXT, {CF_TEXT, CF_OEMTEXT}},    {CF_METAFILEPICT, {CF_ENHMETAFILE, 0}},
    {CF_ENHMETAFILE, {CF_METAFILEPICT, 0}},     {CF_BITMAP, {CF_DIB, CF_DIBV5}},
    {CF_DIB, {CF_BITMAP, CF_DIBV5}},            {CF_DIBV5, {CF_BITMAP, CF_DIB}},
};

bool HasText(const std::vector<UINT>& formats)
{
    return Contains(formats, CF_TEXT) || Contains(formats, CF_OEMTEXT) || Contains(formats, CF_UNICODETEXT);
}

// The formats the platform adds to these, in its order.
std::vector<UINT> Synthesised(const std::vector<UINT>& placed)
{
    std::vector<UINT> made;
    if (HasText(placed) && !Contains(placed, CF_LOCALE)) {
        made.push_back(CF_LOCALE);
    }
    for (const Synthesis& s : kSyntheses) {
        const bool fromPlaced = std::any_of(std::begin(s.sources), std::end(s.sources),
                                            [&](UINT source) { return source != 0 && Contains(placed, source); });
        if (fromPlaced && !Contains(placed, s.nFormat)) {
            made.push_back(s.nFormat);
        }
    }
    return made;
}

} // namespace

bool Contains(const std::vector<UINT>& formats, UINT nFormat)
{
    return std::find(formats.begin(), formats.end(), nFormat) != formats.end();
}

std::vector<UINT> PlacedFormats()
{
    std::vector<UINT> formats;
    for (UINT format = g_platform.EnumClipboardFormats(0); format != 0;
         format = g_platform.EnumClipboardFormats(format)) {
        formats.push_back(format);
    }
    for (auto end = formats.begin(); end != formats.end(); ++end) {
        std::vector<UINT> placed(formats.begin(), end);
        const std::vector<UINT> made = Synthesised(placed);
        if (std::equal(end, formats.end(), made.begin(), made.end())) {
            return placed;
        }
    }
    return formats;
}
