#!/usr/bin/python3
"""Prints what a browser makes of each HTML page named on the command line, as an HTML5
parser independent of ours (html5lib) reads it: every element with its attributes, every
text and comment, references decoded. Pages whose printouts are equal show and link alike.
Usage: decoded-dom.py PAGE...   (one block per page, headed by its name)"""
import sys

import html5lib


def walk(node, depth, out):
    for child in node:
        attributes = sorted((str(k), v) for k, v in child.attrib.items())
        tag = child.tag if isinstance(child.tag, str) else "!--"  # comments: a function
        out.append("%s<%s %r>" % ("  " * depth, tag, attributes))
        if child.text:
            out.append("%s%r" % ("  " * (depth + 1), child.text))
        walk(child, depth + 1, out)
        if child.tail:
            out.append("%s%r" % ("  " * depth, child.tail))


for path in sys.argv[1:]:
    with open(path, encoding="utf-8", newline="") as page:
        tree = html5lib.parse(page.read(), treebuilder="etree", namespaceHTMLElements=False)
    out = ["== " + path]
    walk([tree], 0, out)
    print("\n".join(out))
