#!/usr/bin/python3
"""Link mode checked by an independent HTML5 parser: for each pasted anchor, quillveil-encode's
code must read, to html5lib, as exactly the same document (targets, text, every attribute),
while the addresses stay unreadable in its source outside comments, scripts and style sheets.
Usage: link-mode-in-browsers.py QUILLVEIL_ENCODE"""
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
decoder = __import__("html5-decode")

NOT_CLOSED = "Invalid link, the 'href' value is not closed"

# (pasted anchor, texts that must not stay readable, or the warning expected)
CASES = [
    ('<a href="mailto:me@example.org">me@example.org</a>', ["me@example.org", "mailto"]),
    ('<a data-href="#top" href="mailto:me@x.org">Mail</a>', ["me@x.org", "mailto"]),
    ("<a title='see href=\"x\"' href=\"mailto:me@x.org\">", ["me@x.org", "mailto"]),
    ('<!-- old href="x" --> <a href="mailto:me@x.org">', ["me@x.org", "mailto"]),
    ('<!-- x --!> <a href=mailto:me@x.org>Mail</a>', ["me@x.org", "mailto"]),
    ('<a href = "mailto:me@x.org">Mail</a>', ["me@x.org", "mailto"]),
    ('<a href="mailto:me@x.org>Mail</a>', NOT_CLOSED),
    ('<a href="http://x.org/?a=1&amp">t</a>', ["x.org"]),
    ('<a href="red">x</a><style>p{color:red}</style>', ["red"]),
    # Every address of the list, in any letter case, written plainly or with references.
    ('<a href="MAILTO:Me@X.org,you@y.org?subject=me@x.org" title="me@x.org">'
     'ME@X.ORG, you&#64;y.org</a>', ["me@x.org", "you@y.org", "mailto"]),
    # Letters after "&amp" that keep it from being a reference in an attribute.
    ('<a href="x" title="&ampx">x&ampx</a>', ["x"]),
    ('<table><a href="mailto:me@x.org">me@x.org\r\n</a><tr><td>me@x.org</table>',
     ["me@x.org", "mailto"]),
]


def readable(code):
    """The code without comments, scripts and style sheets, in lower case."""
    code = re.sub(r"<!--.*?--!?>", "", code, flags=re.S)
    code = re.sub(r"<(script|style)\b.*?</\1>", "", code, flags=re.S | re.I)
    return code.lower()


def main():
    encode = sys.argv[1]
    failures = 0
    for link, expected in CASES:
        result = subprocess.run([encode, "link", link], capture_output=True)
        # The code ends with a line break of its own.
        code, message = result.stdout.decode().removesuffix("\n"), result.stderr.decode().strip()
        if isinstance(expected, str):
            problem = None if (result.returncode, message) == (1, expected) else \
                "expected warning %r, got status %d: %r %r" % (
                    expected, result.returncode, message, code)
        elif result.returncode != 0:
            problem = "status %d: %s" % (result.returncode, message)
        elif decoder.describe(code) != decoder.describe(link):
            problem = "reads as another document:\n%s\n%s" % (
                decoder.describe(link), decoder.describe(code))
        else:
            left = [text for text in expected if text.lower() in readable(code)]
            problem = "%s still readable in %r" % (left, code) if left else None
        if problem:
            failures += 1
            print("FAIL %r: %s" % (link, problem))
    print("%d of %d cases failed" % (failures, len(CASES)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
