#!/usr/bin/env python3
"""Turns the user guide (Markdown) into the one HTML page the packages carry.

    python3 scripts/guide_html.py docs/guide.md OUT.html --version 1.2.3

Headings get the same anchors as on GitHub, so the guide's own links work in both places; the
pictures keep their relative paths (guide/*.png beside the page). Needs python3-markdown.
"""
import argparse
import html
import re
import sys
from pathlib import Path

STYLE = """
body { font-family: Segoe UI, Tahoma, Verdana, Arial, sans-serif; font-size: 11pt;
       line-height: 1.45; max-width: 46em; margin: 1.5em auto; padding: 0 1em; color: #202020; }
h1, h2, h3 { font-weight: 600; line-height: 1.2; }
h2 { border-bottom: 1px solid #d0d0d0; padding-bottom: .2em; margin-top: 1.8em; }
code { font-family: Consolas, Courier New, monospace; background: #f2f2f2; padding: 0 .2em; }
pre { background: #f2f2f2; padding: .6em; overflow: auto; }
pre code { padding: 0; }
table { border-collapse: collapse; margin: .8em 0; }
th, td { border: 1px solid #c8c8c8; padding: .25em .6em; text-align: left; vertical-align: top; }
th { background: #f2f2f2; }
img { max-width: 100%; }
"""


def github_slug(text):
    """The anchor GitHub gives a heading: lower case, punctuation dropped, spaces as hyphens."""
    text = re.sub(r"<[^>]+>", "", text).strip().lower()
    text = re.sub(r"[^\w\- ]", "", text)
    return text.replace(" ", "-")


def _slugify(value, separator):
    return github_slug(html.unescape(value))


def render(text, title, version=None):
    import markdown  # only the conversion needs it; the link check imports github_slug alone

    body = markdown.markdown(
        text, extensions=["tables", "fenced_code", "toc", "sane_lists"],
        extension_configs={"toc": {"slugify": _slugify}}, output_format="html")
    heading = title + (f" {version}" if version else "")
    return ("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
            f"<title>{html.escape(heading)}</title>\n<style>{STYLE}</style>\n</head>\n"
            f"<body>\n{body}\n</body>\n</html>\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("source", type=Path)
    parser.add_argument("target", type=Path)
    parser.add_argument("--version")
    args = parser.parse_args()
    text = args.source.read_text(encoding="utf-8")
    first = next((line for line in text.splitlines() if line.startswith("# ")), "# Guide")
    args.target.write_text(render(text, first[2:].strip(), args.version), encoding="utf-8")
    return 0


if __name__ == "__main__":
    sys.exit(main())
