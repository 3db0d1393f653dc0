#!/usr/bin/env python3
"""Builds the mojibake repair corpus from text that Debian packages install.

    repair/tools/build-corpus.py OUT_DIR

Writes OUT_DIR/tune.tsv and OUT_DIR/heldout.tsv, one clean string a line:
language, source, text (4-200 characters). A string goes to one half by a
hash of its text, so the same string never lands in both.

Sources (repair/tools/measure.sh installs them and runs it all; never in CI):
  man pages    manpages-l10n (cs de el es fr hu pl pt_BR ru uk vi), manpages-ja,
               manpages-zh (zh_CN, zh_TW), manpages-tr, manpages (English)
  CLDR         unicode-cldr-core: locale data and emoji annotations, every language
  dictionaries hunspell-ko, -he, -ar, -th, -el: words joined into lines, for the
               languages without prose in a man page
  made         clean lines that look suspicious: upper-case Cyrillic and Greek,
               half-width katakana, emoji, typographic quotes, (C), TM, euro, box drawing
Message catalogs (.mo, .po) are not read: they are kept for acceptance.

Also writes OUT_DIR/model-prose.tsv, text the model learns from and the
measure never sees: the prose of GNOME's help pages (gnome-user-docs, unpacked
at PELISAN_HELP_ROOT) in Greek and Hebrew, whose corpus strings are mostly
words from a dictionary. Lines that are corpus strings are left out.
"""
import glob
import gzip
import hashlib
import html
import os
import random
import re
import sys
import unicodedata
from pathlib import Path

import shared

LANGUAGES = shared.language_names()
MAN_DIRS = {"ja": "ja", "zh_CN": "zh_CN", "zh_TW": "zh_TW", "ko": "ko", "ru": "ru", "uk": "uk", "el": "el",
            "tr": "tr", "pl": "pl", "cs": "cs", "hu": "hu", "de": "de", "fr": "fr", "es": "es", "pt": "pt_BR",
            "vi": "vi", "en": "."}
CLDR_LOCALES = {"ja": "ja", "zh_CN": "zh", "zh_TW": "zh_Hant", "ko": "ko", "ru": "ru", "uk": "uk", "el": "el",
                "he": "he", "ar": "ar", "th": "th", "tr": "tr", "pl": "pl", "cs": "cs", "hu": "hu", "de": "de",
                "fr": "fr", "es": "es", "pt": "pt", "vi": "vi", "en": "en"}
DICTIONARIES = {"ko": "ko", "he": "he_IL", "ar": "ar", "th": "th_TH", "el": "el_GR"}
CLDR = Path("/usr/share/unicode/cldr/common")
HELP = Path(os.environ.get("PELISAN_HELP_ROOT", "/usr/share/help"))
HELP_LANGUAGES = ["el", "he"]
PER_LANGUAGE = 24000  # strings kept per language, both halves together
CHARSET_PAGE = re.compile(r"^(ascii|armscii|charsets|cp\d|iso[_-]?8859|koi8|latin\d|utf-?8|unicode|georgian|tis)", re.I)
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


def man_paragraphs(path):
    try:
        text = gzip.open(path).read().decode("utf-8")
    except (OSError, UnicodeDecodeError, EOFError):
        return
    if MOJIBAKE.search(text):
        return
    paragraph = []
    for raw in text.splitlines():
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


def cldr_strings(locale):
    for sub in ("main", "annotations", "annotationsDerived"):
        path = CLDR / sub / f"{locale}.xml"
        if not path.exists():
            continue
        for value in re.findall(r">([^<>]+)</", path.read_text(encoding="utf-8")):
            value = html.unescape(value).strip()
            if "{" not in value and "↑↑↑" not in value:
                yield value


def dictionary_lines(name, rng):
    path = Path(f"/usr/share/hunspell/{name}.dic")
    encoding = "utf-8"
    aff = path.with_suffix(".aff")
    if aff.exists():
        match = re.search(rb"^SET\s+(\S+)", aff.read_bytes(), re.M)
        if match:
            encoding = match.group(1).decode()
    words = [w.split("/")[0].split("\t")[0] for w in path.read_text(encoding=encoding, errors="replace").splitlines()[1:]]
    words = [w for w in words if w and not w.isascii() and "\ufffd" not in w]
    rng.shuffle(words)
    joiner = "" if name.startswith("th") else " "
    i = 0
    while i < len(words):
        n = rng.randint(1, 12)
        yield joiner.join(words[i:i + n])
        i += n


def help_paragraphs(language):
    """The paragraphs, titles and list items of a language's help pages, without markup or commands."""
    for path in sorted(glob.glob(str(HELP / language / "*" / "*.page"))):
        page = Path(path).read_text(encoding="utf-8")
        page = re.sub(r"<info>.*?</info>", "", page, flags=re.S)
        page = re.sub(r"<(code|screen|cmd|input|output|key|keyseq|sys|file)\b[^>]*>.*?</\1>", " ", page, flags=re.S)
        for match in re.finditer(r"<(p|title|desc|item)\b[^>]*>(.*?)</\1>", page, flags=re.S):
            text = html.unescape(re.sub(r"<[^>]+>", "", match.group(2)))
            text = re.sub(r"\s+", " ", unicodedata.normalize("NFC", text)).strip()
            if len(text) >= 4 and not text.isascii():
                yield text


def segments(paragraph, rng, spaced):
    text = re.sub(r"\s+", " ", unicodedata.normalize("NFC", paragraph)).strip()
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
    return 4 <= len(text) <= 200 and any(c.isalpha() for c in text) and not any(
        unicodedata.category(c) in ("Cc", "Cs", "Co", "Cn") for c in text)


def collect(language, rng):
    spaced = language not in ("ja", "zh_CN", "zh_TW", "th")
    found = []
    man = MAN_DIRS.get(language)
    if man:
        root = Path("/usr/share/man") / man
        # Character tables of code pages list every character once, in no language.
        files = [f for f in sorted(glob.glob(str(root / "man[1-8]" / "*.gz"))) if not CHARSET_PAGE.search(Path(f).name)]
        for path in files:
            for paragraph in man_paragraphs(path):
                found += [("man", s) for s in segments(paragraph, rng, spaced)]
    found += [("cldr", s) for s in cldr_strings(CLDR_LOCALES[language])]
    if language in DICTIONARIES:
        found += [("dict", s) for s in dictionary_lines(DICTIONARIES[language], rng)]
    seen = set()
    unique = []
    for source, text in found:
        if keep(text) and text not in seen:
            seen.add(text)
            unique.append((source, text))
    # English lines count only with typographic characters; others with something beyond ASCII,
    # plus a few plain ones (never touched, but clean text all the same).
    rich = [x for x in unique if not x[1].isascii()]
    plain = [x for x in unique if x[1].isascii()]
    rng.shuffle(rich)
    rng.shuffle(plain)
    rows = rich[:PER_LANGUAGE] + plain[:PER_LANGUAGE // 50]
    made = [("made", m) for _, text in rows[:PER_LANGUAGE // 6] for m in suspicious(language, text, rng)]
    return rows + [x for x in made if keep(x[1]) and x[1] not in seen]


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


def suspicious(language, text, rng):
    """Clean text that looks like mojibake to a careless eye."""
    if language in ("ru", "uk", "el"):
        yield text.upper()
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


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    rng = random.Random(19)
    files = {name: open(out / f"{name}.tsv", "w", encoding="utf-8") for name in ("tune", "heldout")}
    measured = set()
    for language in LANGUAGES:
        rows = collect(language, rng)
        counts = {"tune": 0, "heldout": 0}
        for source, text in rows:
            name = half(text)
            counts[name] += 1
            files[name].write(f"{language}\t{source}\t{text}\n")
            measured.add(text)
        print(f"{language}: {counts['tune']} tuning, {counts['heldout']} held out", file=sys.stderr)
    for f in files.values():
        f.close()
    with open(out / "model-prose.tsv", "w", encoding="utf-8") as prose:
        for language in HELP_LANGUAGES:
            lines = [text for text in help_paragraphs(language) if text not in measured]
            prose.writelines(f"{language}\thelp\t{text}\n" for text in lines)
            print(f"{language}: {len(lines)} lines of prose for the model", file=sys.stderr)


if __name__ == "__main__":
    main()
