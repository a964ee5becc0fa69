#!/usr/bin/python3
"""Makes the program's font files: copies of DejaVu Sans with their own family names that draw
YUSCII, so that any program shows text in these families with real letters.

usage: make_fonts.py OUTPUT_FOLDER [DEJAVU_FOLDER]
"""
import copy
import os
import sys

from fontTools.ttLib import TTFont

LATIN, CYRILLIC = "latin", "cyrillic"

# file name, family, style, source file, the form of YUSCII the font draws
FONTS = [
    ("Yhelvn.TTF", "YHelvetica", "Regular", "DejaVuSans.ttf", LATIN),
    ("Yhelvb.TTF", "YHelvetica", "Bold", "DejaVuSans-Bold.ttf", LATIN),
    ("Cir Helvetica.TTF", "CHelvetica", "Regular", "DejaVuSans.ttf", CYRILLIC),
    ("Cir Helvetica Bold.TTF", "CHelvetica", "Bold", "DejaVuSans-Bold.ttf", CYRILLIC),
    ("Yuerife.FON", "YU Sans Serif", "Regular", "DejaVuSans.ttf", LATIN),
]

# The same table as the program's screen mapping: the ten codes in both forms, and in the
# Cyrillic form every ASCII letter but "y" as its Serbian counterpart.
CODES = "[]\\^@{}|~`"
LATIN_LETTERS = "ŠĆĐČŽšćđčž"
CYRILLIC_LETTERS = "ШЋЂЧЖшћђчж"
ASCII = "abcdefghijklmnopqrstuvwxz"
CYRILLIC_LOWER = "абцдефгхијклмнопљрстувњџз"
CYRILLIC_UPPER = "АБЦДЕФГХИЈКЛМНОПЉРСТУВЊЏЗ"


def yuscii_letters(form):
    pairs = dict(zip(CODES, LATIN_LETTERS if form == LATIN else CYRILLIC_LETTERS))
    if form == CYRILLIC:
        pairs.update(zip(ASCII, CYRILLIC_LOWER))
        pairs.update(zip(ASCII.upper(), CYRILLIC_UPPER))
    return pairs


def draw_yuscii(font, form):
    """Points each YUSCII code at a copy of its letter's glyph. A copy rather than the letter's own
    glyph: PDF writers name a glyph's text by the first character that reaches it, and the letter
    itself ("š", not "{") must stay the text of the letter's glyph."""
    glyf = font["glyf"]
    hmtx = font["hmtx"]
    best = font.getBestCmap()
    order = list(font.getGlyphOrder())
    codes = {}
    for code, letter in yuscii_letters(form).items():
        source = best[ord(letter)]
        name = f"{source}.yuscii"
        if name not in codes.values():
            glyph = copy.deepcopy(glyf[source])
            glyf.glyphs[name] = glyph
            hmtx.metrics[name] = hmtx.metrics[source]
            order.append(name)
        codes[ord(code)] = name
    font.setGlyphOrder(order)
    glyf.setGlyphOrder(order)
    for table in font["cmap"].tables:
        # The Macintosh Roman table shares ASCII with Unicode.
        if table.isUnicode() or (table.platformID, table.platEncID) == (1, 0):
            table.cmap.update(codes)


def rename(font, family, style):
    full = family if style == "Regular" else f"{family} {style}"
    postscript = full.replace(" ", "") if style == "Regular" else f"{family.replace(' ', '')}-{style}"
    names = {1: family, 2: style, 3: f"Korvelin:{full}", 4: full, 6: postscript, 16: family, 17: style}
    table = font["name"]
    for record in list(table.names):
        if record.nameID in names or record.nameID in (18, 21, 22):
            table.removeNames(nameID=record.nameID)
    for name_id, text in names.items():
        table.setName(text, name_id, 3, 1, 0x409)  # Windows, Unicode BMP, US English
        table.setName(text, name_id, 1, 0, 0)  # Macintosh, Roman, English


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    source = sys.argv[2] if len(sys.argv) > 2 else "/usr/share/fonts/truetype/dejavu"
    os.makedirs(out, exist_ok=True)
    for file_name, family, style, source_file, form in FONTS:
        font = TTFont(os.path.join(source, source_file))
        rename(font, family, style)
        draw_yuscii(font, form)
        target = os.path.join(out, file_name)
        font.save(target + ".part")
        os.replace(target + ".part", target)


if __name__ == "__main__":
    main()
