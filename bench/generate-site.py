#!/usr/bin/env python3
"""Writes a generated web site for bench/site-vs-python.sh: PAGES pages of about SIZE_KB KiB each,
shaped like a CMS's output (head, navigation, articles, tables, footer), most without any
address, one page in five with several mailto links and addresses in text, attributes and
an inline script. Deterministic for given arguments.
Usage: generate-site.py DIRECTORY PAGES SIZE_KB"""
import os
import random
import sys

directory, pages, size_kb = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
rng = random.Random(2026)
WORDS = ("the site team writes about caf\u00e9 culture, na\u00efve art and \u65e5\u672c "
         "travel; opening hours are nine to five & prices include tax").split()


def sentence():
    return " ".join(rng.choice(WORDS) for _ in range(rng.randint(8, 30))).capitalize() + "."


def paragraph(with_address):
    text = " ".join(sentence() for _ in range(rng.randint(2, 6)))
    if rng.random() < 0.3:
        text += " Read the <a href=\"/blog/%d.html\" title=\"Post %d\">follow-up</a> &amp; more&nbsp;here." % (
            rng.randint(1, 9999), rng.randint(1, 99))
    if with_address and rng.random() < 0.25:
        name = rng.choice(["sales", "info", "press", "j.doe", "team+web"])
        text += (" Questions? Write to <a href=\"mailto:%s@example.org?subject=Question\">%s@example.org</a>"
                 " or %s.desk@example.com." % (name, name, name))
    return "<p>%s</p>\n" % text


def page(number, with_address):
    parts = ["<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
             "<title>Page %d &ndash; Example</title>\n"
             "<link rel=\"stylesheet\" href=\"/css/site.css\">\n"
             "<style>@media (max-width: 40em) { nav a { display: block } }</style>\n" % number]
    if with_address:
        parts.append("<script>var contact = \"webmaster@example.org\";</script>\n")
    parts.append("</head><body>\n<nav><a href=\"/\">Home</a> | <a href=\"/about.html\">About</a>"
                 " | <a href=\"/contact.html\">Contact</a></nav>\n<main>\n")
    if rng.random() < 0.1:
        parts.append("<p>It&#8217;s <em>new</em>.</p>\n")
    budget = size_kb * 1024 * rng.uniform(0.5, 1.5)
    size = 0
    while size < budget:
        if rng.random() < 0.05:
            chunk = ("<table><tr><th>Item<th>Price<tr><td>Tea<td>3.50<tr><td>Cake<td>4.20</table>\n"
                     "<img src=\"/img/p%d.jpg\" srcset=\"/img/p%d@2x.jpg 2x\" alt=\"Photo\">\n"
                     % (number, number))
        else:
            chunk = paragraph(with_address)
        parts.append(chunk)
        size += len(chunk)
    parts.append("</main>\n<footer><p>&copy; 2026 Example Ltd")
    if with_address:
        parts.append(" &middot; <a href=\"mailto:office@example.org\" title=\"office@example.org\">"
                     "office@example.org</a>")
    parts.append("</p></footer>\n</body></html>\n")
    return "".join(parts)


for number in range(pages):
    folder = os.path.join(directory, "section%02d" % (number % 40))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "page%05d.html" % number), "w", encoding="utf-8") as out:
        out.write(page(number, rng.random() < 0.2))
