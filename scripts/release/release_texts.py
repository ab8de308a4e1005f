#!/usr/bin/env python3
"""The text files of the release archives.

  release_texts.py readme TEMPLATE VERSION OUT
      The end-user readme: TEMPLATE (UTF-8) with @VERSION@ filled in, written as UTF-16 LE
      with a byte-order mark and CR LF line ends. Notepad on Windows XP reads that as
      Unicode on a system of any language, so the Russian and the English halves both show;
      an ANSI file would show one of them only where the system's code page has its letters.
  release_texts.py reference README VERSION OUT
      The kit author's reference: the README's section "Making a setup kit with bramlow"
      (up to the next second-level heading) as one HTML page in UTF-8.

Both check what they wrote and exit 1 when it is not what the archive must hold.
"""
import html
import re
import sys

SECTION = "## Making a setup kit with bramlow"


def write_readme(template_path, version, out_path):
    with open(template_path, encoding="utf-8") as f:
        text = f.read().replace("@VERSION@", version)
    lines = text.rstrip("\n").split("\n")
    data = b"\xff\xfe" + ("\r\n".join(lines) + "\r\n").encode("utf-16-le")
    with open(out_path, "wb") as f:
        f.write(data)
    # What Notepad will see: the mark, then text in which every line ends in CR LF.
    back = data[2:].decode("utf-16-le")
    problems = []
    if "@VERSION@" in back or version not in back:
        problems.append("the version is not filled in")
    if re.search(r"\r(?!\n)|(?<!\r)\n", back):
        problems.append("a line does not end in CR LF")
    if not re.search("[А-Яа-я]", back) or not re.search("[A-Za-z]", back):
        problems.append("the Russian or the English text is missing")
    return problems


def inline(text):
    """Code spans, bold and italics of one line of Markdown, as HTML."""
    parts = text.split("`")
    out = []
    for i, part in enumerate(parts):
        escaped = html.escape(part, quote=False)
        if i % 2 == 1 and i < len(parts) - 1:
            out.append("<code>" + escaped + "</code>")
            continue
        if i % 2 == 1:  # an unpaired backtick stays as it is
            escaped = "`" + escaped
        escaped = re.sub(r"\*\*(.+?)\*\*", r"<b>\1</b>", escaped)
        escaped = re.sub(r"(?<![\w*])\*(?!\s)(.+?)(?<!\s)\*(?![\w*])", r"<i>\1</i>", escaped)
        out.append(escaped)
    return "".join(out)


def table_cells(line):
    """The cells of a table row; a "|" inside a code span belongs to the cell."""
    cells, cell, in_code = [], "", False
    for ch in line.strip().strip("|"):
        if ch == "`":
            in_code = not in_code
        if ch == "|" and not in_code:
            cells.append(cell.strip())
            cell = ""
        else:
            cell += ch
    cells.append(cell.strip())
    return cells


def markdown_to_html(lines):
    """The Markdown the README uses: headings, paragraphs, tables, lists, fenced code."""
    body, paragraph, i = [], [], 0

    def flush():
        if paragraph:
            body.append("<p>" + inline(" ".join(paragraph)) + "</p>")
            paragraph.clear()

    while i < len(lines):
        line = lines[i]
        stripped = line.strip()
        if stripped.startswith("```"):
            flush()
            i += 1
            code = []
            while i < len(lines) and not lines[i].strip().startswith("```"):
                code.append(html.escape(lines[i], quote=False))
                i += 1
            body.append("<pre>" + "\n".join(code) + "</pre>")
        elif stripped.startswith("#"):
            flush()
            level = len(stripped) - len(stripped.lstrip("#"))
            body.append(f"<h{level - 1}>{inline(stripped[level:].strip())}</h{level - 1}>")
        elif stripped.startswith("|"):
            flush()
            rows = []
            while i < len(lines) and lines[i].strip().startswith("|"):
                rows.append(table_cells(lines[i]))
                i += 1
            i -= 1
            table = ["<table>", "<tr>" + "".join(f"<th>{inline(c)}</th>" for c in rows[0]) + "</tr>"]
            for row in rows[1:]:
                if all(re.fullmatch(r":?-+:?", c) for c in row):
                    continue
                table.append("<tr>" + "".join(f"<td>{inline(c)}</td>" for c in row) + "</tr>")
            table.append("</table>")
            body.append("\n".join(table))
        elif stripped.startswith("- "):
            flush()
            items = []
            while i < len(lines) and (lines[i].strip().startswith("- ") or
                                      (items and lines[i].startswith("  ") and lines[i].strip())):
                if lines[i].strip().startswith("- "):
                    items.append(lines[i].strip()[2:])
                else:
                    items[-1] += " " + lines[i].strip()
                i += 1
            i -= 1
            body.append("<ul>" + "".join(f"<li>{inline(t)}</li>" for t in items) + "</ul>")
        elif not stripped:
            flush()
        else:
            paragraph.append(stripped)
        i += 1
    flush()
    return body


PAGE = """<!DOCTYPE html PUBLIC "-//W3C//DTD HTML 4.01//EN" "http://www.w3.org/TR/html4/strict.dtd">
<html>
<head>
<meta http-equiv="Content-Type" content="text/html; charset=utf-8">
<title>{title}</title>
<style type="text/css">
body {{ font-family: Tahoma, Verdana, sans-serif; font-size: 10pt; margin: 1em 2em; }}
table {{ border-collapse: collapse; margin: 0.5em 0; }}
th, td {{ border: 1px solid #999; padding: 3px 6px; vertical-align: top; text-align: left; }}
th {{ background: #e7ecf4; }}
code, pre {{ font-family: "Lucida Console", "Courier New", monospace; }}
</style>
</head>
<body>
<p><i>bramlow {version}. This archive holds the engine (<code>bramlow.exe</code>), the
uninstaller (<code>setup.dat</code>) and, in <code>kit\\</code>, the sample kit ready to run:
start <code>kit\\bramlow.exe</code> to see it.</i></p>
{body}
</body>
</html>
"""


def write_reference(readme_path, version, out_path):
    with open(readme_path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    if SECTION not in lines:
        return [f"the README has no section '{SECTION}'"]
    start = lines.index(SECTION)
    end = next((k for k in range(start + 1, len(lines)) if lines[k].startswith("## ")), len(lines))
    section = lines[start:end]
    body = markdown_to_html(section)
    page = PAGE.format(title=html.escape(SECTION[3:]) + " - bramlow " + version, version=version,
                       body="\n".join(body))
    with open(out_path, "w", encoding="utf-8", newline="\r\n") as f:
        f.write(page)
    # Every heading and every table row of the section made it into the page.
    problems = []
    for line in section:
        if line.startswith("#") and inline(line.lstrip("#").strip()) not in page:
            problems.append(f"heading missing: {line}")
    rows = sum(1 for l in section if l.strip().startswith("|") and not re.fullmatch(r"[|\s:-]+", l.strip()))
    if page.count("<tr>") != rows:
        problems.append(f"{page.count('<tr>')} table rows in the page, {rows} in the README")
    if page.count("<b>") != page.count("</b>") or page.count("<i>") != page.count("</i>"):
        problems.append("unbalanced emphasis")
    return problems


def main(argv):
    if len(argv) != 5 or argv[1] not in ("readme", "reference"):
        print(__doc__, file=sys.stderr)
        return 2
    write = write_readme if argv[1] == "readme" else write_reference
    problems = write(argv[2], argv[3], argv[4])
    for p in problems:
        print(f"release_texts: {argv[4]}: {p}", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
