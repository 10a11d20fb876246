#!/usr/bin/env python3
"""Writes outlines.cpp: the program face's printable ASCII glyphs, their
advances and the kerning between them, in font units, from the face's
TrueType files.

    designs/face/make_outlines.py REGULAR.ttf BOLD.ttf > designs/face/outlines.cpp

Needs python3-fonttools (scripts/install-deps designs installs it). The files
used are Debian's fonts-liberation2 2.1.5
(/usr/share/fonts/truetype/liberation2/LiberationSans-{Regular,Bold}.ttf).
Only what the fonts hold is copied: outlines as the quadratic contours they
are, advances from the horizontal metrics, and the pair adjustments of the
kerning feature a text shaper applies to Latin text by default.
"""

import sys

from fontTools.ttLib import TTFont

FIRST, LAST = 0x20, 0x7E  # printable ASCII


def kerning(font, names):
    """(left, right) -> x advance adjustment, for the pairs in `names`."""
    gpos = font["GPOS"].table
    wanted = set()
    for script in gpos.ScriptList.ScriptRecord:
        if script.ScriptTag not in ("DFLT", "latn"):
            continue
        systems = [script.Script.DefaultLangSys] if script.Script.DefaultLangSys else []
        for system in systems:
            for index in system.FeatureIndex:
                record = gpos.FeatureList.FeatureRecord[index]
                if record.FeatureTag == "kern":
                    wanted.update(record.Feature.LookupListIndex)
    pairs = {}
    for index in sorted(wanted):
        lookup = gpos.LookupList.Lookup[index]
        subtables = lookup.SubTable
        if lookup.LookupType == 9:
            subtables = [s.ExtSubTable for s in subtables]
        elif lookup.LookupType != 2:
            continue
        for left in names:
            for right in names:
                for sub in subtables:
                    found, value = pair_value(sub, left, right)
                    if found:
                        if value:
                            pairs[(left, right)] = pairs.get((left, right), 0) + value
                        break
    return {k: v for k, v in pairs.items() if v}


def pair_value(sub, left, right):
    """Whether the subtable decides the pair, and the adjustment it gives."""
    if left not in sub.Coverage.glyphs:
        return False, 0
    if sub.Format == 1:
        pair_set = sub.PairSet[sub.Coverage.glyphs.index(left)]
        for record in pair_set.PairValueRecord:
            if record.SecondGlyph == right:
                value = record.Value1
                return True, (getattr(value, "XAdvance", 0) or 0) if value else 0
        return False, 0
    first = sub.ClassDef1.classDefs.get(left, 0)
    second = sub.ClassDef2.classDefs.get(right, 0)
    value = sub.Class1Record[first].Class2Record[second].Value1
    return True, (getattr(value, "XAdvance", 0) or 0) if value else 0


def glyph_data(font, name):
    glyf = font["glyf"]
    glyph = glyf[name]
    advance = font["hmtx"][name][0]
    if glyph.numberOfContours == 0:
        return advance, [], []
    coords, ends, flags = glyph.getCoordinates(glyf)
    points = [(x, y, flag & 1) for (x, y), flag in zip(coords, flags)]
    return advance, list(ends), points


def face(font, label):
    cmap = font.getBestCmap()
    codes = [c for c in range(FIRST, LAST + 1) if c in cmap]
    missing = [chr(c) for c in range(FIRST, LAST + 1) if c not in cmap]
    if missing:
        sys.exit(f"{label}: no glyph for {''.join(missing)!r}")
    names = [cmap[c] for c in codes]
    glyphs, ends, points = [], [], []
    for code, name in [(0, ".notdef")] + list(zip(codes, names)):
        advance, glyph_ends, glyph_points = glyph_data(font, name)
        glyphs.append((code, advance, len(ends), len(glyph_ends)))
        ends.extend(len(points) + e + 1 for e in glyph_ends)
        points.extend(glyph_points)
    code_of = dict(zip(names, codes))
    kerns = sorted((code_of[l], code_of[r], v) for (l, r), v in kerning(font, names).items())
    hhea = font["hhea"]
    return {
        "units": font["head"].unitsPerEm,
        "ascent": hhea.ascent,
        "descent": -hhea.descent,
        "line_gap": hhea.lineGap,
        "glyphs": glyphs,
        "ends": ends,
        "points": points,
        "kerns": kerns,
        "version": font["name"].getDebugName(5),
        "family": font["name"].getDebugName(1),
    }


def rows(items, per_line):
    for i in range(0, len(items), per_line):
        yield "    " + " ".join(items[i:i + per_line])


def emit(out, label, data):
    out.append(f"// {label}: {len(data['glyphs'])} glyphs, {len(data['points'])} points, "
               f"{len(data['kerns'])} kerning pairs.")
    out.append(f"constexpr FaceGlyph k{label}Glyphs[] = {{")
    out.extend(rows([f"{{{c}, {a}, {f}, {n}}}," for c, a, f, n in data["glyphs"]], 6))
    out.append("};")
    out.append(f"constexpr std::uint16_t k{label}ContourEnds[] = {{")
    out.extend(rows([f"{e}," for e in data["ends"]], 16))
    out.append("};")
    out.append(f"constexpr FacePoint k{label}Points[] = {{")
    out.extend(rows([f"{{{x}, {y}, {on}}}," for x, y, on in data["points"]], 8))
    out.append("};")
    out.append(f"constexpr FaceKerning k{label}Kerning[] = {{")
    out.extend(rows([f"{{{l}, {r}, {v}}}," for l, r, v in data["kerns"]], 8))
    out.append("};")
    out.append("")


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    faces = [("Regular", face(TTFont(sys.argv[1]), "regular")),
             ("Bold", face(TTFont(sys.argv[2]), "bold"))]
    out = [
        "// Generated by designs/face/make_outlines.py from Liberation Sans",
        f"// ({faces[0][1]['version']}); do not edit. The outlines are the fonts'",
        "// and under their licence: designs/face/LICENSE.",
        "// clang-format off",
        '#include "designs/face.h"',
        "",
        "namespace kestrin::designs {",
        "namespace {",
        "",
    ]
    for label, data in faces:
        emit(out, label, data)
    out.append("}  // namespace")
    out.append("")
    for label, data in faces:
        out.append(f"const FaceOutlines kFace{label}{{")
        out.append(f"    \"{data['family']}\", {data['units']}, {data['ascent']}, {data['descent']},")
        out.append(f"    {data['line_gap']},")
        out.append(f"    k{label}Glyphs, k{label}ContourEnds, k{label}Points, k{label}Kerning}};")
        out.append("")
    out.append("}  // namespace kestrin::designs")
    print("\n".join(out))


if __name__ == "__main__":
    main()
