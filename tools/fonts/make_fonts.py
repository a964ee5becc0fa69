#!/usr/bin/python3
"""Makes the program's font files: renamed copies of DejaVu Sans with their own family names.

usage: make_fonts.py OUTPUT_FOLDER [DEJAVU_FOLDER]
"""
import os
import sys

from fontTools.ttLib import TTFont

# file name, family, style, source file
FONTS = [
    ("Yhelvn.TTF", "YHelvetica", "Regular", "DejaVuSans.ttf"),
    ("Yhelvb.TTF", "YHelvetica", "Bold", "DejaVuSans-Bold.ttf"),
    ("Cir Helvetica.TTF", "CHelvetica", "Regular", "DejaVuSans.ttf"),
    ("Cir Helvetica Bold.TTF", "CHelvetica", "Bold", "DejaVuSans-Bold.ttf"),
    ("Yuerife.FON", "YU Sans Serif", "Regular", "DejaVuSans.ttf"),
]


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
    for file_name, family, style, source_file in FONTS:
        font = TTFont(os.path.join(source, source_file))
        rename(font, family, style)
        target = os.path.join(out, file_name)
        font.save(target + ".part")
        os.replace(target + ".part", target)


if __name__ == "__main__":
    main()
