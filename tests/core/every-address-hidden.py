#!/usr/bin/python3
"""Link mode, protect and check end to end on the shapes of real addresses and mailto links:
whatever link mode or protect writes reads, to an independent HTML5 parser (html5lib), as the
same document, with scripts and without, and check of it finds nothing outside scripts,
styles, comments and textareas.
Usage: every-address-hidden.py QUILLVEIL_ENCODE"""
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
decoder = __import__("html5-decode")

LINKS = [
    '<a href="mailto:me@x.org#top">Write to me@x.org</a>',
    '<a href="mailto:me%40x.org">me@x.org</a>',
    '<a href="mailto:?to=me@x.org&amp;cc=you@y.org">me@x.org, YOU@Y.ORG</a>',
    '<a href="MAILTO:me@x.org?cc=you@y.org" title="Copy to you@y.org">you@y.org</a>',
    '<a href="mailto:leitner@math.fu-berlin.de">leitner@math.fu-berlin.de</a>',
    '<a href="https://x.org/" title="or write to info@xn--bcher-kva.example">mailto: us</a>',
    '<noscript><a href="mailto:me@x.org">me@x.org</a></noscript><a href="/">me@x.org</a>',
]
PAGES = [
    "<p>x@mail.163.com a@a1.b2.example.com c@lists.x-y.org</p>",
    '<a href="mailto:leitner@math.fu-berlin.de">Prof. Leitner</a>',
    '<a href="mailto:?to=user@example.org">Write</a> <a href="mailto:a@x.org?bcc=b@y.org">a</a>',
    "<noscript><p>n@example.org</noscript><p>d@example.org</p>",
    "<head><noscript><p>n@example.org</p></noscript></head><p>o'brien+news@example.ie",
    "<p>Write to first.last@sub.example.co.uk or &lt;office@example.com&gt;.</p>",
] + LINKS
# A style left open inside noscript: a browser with scripts shows the address, one without
# reads it as part of the style, which must not change. Left alone, and both commands say so.
REFUSED = "<noscript><style>.js{display:none}</noscript><p>d@example.org</p>"


def run(*args, stdin=None):
    return subprocess.run(args, input=stdin, capture_output=True)


def main():
    encode = sys.argv[1]
    failures = []
    outputs = []
    for link in LINKS:
        result = run(encode, "link", link)
        if result.returncode != 0:
            failures.append("link %r: status %d %s" % (link, result.returncode, result.stderr))
        else:
            outputs.append((link, result.stdout.decode().removesuffix("\n")))
    for page in PAGES:
        result = run(encode, "protect", "-", stdin=page.encode())
        if result.returncode != 0:
            failures.append("protect %r: status %d %s" % (page, result.returncode, result.stderr))
        elif result.stdout.decode() == page:
            failures.append("protect %r: nothing protected" % page)
        else:
            outputs.append((page, result.stdout.decode()))
    with tempfile.TemporaryDirectory() as folder:
        for source, output in outputs:
            for scripting in (False, True):
                if decoder.describe(output, scripting) != decoder.describe(source, scripting):
                    failures.append("%r reads as another document (scripting %s): %r" % (
                        source, scripting, output))
            path = os.path.join(folder, "page.html")
            with open(path, "w", encoding="utf-8") as out:
                out.write(output)
            check = run(encode, "check", path)
            if check.returncode != 0:
                failures.append("%r: check finds %s in %r" % (source, check.stdout, output))
        refused = run(encode, "protect", "-", stdin=REFUSED.encode())
        path = os.path.join(folder, "refused.html")
        with open(path, "w", encoding="utf-8") as out:
            out.write(REFUSED)
        check = run(encode, "check", path)
        if refused.returncode != 1 or b"protecting it would change how it reads" not in \
                refused.stderr or refused.stdout != REFUSED.encode() or \
                b"address d@example.org in text" not in check.stdout:
            failures.append("a page that cannot be protected is not reported: %r %r" % (
                refused.stderr, check.stdout))
    for failure in failures:
        print("FAIL", failure)
    print("%d failures in %d links and %d pages" % (len(failures), len(LINKS), len(PAGES)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
