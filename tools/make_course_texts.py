#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Builds the help documents aide/*.rtf from their sources in tools/course-texts/*.txt.

    python3 tools/make_course_texts.py [repository folder]

The sources are UTF-8 text with a light markup, one block per paragraph:

    @file aide/matériel.rtf     output file (first line)
    @title Configuration ...    document title (RTF \\info)
    = Title                     centred title
    == Heading                  section heading
    === Subheading              subsection heading
    - item                      bulleted item
    1. item                     numbered item (the number is kept as typed)
    ! text                      warning (dark red)
    > text                      note (italic, indented)
    $ text                      formula or example line (indented, blue)
    plain lines                 body text; consecutive lines join into one paragraph
    ? claim / ?= options        a claim of the course's ledger on the paragraph above, with
                                the tool's command that shows it (tools/course_ledger.py);
                                never printed, and a malformed one stops the generator

A block runs until a blank line or the next marker. Inside a block, **bold** and //italic//
mark emphasis. Spaces next to the French quotation marks become non-breaking.

The output is RTF 1 in code page 1252: accented letters as \\'hh escapes, characters
outside the code page as \\uN? (with "?" for readers that do not know \\u).
"""
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import course_ledger  # noqa: E402  (the claims' reader, beside this file)

HEADER = (
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1036"
    "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\fmodern\\fcharset0 Courier New;}}"
    "{\\colortbl ;\\red0\\green0\\blue0;\\red20\\green60\\blue170;"
    "\\red170\\green20\\blue20;\\red0\\green110\\blue50;}"
)
BODY_SIZE = "\\fs22"

# Paragraph openings, by block kind. Every paragraph resets its formatting with \pard
# and \plain so that nothing leaks from one block to the next.
OPEN = {
    "title": "\\pard\\plain\\qc\\sb120\\sa360\\keepn\\f0\\fs40\\b\\cf2 ",
    "h2": "\\pard\\plain\\sb280\\sa120\\keepn\\f0\\fs30\\b\\cf2 ",
    "h3": "\\pard\\plain\\sb180\\sa80\\keepn\\f0\\fs24\\b ",
    "text": "\\pard\\plain\\sa120\\f0" + BODY_SIZE + " ",
    "bullet": "\\pard\\plain\\fi-284\\li568\\sa60\\tx568\\f0" + BODY_SIZE + " \\'95\\tab ",
    "number": "\\pard\\plain\\fi-397\\li681\\sa60\\tx681\\f0" + BODY_SIZE + " ",
    "warning": "\\pard\\plain\\li284\\sb60\\sa120\\f0" + BODY_SIZE + "\\cf3 ",
    "note": "\\pard\\plain\\li568\\sa120\\f0" + BODY_SIZE + "\\i\\cf4 ",
    "formula": "\\pard\\plain\\li1134\\sa60\\f0" + BODY_SIZE + "\\cf2 ",
}


def escape(text):
    out = []
    for ch in text:
        code = ord(ch)
        if ch in "\\{}":
            out.append("\\" + ch)
        elif ch == "\u00a0":
            out.append("\\~")
        elif ch == "\t":
            out.append("\\tab ")
        elif code < 128:
            out.append(ch)
        elif code > 0xFF:
            # Beyond Latin-1 (œ, —, …): as \uN with a "?" fall-back, which every reader
            # understands, rather than a code-page byte that Latin-1 readers misread.
            out.append("\\u%d?" % (code if code < 32768 else code - 65536))
        else:
            try:
                out.append("\\'%02x" % ch.encode("cp1252")[0])
            except UnicodeEncodeError:
                out.append("\\u%d?" % (code if code < 32768 else code - 65536))
    return "".join(out)


def inline(text):
    """Escapes a block's text and turns **bold** and //italic// into RTF groups."""
    text = re.sub(r"« ", "«\u00a0", text)
    text = re.sub(r" ([»:;!?])", "\u00a0\\1", text)
    parts = re.split(r"(\*\*.+?\*\*|//.+?//)", text)
    out = []
    for part in parts:
        if part.startswith("**") and part.endswith("**") and len(part) > 4:
            out.append("{\\b " + escape(part[2:-2]) + "}")
        elif part.startswith("//") and part.endswith("//") and len(part) > 4:
            out.append("{\\i " + escape(part[2:-2]) + "}")
        else:
            out.append(escape(part))
    return "".join(out)


MARKERS = [
    ("=== ", "h3"),
    ("== ", "h2"),
    ("= ", "title"),
    ("- ", "bullet"),
    ("! ", "warning"),
    ("> ", "note"),
    ("$ ", "formula"),
]
NUMBERED = re.compile(r"^(\d+\.|[a-z]\))\s+")


def parse(lines, claims=None):
    """Returns the (kind, text) blocks. Claim lines ("? ..." and "?= ...") are not text:
    they are appended to `claims` as (line number, line, index of the block they follow)."""
    kind, buf = None, []

    def flush():
        nonlocal kind, buf
        if buf:
            yield_list.append((kind, " ".join(buf)))
        kind, buf = None, []

    yield_list = []
    for number, raw in enumerate(lines, 1):
        line = raw.rstrip("\n").rstrip("\r")
        if not line.strip():
            flush()
            continue
        stripped = line.strip()
        if stripped.startswith("?"):
            flush()
            if claims is not None:
                claims.append((number, stripped, len(yield_list) - 1))
            continue
        new_kind = None
        for marker, k in MARKERS:
            if stripped.startswith(marker):
                new_kind, stripped = k, stripped[len(marker):]
                break
        if new_kind is None and NUMBERED.match(stripped):
            new_kind = "number"
        if new_kind is not None:
            flush()
            kind, buf = new_kind, [stripped.strip()]
        elif kind is None:
            kind, buf = "text", [stripped]
        else:
            buf.append(stripped)
    flush()
    return yield_list


def to_rtf(title, blocks):
    out = [HEADER, "{\\info{\\title " + escape(title) + "}}",
           "\\viewkind4\\uc1\\paperw11906\\paperh16838\\margl1134\\margr1134"
           "\\margt1134\\margb1134"]
    for kind, text in blocks:
        body = inline(text)
        if kind == "number":
            m = NUMBERED.match(text)
            body = escape(m.group(1)) + "\\tab " + inline(text[m.end():])
        out.append(OPEN[kind] + body + "\\par")
    out.append("}")
    return "\r\n".join(out) + "\r\n"


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.getcwd()
    sources = os.path.join(os.path.dirname(os.path.abspath(__file__)), "course-texts")
    for name in sorted(os.listdir(sources)):
        if not name.endswith(".txt"):
            continue
        with open(os.path.join(sources, name), encoding="utf-8") as f:
            lines = f.readlines()
        target, title, skipped = None, "", 0
        while lines and lines[0].startswith("@"):
            skipped += 1
            key, _, value = lines.pop(0).strip().partition(" ")
            if key == "@file":
                target = value
            elif key == "@title":
                title = value
        if target is None:
            sys.exit("%s : ligne @file manquante" % name)
        raw = []
        blocks = parse(lines, raw)
        try:
            course_ledger.claims_of(name, blocks, [(n + skipped, t, i) for n, t, i in raw])
        except course_ledger.LedgerError as e:
            sys.exit("affirmation mal écrite : %s" % e)
        path = os.path.join(root, target)
        with open(path, "w", encoding="ascii", newline="") as f:
            f.write(to_rtf(title, blocks))
        print(path)


if __name__ == "__main__":
    main()
