#!/usr/bin/env python3
"""Builds the mojibake repair corpus from text that Debian packages hold.

    repair/tools/build-corpus.py --packages      the packages to install, space-separated
    repair/tools/build-corpus.py --kinds         the kinds of source, space-separated
    repair/tools/build-corpus.py --unpack DIR    downloads the packages only unpacked into DIR, unpacks them in DIR/root
    repair/tools/build-corpus.py OUT_DIR         builds the corpus

The build reads the unpacked packages at PELISAN_UNPACKED (OUT_DIR/unpacked/root
unless set). repair/tools/measure.sh does all three; never in CI.

Writes OUT_DIR/tune.tsv and OUT_DIR/heldout.tsv, one clean string a line:
language, kind, text (4-200 characters). A string goes to one half by a hash
of its text, so the same string never lands in both. Each language's strings
are shared out evenly among the kinds it has, a kind's unused share going to
the others. The kinds, and what they are read from (licence):
  ui     Firefox's langpacks, firefox-esr-l10n-* (MPL-2.0): the text of their
         Fluent and .properties messages
  man    manual pages: manpages-l10n's manpages-* (GPL-3+), manpages-ja,
         manpages-zh, manpages (English; various free licences)
  prose  GNOME's help, gnome-user-docs (CC-BY-SA 3.0); the Debian installation
         guide, installation-guide-amd64 (GPL-2+); the Debian reference,
         debian-reference-* (GPL-2+)
  names  CLDR, unicode-cldr-core (Unicode License): locale data and emoji
         annotations; hunspell dictionaries, hunspell-* and myspell-*, words
         joined into lines (each its own licence, mostly GPL, LGPL or MPL: de
         GPL-2+, fr MPL-2.0, ko MPL-1.1/GPL-2+/LGPL-2.1+; some CC-BY-SA, BSD
         or Apache-2.0; see each package's copyright file)
Each kind also holds clean lines made from its own strings that look
suspicious: upper-case Cyrillic and Greek, accents as combining marks (NFD)
in Latin script, half-width katakana, emoji, typographic quotes, (C), TM,
euro, box drawing.
Message catalogs (.mo, .po) are not read: they are kept for acceptance.

Also writes OUT_DIR/model-prose.tsv, text the model learns from and the
measure never sees: running text and messages beyond what the corpus keeps,
labelled with their kind. Lines that are corpus strings are left out.
"""
import glob
import gzip
import hashlib
import html
import os
import random
import re
import subprocess
import sys
import unicodedata
import zipfile
from pathlib import Path

import shared

LANGUAGES = shared.language_names()
# Each language's name in each source that has it: firefox, its langpack's locale (the package is
# named after it); man, folders under /usr/share/man; help, GNOME's help; guide, the installation
# guide; reference, Debian's reference; cldr, a locale; dict, a hunspell dictionary.
SOURCES = {
    "ja": dict(firefox="ja", man=("ja",), help="ja", guide="ja", reference="ja", cldr="ja"),
    "zh_CN": dict(firefox="zh-CN", man=("zh_CN",), help="zh_CN", guide="zh_CN", reference="zh-cn", cldr="zh"),
    "zh_TW": dict(firefox="zh-TW", man=("zh_TW",), reference="zh-tw", cldr="zh_Hant"),
    "ko": dict(firefox="ko", man=("ko",), help="ko", guide="ko", cldr="ko", dict="ko"),
    "ru": dict(firefox="ru", man=("ru",), help="ru", guide="ru", cldr="ru", dict="ru_RU"),
    "uk": dict(firefox="uk", man=("uk",), help="uk", cldr="uk", dict="uk_UA"),
    "be": dict(firefox="be", cldr="be", dict="be_BY"),
    "bg": dict(firefox="bg", cldr="bg", dict="bg_BG"),
    "sr": dict(firefox="sr", man=("sr",), help="sr", cldr="sr", dict="sr_RS"),
    "mk": dict(firefox="mk", man=("mk",), cldr="mk"),
    "el": dict(firefox="el", man=("el",), help="el", guide="el", cldr="el", dict="el_GR"),
    "he": dict(firefox="he", help="he", cldr="he", dict="he_IL"),
    "yi": dict(cldr="yi"),
    "ar": dict(firefox="ar", cldr="ar", dict="ar"),
    "fa": dict(firefox="fa", help="fa", cldr="fa", dict="fa_IR"),
    "ur": dict(firefox="ur", cldr="ur"),
    "th": dict(firefox="th", cldr="th", dict="th_TH"),
    "tr": dict(firefox="tr", man=("tr",), help="tr", cldr="tr", dict="tr_TR"),
    "vi": dict(firefox="vi", man=("vi",), help="vi", guide="vi", cldr="vi", dict="vi_VN"),
    "lt": dict(firefox="lt", help="lt", cldr="lt", dict="lt_LT"),
    "lv": dict(firefox="lv", help="lv", cldr="lv", dict="lv_LV"),
    "et": dict(firefox="et", cldr="et", dict="et_EE"),
    "pl": dict(firefox="pl", man=("pl",), help="pl", cldr="pl", dict="pl_PL"),
    "cs": dict(firefox="cs", man=("cs",), help="cs", guide="cs", cldr="cs", dict="cs_CZ"),
    "sk": dict(firefox="sk", cldr="sk", dict="sk_SK"),
    "hu": dict(firefox="hu", man=("hu",), help="hu", cldr="hu", dict="hu_HU"),
    "ro": dict(firefox="ro", man=("ro",), help="ro", guide="ro", cldr="ro", dict="ro_RO"),
    "hr": dict(firefox="hr", man=("hr",), help="hr", cldr="hr", dict="hr_HR"),
    "sl": dict(firefox="sl", man=("sl",), help="sl", cldr="sl", dict="sl_SI"),
    "sr_Latn": dict(help="sr@latin", cldr="sr_Latn", dict="sr_Latn_RS"),
    "bs": dict(firefox="bs", cldr="bs", dict="bs_BA"),
    "sq": dict(firefox="sq", cldr="sq", dict="sq_AL"),
    "de": dict(firefox="de", man=("de",), help="de", guide="de", reference="de", cldr="de", dict="de_DE"),
    "fr": dict(firefox="fr", man=("fr",), help="fr", guide="fr", reference="fr", cldr="fr", dict="fr_FR"),
    "es": dict(firefox="es-ES", man=("es",), help="es", guide="es", reference="es", cldr="es", dict="es_ES"),
    "pt": dict(firefox="pt-PT", man=("pt_BR", "pt"), help="pt", guide="pt", reference="pt", cldr="pt",
               dict="pt_PT"),
    "it": dict(firefox="it", man=("it",), help="it", guide="it", reference="it", cldr="it", dict="it_IT"),
    "nl": dict(firefox="nl", man=("nl",), help="nl", guide="nl", cldr="nl", dict="nl_NL"),
    "ca": dict(firefox="ca", help="ca", guide="ca", cldr="ca", dict="ca"),
    "gl": dict(firefox="gl", help="gl", cldr="gl", dict="gl_ES"),
    "eu": dict(firefox="eu", cldr="eu", dict="eu_ES"),
    "sv": dict(firefox="sv-SE", man=("sv",), help="sv", guide="sv", cldr="sv", dict="sv_SE"),
    "da": dict(firefox="da", man=("da",), help="da", guide="da", cldr="da", dict="da_DK"),
    "nb": dict(firefox="nb-NO", man=("nb",), cldr="nb", dict="nb_NO"),
    "fi": dict(firefox="fi", man=("fi",), help="fi", cldr="fi"),
    "is": dict(firefox="is", cldr="is", dict="is_IS"),
    "ga": dict(firefox="ga-IE", cldr="ga", dict="ga_IE"),
    "af": dict(firefox="af", cldr="af", dict="af_ZA"),
    "en": dict(firefox="en-GB", man=(".",), help="C", guide="en", reference="en", cldr="en", dict="en_US"),
}
# Installed: they bring in little beside. Unpacked only: installed, they would bring in a browser.
INSTALLED = """
    unicode-cldr-core manpages manpages-cs manpages-da manpages-de manpages-el manpages-es manpages-fi manpages-fr
    manpages-hu manpages-it manpages-ja manpages-mk manpages-nb manpages-nl manpages-pl manpages-pt-br manpages-ro
    manpages-ru manpages-sr manpages-sv manpages-tr manpages-uk manpages-vi manpages-zh
    hunspell-af hunspell-ar hunspell-be hunspell-bg hunspell-bs hunspell-ca hunspell-cs hunspell-da hunspell-de-de
    hunspell-el hunspell-en-us hunspell-es hunspell-eu hunspell-fr hunspell-gl hunspell-he hunspell-hr hunspell-hu
    hunspell-is hunspell-it hunspell-ko hunspell-lt hunspell-lv hunspell-nl hunspell-no hunspell-pl hunspell-pt-pt
    hunspell-ro hunspell-ru hunspell-sk hunspell-sl hunspell-sr hunspell-sv hunspell-th hunspell-tr hunspell-uk
    hunspell-vi myspell-et myspell-fa myspell-ga myspell-sq
""".split()
UNPACKED = """
    gnome-user-docs installation-guide-amd64 debian-reference-de debian-reference-en debian-reference-es
    debian-reference-fr debian-reference-it debian-reference-ja debian-reference-pt debian-reference-zh-cn
    debian-reference-zh-tw
""".split() + [f"firefox-esr-l10n-{s['firefox'].lower()}" for s in SOURCES.values() if "firefox" in s]
KINDS = ["ui", "man", "prose", "names"]
CLDR = Path("/usr/share/unicode/cldr/common")
PER_LANGUAGE = 24000  # strings kept per language, both halves together
CHARSET_PAGE = re.compile(r"^(ascii|armscii|charsets|groff_char|cp\d|iso[_-]?8859|koi8|latin\d|utf-?8|unicode|"
                          r"georgian|tis)", re.I)
BUCKETS = [(4, 7), (8, 15), (16, 31), (32, 63), (64, 200)]

ROFF_NAMED = {"aq": "'", "lq": "\u201c", "rq": "\u201d", "oq": "\u2018", "cq": "\u2019", "em": "\u2014",
              "en": "\u2013", "hy": "-", "bu": "\u2022", "co": "\u00a9", "rg": "\u00ae", "tm": "\u2122",
              "dq": '"', "mi": "-", "ti": "~", "ha": "^", "Fo": "\u00ab", "Fc": "\u00bb", "fo": "\u2039",
              "fc": "\u203a", "de": "\u00b0", "mu": "\u00d7", "<=": "\u2264", ">=": "\u2265", "->": "\u2192",
              "Eu": "\u20ac", "eu": "\u20ac", "ba": "|", "rs": "\\", "dg": "\u2020", "ps": "\u00b6", "sc": "\u00a7"}


def roff_text(line):
    line = re.sub(r"\\\((..)", lambda m: ROFF_NAMED.get(m.group(1), ""), line)
    line = re.sub(r"\\\[([^\]]*)\]", lambda m: ROFF_NAMED.get(m.group(1), ""), line)
    line = re.sub(r"\\f(\(..|\[[^\]]*\]|.)", "", line)
    line = re.sub(r"\\[*n]\(..|\\[*n]\[[^\]]*\]|\\[*n].", "", line)
    line = re.sub(r"\\s[-+]?\d+", "", line)
    line = line.replace("\\-", "-").replace("\\e", "\\").replace("\\ ", " ").replace("\\~", " ")
    line = re.sub(r"\\[&/,|^:%]", "", line)
    return re.sub(r"\\.", "", line)


# UTF-8 read as 1252 or Latin-1: a page made of mojibake is no clean text.
MOJIBAKE = re.compile("[\u00c2\u00c3][\u0080-\u00bf\u2018-\u203a\u0152\u0153\u0160\u0161\u0178\u017d\u017e\u0192\u02c6\u02dc]|\u00e2\u20ac")


# Where tbl's cells of running text open and close.
TABLE_CELL = re.compile(r"^T\}|T\{$")


def man_paragraphs(path):
    text = read_text(path)
    if not text or MOJIBAKE.search(text):
        return
    paragraph = []
    for raw in text.splitlines():
        raw = TABLE_CELL.sub("", raw)
        if raw.startswith((".", "'")):
            macro, _, rest = raw.partition(" ")
            if macro in (".B", ".I", ".BR", ".IR", ".RB", ".RI", ".BI", ".IB", ".SM") and rest:
                paragraph.append(roff_text(rest.replace('"', "")))
                continue
            if paragraph:
                yield " ".join(paragraph)
                paragraph = []
            if macro in (".SH", ".SS") and rest:
                yield roff_text(rest.replace('"', ""))
            continue
        paragraph.append(roff_text(raw))
    if paragraph:
        yield " ".join(paragraph)


def unpacked(pattern):
    """The files of the unpacked packages that match a pattern."""
    return sorted(Path(os.environ["PELISAN_UNPACKED"]).glob(pattern))


def read_text(path):
    """A file's text, gzipped or not; None for one that cannot be read as UTF-8."""
    try:
        data = Path(path).read_bytes()
        return (gzip.decompress(data) if str(path).endswith(".gz") else data).decode("utf-8")
    except (OSError, UnicodeDecodeError, EOFError, gzip.BadGzipFile):
        return None


def man_strings(folders):
    for folder in folders:
        # Character tables of code pages list every character once, in no language.
        for path in sorted(glob.glob(str(Path("/usr/share/man") / folder / "man[1-8]" / "*.gz"))):
            if not CHARSET_PAGE.search(Path(path).name):
                yield from man_paragraphs(path)


# Elements that hold date and time formats ("E, MMM d"): letters that stand for fields, not words.
FORMATS = {"pattern", "datetimeSkeleton", "dateFormatItem", "greatestDifference", "appendItem"}


def cldr_strings(locale):
    for sub in ("main", "annotations", "annotationsDerived"):
        text = read_text(CLDR / sub / f"{locale}.xml") or ""
        for element, value in re.findall(r"<(\w+)[^<>]*>([^<>]+)</", text):
            value = html.unescape(value).strip()
            if "{" not in value and "↑↑↑" not in value and element not in FORMATS:
                yield value


def dictionary_words(name):
    path = Path(f"/usr/share/hunspell/{name}.dic")
    try:
        match = re.search(rb"^SET\s+(\S+)", path.with_suffix(".aff").read_bytes(), re.M)
        lines = path.read_bytes().decode(match.group(1).decode() if match else "utf-8", errors="replace")
    except (OSError, LookupError):
        return []
    words = (line.split("/")[0].split() for line in lines.splitlines()[1:])
    # Some spell the ligatures and presentation forms that text never holds: ĳ for ij in Dutch.
    return [unicodedata.normalize("NFKC", w[0]) for w in words if w and w[0].isalpha() and "\ufffd" not in w[0]]


def dictionary_lines(name):
    """Words of a hunspell dictionary, a few to a line, in an order of their own."""
    rng = random.Random(name)
    words = dictionary_words(name)
    rng.shuffle(words)
    joiner = "" if name.startswith("th") else " "
    i = 0
    while i < len(words):
        n = rng.randint(1, 12)
        yield joiner.join(words[i:i + n])
        i += n


def firefox_strings(locale):
    """The messages of a Firefox langpack: its Fluent and .properties files."""
    for xpi in unpacked(f"usr/lib/firefox-esr/browser/extensions/langpack-{locale}@*.xpi"):
        try:
            with zipfile.ZipFile(xpi) as archive:
                files = [(n, archive.read(n)) for n in archive.namelist() if n.endswith((".ftl", ".properties"))]
        except (OSError, zipfile.BadZipFile):
            continue
        for name, data in files:
            try:
                text = data.decode("utf-8")
            except UnicodeDecodeError:
                continue
            values = fluent_values(text) if name.endswith(".ftl") else properties_values(text)
            yield from filter(None, map(message_text, values))


# A message's id or attribute before its value, or the key of a selector's variant.
FLUENT_KEY = re.compile(r"^\s*(?:-?\.?[\w-]+\s*=|\*?\[[^\]]*\])\s*")


def fluent_values(text):
    for line in text.splitlines():
        if not line.lstrip().startswith("#"):
            yield FLUENT_KEY.sub("", line)


def properties_values(text):
    for line in text.splitlines():
        _, equals, value = line.partition("=")
        if equals and not line.lstrip().startswith(("#", "!")):
            value = re.sub(r"\\u([0-9a-fA-F]{4})", lambda m: chr(int(m.group(1), 16)), value)
            # Plural forms stand side by side, split by semicolons.
            yield from value.replace("\\n", " ").split(";")


def message_text(value):
    """The readable text of a message: no placeables, format codes, entities or tags; None if none is left."""
    while re.search(r"\{[^{}]*\}", value):
        value = re.sub(r"\{[^{}]*\}", "", value)
    value = re.sub(r"%(\d+\$)?[A-Za-z@]|%%|#\d|&[#\w.]+;|<[^>]*>", "", value)
    # Quotes and brackets that held a placeable hold nothing now.
    value = re.sub(r"[\"'\u201e\u201c\u2018\u201a\u00ab(\[]\s?[\"'\u201d\u201c\u2019\u2018\u00bb)\]]", "", value)
    value = re.sub(r"\s+", " ", value).strip()
    if re.search(r"[{}<>$\\]|://", value):
        return None
    return value


def markup_paragraphs(page, skipped, blocks):
    """The text of a page's blocks, without markup or the elements that hold commands and code."""
    page = re.sub(rf"<({skipped})\b[^>]*>.*?</\1>", " ", page, flags=re.S)
    for match in re.finditer(rf"<({blocks})\b[^>]*>(.*?)</\1>", page, flags=re.S):
        yield html.unescape(re.sub(r"<[^>]+>", "", match.group(2)))


def pages_paragraphs(pattern, skipped, blocks):
    for path in unpacked(pattern):
        yield from markup_paragraphs(read_text(path) or "", skipped, blocks)


def help_paragraphs(language):
    return pages_paragraphs(f"usr/share/help/{language}/*/*.page",
                            "info|code|screen|cmd|input|output|key|keyseq|sys|file", "p|title|desc|item")


# Commands within a sentence are kept: a sentence with holes reads worse than one with a command.
HTML_SKIPPED = "head|script|style|pre"
HTML_BLOCKS = "p|li|h[1-4]|dt|td"


def guide_paragraphs(language):
    return pages_paragraphs(f"usr/share/doc/installation-guide-amd64/{language}/*.html*", HTML_SKIPPED, HTML_BLOCKS)


def reference_paragraphs(language):
    return pages_paragraphs(f"usr/share/debian-reference/*.{language}.html", HTML_SKIPPED, HTML_BLOCKS)


# What each kind of string is read from: a reader for each name in SOURCES.
READERS = [("ui", "firefox", firefox_strings), ("man", "man", man_strings), ("prose", "help", help_paragraphs),
           ("prose", "guide", guide_paragraphs), ("prose", "reference", reference_paragraphs),
           ("names", "cldr", cldr_strings), ("names", "dict", dictionary_lines)]
# Running text is cut to the lengths of the buckets; names and messages are whole.
CUT = {"man", "prose"}


def normalized(text):
    return re.sub(r"\s+", " ", unicodedata.normalize("NFC", text)).strip()


def segments(paragraph, rng, spaced):
    text = normalized(paragraph)
    while len(text) >= 4:
        low, high = rng.choice(BUCKETS)
        target = rng.randint(low, high)
        piece = text[:target]
        if spaced and target < len(text) and text[target] != " ":
            cut = piece.rfind(" ")
            if cut >= low:
                piece = piece[:cut]
        yield piece.strip()
        text = text[len(piece):].strip()


def keep(text):
    return 4 <= len(text) <= 200 and any(c.isalpha() for c in text) and not MOJIBAKE.search(text) and not any(
        unicodedata.category(c) in ("Cc", "Cs", "Co", "Cn") for c in text)


def found(language, rng):
    """Each kind's clean strings of a language; a string found twice belongs to the kind it was found in first."""
    spaced = language not in ("ja", "zh_CN", "zh_TW", "th")
    seen = set()
    by_kind = {kind: [] for kind in KINDS}
    for kind, source, reader in READERS:
        name = SOURCES[language].get(source)
        if not name:
            continue
        for text in reader(name):
            for piece in segments(text, rng, spaced) if kind in CUT else [normalized(text)]:
                if keep(piece) and piece not in seen:
                    seen.add(piece)
                    by_kind[kind].append(piece)
    return by_kind


def rich(language, text):
    """Whether a string is of the kind the corpus is for: one with characters beyond ASCII; outside Latin
    script, letters beyond ASCII (a line without any is most often English left untranslated)."""
    beyond = [c for c in text if ord(c) > 127]
    if set(shared.code_pages(language)) & LATIN_PAGES:
        return bool(beyond)
    return any(c.isalpha() for c in beyond)


def shares(language, by_kind):
    """Strings kept of each kind: PER_LANGUAGE split evenly, a kind's unused share going to the larger ones."""
    rich_ones = {kind: sum(rich(language, t) for t in texts) for kind, texts in by_kind.items() if texts}
    left, out = PER_LANGUAGE, {}
    for i, kind in enumerate(sorted(rich_ones, key=rich_ones.get)):
        out[kind] = min(rich_ones[kind], left // (len(rich_ones) - i))
        left -= out[kind]
    return out


def collect(language, rng):
    """A language's corpus rows, and its running text left over for the model alone."""
    by_kind = found(language, rng)
    everything = set().union(*by_kind.values())
    rows, surplus = [], []
    for kind, share in shares(language, by_kind).items():
        # A few plain lines too: never touched, but clean text all the same.
        wanted = [t for t in by_kind[kind] if rich(language, t)]
        plain = [t for t in by_kind[kind] if t.isascii()]
        rng.shuffle(wanted)
        rng.shuffle(plain)
        kept = wanted[:share] + plain[:share // 50]
        made = [m for text in wanted[:share // 6] for m in suspicious(language, text, rng)]
        rows += [(kind, t) for t in kept + [m for m in made if keep(m) and m not in everything]]
        if kind in CUT or kind == "ui":
            surplus += [(kind, t) for t in wanted[share:2 * share]]
    return rows, surplus


HALFWIDTH = {}
for code in range(0xFF61, 0xFFA0):
    full = unicodedata.normalize("NFKC", chr(code))
    if len(full) == 1:
        HALFWIDTH.setdefault(full, chr(code))
VOICED = {"\u3099": "\uff9e", "\u309a": "\uff9f"}
BOX = ["\u251c\u2500\u2500 ", "\u2514\u2500\u2500 ", "\u2502   ", "\u2503 ", "\u2551 ", "\u2550\u2550 ", "\u250c\u2500 "]
EMOJI = ["\U0001F600", "\U0001F44D", "\u2764\ufe0f", "\U0001F389", "\U0001F605", "\U0001F1EF\U0001F1F5", "\u2615",
         "\U0001F468\u200d\U0001F4BB", "\u2705", "\U0001F525"]
TYPOGRAPHIC = [("\u201c", "\u201d"), ("\u2018", "\u2019"), ("\u00ab ", " \u00bb"), ("\u201e", "\u201c"), ("", " \u2122"),
               ("\u00a9 2024 ", ""), ("", " \u2014 \u20ac 12,50"), ("\u2022 ", "\u2026")]


def halfwidth(text):
    out = []
    for c in unicodedata.normalize("NFD", text):
        if c in VOICED:
            out.append(VOICED[c])
        else:
            out.append(HALFWIDTH.get(unicodedata.normalize("NFC", c), c))
    return "".join(out)


CASED_PAGES = {1251, 1253}  # Cyrillic and Greek
LATIN_PAGES = {1250, 1252, 1254, 1257, 1258}


def suspicious(language, text, rng):
    """Clean text that looks like mojibake to a careless eye."""
    pages = set(shared.code_pages(language))
    if pages & CASED_PAGES:
        yield text.upper()
    # macOS writes accents as combining marks.
    decomposed = unicodedata.normalize("NFD", text)
    if pages & LATIN_PAGES and decomposed != text and rng.random() < 0.3:
        yield decomposed
    if language == "ja" and re.search("[\u30a1-\u30fa]", text):
        yield halfwidth(text)
    if rng.random() < 0.3:
        yield text[:196] + " " + rng.choice(EMOJI)
    if rng.random() < 0.3:
        opening, closing = rng.choice(TYPOGRAPHIC)
        yield opening + text[:180] + closing
    if rng.random() < 0.2:
        yield rng.choice(BOX) + text[:190]


def half(text):
    return "tune" if hashlib.sha1(text.encode()).digest()[0] & 1 else "heldout"


def build(out):
    out.mkdir(parents=True, exist_ok=True)
    os.environ.setdefault("PELISAN_UNPACKED", str(out / "unpacked" / "root"))
    rng = random.Random(19)
    files = {name: open(out / f"{name}.tsv", "w", encoding="utf-8") for name in ("tune", "heldout", "model-prose")}
    measured, surplus = set(), []
    for language in LANGUAGES:
        rows, spare = collect(language, rng)
        for kind, text in rows:
            files[half(text)].write(f"{language}\t{kind}\t{text}\n")
            measured.add(text)
        surplus += [(language, kind, text) for kind, text in spare]
        counts = " ".join(f"{kind} {sum(k == kind for k, _ in rows)}" for kind in KINDS)
        print(f"{language}: {counts}; {len(spare)} for the model alone", file=sys.stderr)
    # Strings of the corpus in another language too stay out of the model's own text.
    files["model-prose"].writelines(f"{l}\t{k}\t{t}\n" for l, k, t in surplus if t not in measured)
    for f in files.values():
        f.close()


def unpack(directory):
    """Downloads the UNPACKED packages into directory and unpacks each into its root/."""
    directory = Path(directory)
    (directory / "root").mkdir(parents=True, exist_ok=True)
    for package in UNPACKED:
        if subprocess.run(["apt-get", "download", "-qq", package], cwd=directory).returncode != 0:
            print(f"{package}: not found, left out", file=sys.stderr)
            continue
        for deb in directory.glob(f"{package}_*.deb"):
            if subprocess.run(["dpkg", "-x", str(deb), str(directory / "root")]).returncode != 0:
                print(f"{deb.name}: could not be unpacked, left out", file=sys.stderr)


def main():
    if sys.argv[1:2] == ["--packages"]:
        print(" ".join(INSTALLED))
        return
    if sys.argv[1:2] == ["--kinds"]:
        print(" ".join(KINDS))
        return
    if sys.argv[1:2] == ["--unpack"]:
        unpack(sys.argv[2])
        return
    build(Path(sys.argv[1]))


if __name__ == "__main__":
    main()
