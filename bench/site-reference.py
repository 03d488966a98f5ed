#!/usr/bin/env python3
"""The reference for bench/site-vs-python.sh: what a web author would write instead of
`quillveil-encode check` and `protect`, on the standard library's html.parser, one page after
the other. Same address pattern, same places, same output lines; every page is parsed.
Usage: site-reference.py check|protect DIRECTORY"""
import bisect
import html
import os
import re
import sys
from html.parser import HTMLParser

LOCAL = r"A-Za-z0-9!#$%&'*+/=?^_`{|}~.-"
ADDRESS = re.compile(r"(?<![" + LOCAL + r"])\.*([" + LOCAL.replace(".", "") + r"][" + LOCAL +
                     r"]*@(?:[A-Za-z0-9](?:[A-Za-z0-9-]*[A-Za-z0-9])?\.)+"
                     r"(?:xn--[A-Za-z0-9-]*[A-Za-z0-9]|[A-Za-z]{2,}))")
IMAGE = {"png", "jpg", "jpeg", "gif", "svg", "webp", "avif", "bmp", "ico", "tif", "tiff"}
MAILTO = re.compile(r"mailto:", re.IGNORECASE)
ATTRIBUTE = re.compile(r"""([^\s"'>/=]+)\s*=\s*("[^"]*"|'[^']*'|[^\s>]+)""")
SHOWN = {"title", "alt", "aria-label"}


def addresses(text):
    for match in ADDRESS.finditer(text):
        if match.group(1).rsplit(".", 1)[1].lower() not in IMAGE:
            yield match


def encode(text):
    return "".join("&#%d;" % ord(c) if ord(c) < 128 else c for c in text)


class Page(HTMLParser):
    """Records the pieces of a page: (offset, end, place, attribute name, raw tag)."""

    def __init__(self, source):
        super().__init__(convert_charrefs=False)
        self.source = source
        self.lines = [0] + [m.end() for m in re.finditer("\n", source)]
        self.pieces = []
        self.open = []

    def position(self):
        line, column = self.getpos()
        return self.lines[line - 1] + column

    def handle_starttag(self, tag, attrs):
        start = self.position()
        raw = self.get_starttag_text()
        self.pieces.append((start, start + len(raw), "tag", tag, raw))
        self.open.append(tag)

    def handle_startendtag(self, tag, attrs):
        self.handle_starttag(tag, attrs)

    def handle_endtag(self, tag):
        if self.open and self.open[-1] == tag:
            self.open.pop()

    def handle_data(self, data):
        start = self.position()
        place = "text"
        if self.cdata_elem:
            place = {"script": "a script", "style": "a style"}.get(self.cdata_elem, "text")
        elif self.open and self.open[-1] == "textarea":
            place = "a textarea"
        self.pieces.append((start, start + len(data), place, "", ""))

    def handle_comment(self, data):
        start = self.position()
        self.pieces.append((start, start + len(data) + 7, "a comment", "", ""))


def read(path):
    with open(path, encoding="utf-8", newline="") as page:
        source = page.read()
    parser = Page(source)
    parser.feed(source)
    parser.close()
    return source, parser


def attributes(start, raw):
    for match in ATTRIBUTE.finditer(raw):
        value = match.group(2)
        begin = start + match.start(2)
        if value[0] in "\"'":
            value, begin = value[1:-1], begin + 1
        yield match.group(1).lower(), begin, value


def check(path):
    source, parser = read(path)
    starts = [piece[0] for piece in parser.pieces]
    found = []
    found_addresses = {m.start(1): m for m in addresses(source)}
    matches = []
    for m in MAILTO.finditer(source):
        after = found_addresses.pop(m.end(), None)
        matches.append((m.start(), "readable " + source[m.start():after.end() if after else m.end()]))
    matches += [(start, "address " + m.group(1)) for start, m in found_addresses.items()]
    for start, what in sorted(matches):
        index = bisect.bisect_right(starts, start) - 1
        place = "in markup"
        if index >= 0 and start < parser.pieces[index][1]:
            piece = parser.pieces[index]
            place = "in " + piece[2]
            if piece[2] == "tag":
                place = "in attribute " + next((name for name, begin, value in attributes(piece[0], piece[4])
                                                 if begin <= start < begin + len(value)), "?")
        found.append((start, what + " " + place))
    for start, end, place, tag, raw in parser.pieces:
        if place == "tag":
            for name, begin, value in attributes(start, raw):
                url = html.unescape(value)
                if name == "href" and url.lower().startswith("mailto:") and "mailto:" not in value.lower():
                    target = url[7:].split("?")[0]
                    if not all(ADDRESS.fullmatch(a.strip()) for a in target.split(",")):
                        found.append((begin, "protected mailto link with no well-formed address: " + url))
    lines = []
    for start, what in sorted(found):
        line = bisect.bisect_right(parser.lines, start)
        lines.append("%s:%d:%d: %s" % (path, line, start - parser.lines[line - 1] + 1, what))
    return lines


def protect(path):
    source, parser = read(path)
    edits = []
    for start, end, place, tag, raw in parser.pieces:
        if place == "text":
            for match in addresses(source[start:end]):
                edits.append((start + match.start(1), start + match.end(), encode(match.group(1))))
        elif place == "tag":
            for name, begin, value in attributes(start, raw):
                decoded = html.unescape(value)
                if decoded.strip().lower().startswith("mailto:"):
                    if encode(decoded) != value:
                        edits.append((begin, begin + len(value), encode(decoded)))
                else:
                    for match in addresses(value):
                        edits.append((begin + match.start(1), begin + match.end(), encode(match.group(1))))
    if not edits:
        return 0
    pieces, copied = [], 0
    for begin, end, text in sorted(edits):
        pieces += [source[copied:begin], text]
        copied = end
    pieces.append(source[copied:])
    temporary = path + ".tmp"
    with open(temporary, "w", encoding="utf-8", newline="") as out:
        out.write("".join(pieces))
        out.flush()
        os.fsync(out.fileno())
    os.chmod(temporary, os.stat(path).st_mode & 0o7777)
    os.replace(temporary, path)
    return len(edits)


def main():
    command, directory = sys.argv[1], sys.argv[2]
    pages = sorted(os.path.join(folder, name) for folder, _, names in os.walk(directory)
                   for name in names if name.endswith((".html", ".htm")))
    if command == "check":
        found = [line for page in pages for line in check(page)]
        sys.stdout.write("".join(line + "\n" for line in found))
        sys.exit(1 if found else 0)
    changed = sum(protect(page) for page in pages)
    print("%d files read, %d addresses protected" % (len(pages), changed), file=sys.stderr)


main()
