"""What the repair engine and its tools must agree on, in one place.

make-shared.py writes the engine's header from it at every build
(RepairShared.h); the corpus, model and margin tools import it. The model made
from it carries its fingerprint, so a model made for another shape does not
build.
"""
import hashlib

# Kinds of character, as the model and the engine tell them apart.
KINDS = ["space", "digit", "ascii_punct", "latin", "cyrillic", "greek", "han", "rare_han", "hiragana", "katakana",
         "halfwidth_katakana", "hangul", "rare_hangul", "arabic", "hebrew", "thai", "punct", "symbol", "box", "emoji",
         "control", "private", "mark", "fullwidth", "other_letter", "other"]
LETTER_KINDS = ["latin", "cyrillic", "greek", "han", "rare_han", "hiragana", "katakana", "halfwidth_katakana",
                "hangul", "rare_hangul", "arabic", "hebrew", "thai", "fullwidth", "other_letter"]

# The languages modelled and the code pages their text is written in besides
# UTF-8, the commonest first.
LANGUAGES = [
    ("ja", [932]), ("zh_CN", [936]), ("zh_TW", [950]), ("ko", [949]),
    ("ru", [1251, 866, 20866]), ("uk", [1251]), ("be", [1251]), ("bg", [1251]), ("sr", [1251]), ("mk", [1251]),
    ("el", [1253]), ("he", [1255]), ("yi", [1255]), ("ar", [1256]), ("fa", [1256]), ("ur", [1256]),
    ("th", [874]), ("tr", [1254]), ("vi", [1258]),
    ("lt", [1257]), ("lv", [1257]), ("et", [1257]),
    ("pl", [1250]), ("cs", [1250]), ("sk", [1250]), ("hu", [1250]), ("ro", [1250]), ("hr", [1250]),
    ("sl", [1250]), ("sr_Latn", [1250]), ("bs", [1250]), ("sq", [1250]),
    ("de", [1252]), ("fr", [1252]), ("es", [1252]), ("pt", [1252]), ("it", [1252]), ("nl", [1252]),
    ("ca", [1252]), ("gl", [1252]), ("eu", [1252]), ("sv", [1252]), ("da", [1252]), ("nb", [1252]),
    ("fi", [1252]), ("is", [1252]), ("ga", [1252]), ("af", [1252]), ("en", [1252]),
]
MOST_CODE_PAGES = 3

# Groups of misreadings alike in how confusable they are; each has margins of
# its own. Name in the engine, name for people, what it holds.
FAMILIES = [
    ("Utf8", "UTF-8 read as legacy", "UTF-8 read as a legacy code page"),
    ("CjkAsCjk", "CJK as CJK", "Shift-JIS, GBK, UHC, Big5 read as another of them"),
    ("CyrillicAsCyrillic", "Cyrillic as Cyrillic", ""),
    ("LatinAsLatin", "Latin as Latin", ""),
    ("CjkAsOther", "CJK as other", ""),
    ("CyrillicAsOther", "Cyrillic as other", ""),
    ("LatinAsOther", "Latin as other", ""),
    ("OtherLegacy", "Greek/Hebrew/Arabic/Thai", "Greek, Hebrew, Arabic, Thai read as anything else"),
    ("ReadAsUtf8", "legacy read as UTF-8", "legacy bytes that happened to be valid UTF-8"),
    ("Twice", "twice", ""),
]
# Margins are chosen for texts of these many characters, and more: a band
# begins at each.
LENGTH_BANDS = [0, 8, 16, 32]

# The text model's hash tables, in bits of slots.
PAIR_BITS = 18
TRIPLE_BITS = 18
# A token is a kind or a character of the vocabulary, in this many bits; the
# largest stands for "any follower" in the triple table.
TOKEN_BITS = 14
# Letters beyond ASCII of the small alphabets, whose pairs alone tell too
# little: after two of them, the next character is priced by the two.
TRIPLE_KINDS = ["latin", "cyrillic", "greek", "arabic", "hebrew", "thai"]
# How the letters of a word are cased: none, lower, capitalised, upper, mixed;
# and words that mix alphabets.
WORD_CASES = 6

# A repair is refused when the likeliest reading that alters no letter, only
# punctuation or symbols, is this much likelier (eighths of a bit).
UNALTERED_LEEWAY = 64


def family_index(name):
    return [f[0] for f in FAMILIES].index(name)


def language_names():
    return [name for name, _ in LANGUAGES]


def code_pages(language):
    return dict(LANGUAGES)[language]


def fingerprint():
    shape = repr((KINDS, LETTER_KINDS, LANGUAGES, FAMILIES, LENGTH_BANDS, PAIR_BITS, TRIPLE_BITS, TOKEN_BITS,
                  TRIPLE_KINDS, WORD_CASES, UNALTERED_LEEWAY))
    return int.from_bytes(hashlib.sha1(shape.encode()).digest()[:4], "big")
