#!/usr/bin/python3
"""Prints what a browser makes of an HTML text, read by html5lib: an HTML5 parser of its own,
independent of ours (Debian's python3-html5lib, hence the system interpreter). The parsed
document comes out one node a line, indented by depth, with the decoded values of attributes
and the decoded text. Two texts a browser reads alike print alike.
Usage: html5-decode.py [--bytes] [FILE...]  (UTF-8; standard input without FILE; with several
FILEs, each one's printout is headed by "== FILE"). With --bytes, html5lib is given the bytes
and finds their encoding itself, as a browser does: byte order mark, meta declaration, else
windows-1252."""
import sys

import html5lib


def describe(source, scripting=False):
    """With `scripting`, as a browser that runs scripts reads it: noscript holds raw text then,
    which it never shows, left out here."""
    document = html5lib.parse(source, treebuilder="dom", scripting=scripting)
    document.normalize()  # the tree builder may leave one text in several nodes
    lines = []

    def walk(node, depth):
        if scripting and node.parentNode is not None and \
                getattr(node.parentNode, "tagName", "") == "noscript":
            return
        indent = "  " * depth
        if node.nodeType == node.ELEMENT_NODE:
            attributes = "".join(
                ' %s="%s"' % (name, value) for name, value in node.attributes.items())
            lines.append("%s<%s%s>" % (indent, node.tagName, attributes))
        elif node.nodeType == node.TEXT_NODE:
            lines.append("%s%r" % (indent, node.data))
        elif node.nodeType == node.COMMENT_NODE:
            lines.append("%s<!--%r-->" % (indent, node.data))
        for child in node.childNodes:
            walk(child, depth + 1)

    walk(document, 0)
    return "\n".join(lines) + "\n"


def main():
    args = sys.argv[1:]
    sniff = args[:1] == ["--bytes"]
    if sniff:
        args = args[1:]

    def read(data):
        return data if sniff else data.decode("utf-8")

    if not args:
        sys.stdout.write(describe(read(sys.stdin.buffer.read())))
    elif len(args) == 1:
        sys.stdout.write(describe(read(open(args[0], "rb").read())))
    else:
        for path in args:
            sys.stdout.write("== %s\n" % path)
            sys.stdout.write(describe(read(open(path, "rb").read())))


if __name__ == "__main__":
    main()
