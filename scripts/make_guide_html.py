#!/usr/bin/env python3
"""Makes UserGuide.html from the text guide (the build runs it on the text
guide it ships, version filled in), so both say the same.

  make_guide_html.py UserGuide.txt UserGuide.html

The text guide's layout is read as it looks: a line underlined with "===" is
the title and one underlined with "---" a section; blocks are separated by
blank lines. A block that starts "1. " opens a numbered item, and blocks
indented as far as its text continue it; any other indented block (tables of
commands, examples) keeps its lines as they are. The rest are paragraphs.
"""

import html
import re
import sys

def esc(text):
    return html.escape(text, quote=False)


ITEM = re.compile(r"^(\d+)\. ")
STYLE = """body { font-family: "Segoe UI", "Microsoft YaHei", sans-serif; max-width: 52em;
  margin: 2em auto; padding: 0 1em; line-height: 1.45; color: #222; background: #fff; }
h1 { border-bottom: 2px solid #888; } h2 { border-bottom: 1px solid #ccc; margin-top: 2em; }
pre { background: #f4f4f4; padding: .5em .8em; overflow-x: auto; }
nav li { margin: .15em 0; }
@media (prefers-color-scheme: dark) { body { color: #ddd; background: #1e1e1e; }
  pre { background: #2a2a2a; } a { color: #8cf; } }"""


def blocks(lines):
    """Blank-line separated blocks of lines, trailing spaces gone."""
    block = []
    for line in lines + [""]:
        line = line.rstrip()
        if line:
            block.append(line)
        elif block:
            yield block
            block = []


def indent(line):
    return len(line) - len(line.lstrip(" "))


def anchor(title, used):
    base = re.sub(r"[^a-z0-9]+", "-", title.lower()).strip("-") or "section"
    name, n = base, 1
    while name in used:
        n += 1
        name = "%s-%d" % (base, n)
    used.add(name)
    return name


def convert(text):
    title, body, toc, used = "", [], [], set()
    item_indent = None          # the text column of the open numbered item
    for block in blocks(text.replace("\r\n", "\n").split("\n")):
        # A heading may carry the start of the block after it.
        while len(block) >= 2 and re.fullmatch(r"(=+|-+)", block[1]) and len(block[1]) >= 3:
            if block[1][0] == "=":
                title = block[0]
                body.append("<h1>%s</h1>" % esc(title))
            else:
                name = anchor(block[0], used)
                toc.append('<li><a href="#%s">%s</a></li>' % (name, esc(block[0])))
                body.append('<h2 id="%s">%s</h2>' % (name, esc(block[0])))
            item_indent = None
            block = block[2:]
        if not block:
            continue
        first = indent(block[0])
        m = ITEM.match(block[0])
        if first == 0 and m:
            item_indent = len(m.group(0))
            text_lines = [block[0][item_indent:]] + [l.strip() for l in block[1:]]
            body.append('<p class="item"><b>%s.</b> %s</p>' % (
                m.group(1), esc(" ".join(text_lines))))
        elif first == 0 or (item_indent is not None and first == item_indent and
                            all(indent(l) == first for l in block)):
            if first == 0:
                item_indent = None
            tag = '<p class="cont">' if first else "<p>"
            body.append(tag + esc(" ".join(l.strip() for l in block)) + "</p>")
        else:
            cut = min(indent(l) for l in block)
            body.append("<pre>%s</pre>" % esc("\n".join(l[cut:] for l in block)))
    head = ('<!DOCTYPE html>\n<html lang="en">\n<head>\n<meta charset="utf-8">\n'
            '<meta name="viewport" content="width=device-width, initial-scale=1">\n'
            "<title>%s</title>\n<style>\n%s\n.cont { margin-left: 2em; }\n</style>\n</head>\n"
            "<body>\n" % (esc(title or "User guide"), STYLE))
    nav = "<nav><ul>\n%s\n</ul></nav>\n" % "\n".join(toc) if toc else ""
    # The title stays first; the contents follow it.
    if body and body[0].startswith("<h1>"):
        return head + body[0] + "\n" + nav + "\n".join(body[1:]) + "\n</body>\n</html>\n"
    return head + nav + "\n".join(body) + "\n</body>\n</html>\n"


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: make_guide_html.py GUIDE.txt GUIDE.html\n")
        return 2
    with open(argv[1], encoding="utf-8") as f:
        text = f.read()
    with open(argv[2], "w", encoding="utf-8", newline="\r\n") as f:
        f.write(convert(text))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
