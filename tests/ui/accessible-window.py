#!/usr/bin/python3
"""The window as assistive technology and the keyboard reach it.

Starts the program on the display and session bus it is given (see
with-xvfb.sh, dbus-run-session) and reads it through AT-SPI, as a screen
reader does: every control's role, name, label and access key; a large code
with wide characters and combining marks typed in through AT-SPI, generated,
then selected from the keyboard in the read-only view and read back through
its text interface, the clipboard (under every name a program may ask for
text by) and the primary selection; the About box's link. The program must
write no warning and end with status 0 on Escape.
    accessible-window.py QUILLVEIL QUILLVEIL-ENCODE
"""
import os
import subprocess
import sys
import tempfile
import time

import pyatspi

program, encoder = sys.argv[1], sys.argv[2]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what, file=sys.stderr)


def wait_for(find, what, timeout=20):
    end = time.time() + timeout
    while time.time() < end:
        found = find()
        if found:
            return found
        time.sleep(0.2)
    sys.exit(f"FAIL: {what} never appeared")


def walk(node):
    yield node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def key(*keys):
    subprocess.run(["xdotool", "key", "--delay", "40", *keys], check=True)
    time.sleep(0.3)


def clipboard(selection, target):
    result = subprocess.run(["xclip", "-o", "-selection", selection, "-t", target],
                            capture_output=True, timeout=10)
    return result.stdout


# The registry first, so the program finds it when it starts.
pyatspi.Registry.getDesktop(0).childCount
stderr = tempfile.TemporaryFile()
process = subprocess.Popen([program], stderr=stderr)
try:
    app = wait_for(lambda: next((a for a in pyatspi.Registry.getDesktop(0)
                                 if a is not None and a.name == "quillveil"), None),
                   "the program on the accessibility bus")
    window = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name",
                             "^Quillveil$"], capture_output=True, text=True,
                            timeout=20).stdout.split()[0]
    subprocess.run(["xdotool", "windowfocus", "--sync", window], check=True)

    def controls():
        return [n for n in walk(app) if n.getRole() in
                (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_TEXT)
                and showing(n)]

    # Every control: its role, the name its label gives it, the label it is
    # related to, and the access key it answers.
    expected = {
        (pyatspi.ROLE_PUSH_BUTTON, "Generate Code"): ("", "<Alt>g"),
        (pyatspi.ROLE_PUSH_BUTTON, "Preview"): ("", "<Alt>p"),
        (pyatspi.ROLE_PUSH_BUTTON, "Copy"): ("", "<Alt>c"),
        (pyatspi.ROLE_PUSH_BUTTON, "Close"): ("", "<Alt>o"),
        (pyatspi.ROLE_CHECK_BOX, "E-mail"): ("E-mail", "<Alt>e"),
        (pyatspi.ROLE_CHECK_BOX, "Link"): ("Link", "<Alt>l"),
        (pyatspi.ROLE_CHECK_BOX, "Any Text"): ("Any Text", "<Alt>a"),
        (pyatspi.ROLE_TEXT, "Address"): ("Address", None),
        (pyatspi.ROLE_TEXT, "@"): ("@", None),
        (pyatspi.ROLE_TEXT, "Display Name"): ("Display Name", None),
        (pyatspi.ROLE_TEXT, "Subject"): ("Subject", None),
        (pyatspi.ROLE_TEXT, "Link"): ("Link", None),
        (pyatspi.ROLE_TEXT, "Any Text"): ("Any Text", None),
        (pyatspi.ROLE_TEXT, "Code"): ("", None),
    }
    found = {}
    for node in controls():
        label = ""
        for relation in node.getRelationSet():
            if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
                label = relation.getTarget(0).name.strip()
        keys = None
        if node.getRole() != pyatspi.ROLE_TEXT:
            action = node.queryAction()
            keys = action.getKeyBinding(0) if action.nActions else ""
        found[(node.getRole(), node.name)] = (label, keys)
    check(found == expected, f"controls as read: {found}")

    def named(role, name):
        return next(n for n in walk(app) if n.getRole() == role and n.name == name and showing(n))

    # Text typed in through the toolkit's own text interface, as a dictation
    # program would: wide characters, a combining acute on ';', tabs.
    text = "\u6f22\u5b57e\u0301x\t" + "\u304b\u306a\tline of text, \u00e9t\u00e9\n" * 1200
    named(pyatspi.ROLE_CHECK_BOX, "Any Text").queryAction().doAction(0)
    time.sleep(0.3)
    named(pyatspi.ROLE_TEXT, "Any Text").queryEditableText().setTextContents(text)
    named(pyatspi.ROLE_PUSH_BUTTON, "Generate Code").queryAction().doAction(0)
    code = subprocess.run([encoder, "text", text], capture_output=True, text=True,
                          check=True).stdout.rstrip("\n")
    view = wait_for(lambda: next((n for n in walk(app) if n.getRole() == pyatspi.ROLE_TEXT
                                  and n.name == "Code" and showing(n)
                                  and n.queryText().characterCount > 0), None),
                    "the generated code")
    states = view.getState()
    content = view.queryText()
    check(states.contains(pyatspi.STATE_READ_ONLY) and states.contains(pyatspi.STATE_MULTI_LINE)
          and not states.contains(pyatspi.STATE_EDITABLE), "the large view is no read-only text")
    check(view.description.startswith("Read-only: too large to edit here"),
          f"the large view's description: {view.description!r}")
    check(content.characterCount == len(code), f"{content.characterCount} characters, not {len(code)}")
    check(content.getText(0, -1) == code, "the large view's text is not the code")

    # From the keyboard: the caret steps over whole characters, a wide one
    # and a mark with the character it sits on.
    view.queryComponent().grabFocus()
    time.sleep(0.3)
    key("ctrl+Home", *["shift+Right"] * 8)
    selected = content.getSelection(0)
    check(content.caretOffset == 9 and selected == (0, 9),
          f"eight steps: caret {content.caretOffset}, selection {selected}")
    check(content.getText(*selected) == "\u6f22\u5b57&#101;\u0301", "the first eight steps")
    key("shift+Down", "shift+Page_Down", "shift+Left")
    start, end = content.getSelection(0)
    check(start == 0 and end == content.caretOffset and end > 100, f"selection {start}, {end}")
    row_start, row_end = content.getTextAtOffset(end, pyatspi.TEXT_BOUNDARY_LINE_START)[1:]
    check(row_start <= end <= row_end, "the caret's row")
    key("ctrl+c")
    wanted = code[start:end].encode()
    # STRING and TEXT are Latin-1; the toolkit writes other characters as
    # escapes there, as for its own text fields.
    latin1 = "".join(c if ord(c) < 256 else "\\u%04x" % ord(c) for c in code[start:end])
    for target, wanted_here in [("UTF8_STRING", wanted), ("STRING", latin1.encode("latin-1")),
                                ("TEXT", latin1.encode("latin-1")),
                                ("text/plain;charset=utf-8", wanted)]:
        got = clipboard("clipboard", target)
        check(got.replace(b"\r\n", b"\n") == wanted_here, f"the clipboard as {target}: {got[:40]}")
    check(clipboard("primary", "UTF8_STRING") == wanted, "the primary selection")

    # A mouse selection, from character 2 to 20, becomes the primary selection.
    key("ctrl+Home")
    x1, y1, w1, h1 = content.getCharacterExtents(2, pyatspi.DESKTOP_COORDS)
    x2, y2, w2, h2 = content.getCharacterExtents(20, pyatspi.DESKTOP_COORDS)
    check(w1 > 0 and w2 > 0, "characters in sight have no place on the screen")
    subprocess.run(["xdotool", "mousemove", "--sync", str(x1 + 1), str(y1 + h1 // 2), "sleep", "0.2",
                    "mousedown", "1", "sleep", "0.2", "mousemove", "--sync", str(x2 + 1),
                    str(y2 + h2 // 2), "sleep", "0.2", "mouseup", "1"], check=True)
    time.sleep(0.5)
    check(clipboard("primary", "UTF8_STRING") == code[2:20].encode(),
          f"the mouse selection: {clipboard('primary', 'UTF8_STRING')!r}")

    # The About box's link, from the window menu.
    named(pyatspi.ROLE_PUSH_BUTTON, "Copy").queryComponent().grabFocus()
    key("shift+F10", "a")
    link = wait_for(lambda: next((n for n in walk(app) if n.getRole() == pyatspi.ROLE_LINK
                                  and showing(n)), None), "the About box's link")
    check(link.name.startswith("https://"), f"the link's name: {link.name!r}")
    key("Escape")
    key("Escape")
    try:
        status = process.wait(timeout=20)
    except subprocess.TimeoutExpired:
        status = None
    check(status == 0, f"Escape ended the program with status {status}")
finally:
    if process.poll() is None:
        process.kill()
    stderr.seek(0)
    written = stderr.read().decode(errors="replace")
    check("CRITICAL" not in written and "WARNING" not in written and "Warning" not in written,
          f"standard error: {written}")

if failures:
    sys.exit(1)
print("accessible window: ok")
