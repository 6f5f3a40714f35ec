#!/usr/bin/env python3
"""Builds the window's help page from the README's user sections: the introduction, the
window and the workbooks. Copies the pictures it shows next to it.

usage: readme_help.py README.md OUT.html
"""
import html
import os
import re
import shutil
import sys

SECTIONS = ("The window", "Workbooks")


def inline(text):
    out = []
    for i, part in enumerate(re.split(r"`([^`]*)`", text)):
        if i % 2:
            out.append("<code>%s</code>" % html.escape(part))
            continue
        part = html.escape(part, quote=False)
        part = re.sub(r"!\[([^\]]*)\]\(([^)]+)\)", r'<img alt="\1" src="\2">', part)
        part = re.sub(r"\[([^\]]*)\]\(([^)]+)\)", r'<a href="\2">\1</a>', part)
        out.append(part)
    return "".join(out)


def wanted(lines):
    """The title and introduction, then the chosen sections."""
    keep, take = [], True
    for line in lines:
        if line.startswith("## "):
            take = line[3:].strip() in SECTIONS
        if take:
            keep.append(line)
    return keep


def convert(lines):
    body, para, items, table, pre = [], [], [], [], []

    def flush():
        if para:
            body.append("<p>%s</p>" % inline(" ".join(para)))
            para.clear()
        if items:
            body.append("<ul>%s</ul>" % "".join("<li>%s</li>" % inline(i) for i in items))
            items.clear()
        if table:
            rows = [r for r in table if not re.fullmatch(r"\|[-| ]*\|", r)]
            cells = lambda r: [c.strip() for c in r.strip("|").split("|")]
            body.append("<table>%s</table>" % "".join(
                "<tr>%s</tr>" % "".join("<td>%s</td>" % inline(c) for c in cells(r))
                for r in rows if any(cells(r))))
            table.clear()
        if pre:
            body.append("<pre>%s</pre>" % html.escape("\n".join(pre)))
            pre.clear()

    for line in lines:
        if line.startswith("    ") and not items:
            if para or table:
                flush()
            pre.append(line[4:])
            continue
        if pre and line.strip():
            flush()
        if not line.strip():
            if not pre:
                flush()
            continue
        heading = re.match(r"(#+) (.*)", line)
        if heading:
            flush()
            level = len(heading.group(1))
            body.append("<h%d>%s</h%d>" % (level, inline(heading.group(2)), level))
        elif line.startswith("- "):
            if para:
                flush()
            items.append(line[2:].strip())
        elif items and line.startswith("  "):
            items[-1] += " " + line.strip()
        elif line.startswith("|"):
            table.append(line.strip())
        else:
            para.append(line.strip())
    flush()
    return "\n".join(body)


def main():
    source, target = sys.argv[1], sys.argv[2]
    with open(source, encoding="utf-8") as f:
        lines = f.read().splitlines()
    body = convert(wanted(lines))
    os.makedirs(os.path.dirname(target) or ".", exist_ok=True)
    page = ("<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
            "<title>通用数据格式转换工具 帮助</title><style>"
            "body{font-family:sans-serif;max-width:52em;margin:2em auto;line-height:1.5}"
            "img{max-width:100%}td{vertical-align:top;padding:4px}"
            "pre{background:#f4f4f4;padding:.5em}</style></head>\n<body>\n"
            + body + "\n</body></html>\n")
    with open(target, "w", encoding="utf-8") as f:
        f.write(page)
    # The pictures the page names, at the same relative place.
    root = os.path.dirname(os.path.abspath(source))
    for picture in set(re.findall(r'src="([^"]+)"', body)):
        if "://" in picture:
            continue
        origin = os.path.join(root, picture)
        if os.path.isfile(origin):
            destination = os.path.join(os.path.dirname(target), picture)
            os.makedirs(os.path.dirname(destination), exist_ok=True)
            shutil.copyfile(origin, destination)


if __name__ == "__main__":
    main()
