#!/usr/bin/env python3
"""Checks that the guide's code is the starter's code.

Every fenced code block in docs/guide.md that follows a line
    <!-- source: PATH FIRST-LAST -->
must equal lines FIRST to LAST of PATH (relative to the repository root), and
every cpp block must be tagged so. Exits 1 with the differences otherwise.
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
TAG = re.compile(r"^<!-- source: (\S+) (\d+)-(\d+) -->$")


def blocks(lines):
    """Yields (tag match or None, language, body lines, line number) per fenced block."""
    i = 0
    while i < len(lines):
        if lines[i].startswith("```"):
            language = lines[i][3:].strip()
            start = i
            i += 1
            while i < len(lines) and not lines[i].startswith("```"):
                i += 1
            tag = TAG.match(lines[start - 1]) if start > 0 else None
            yield tag, language, lines[start + 1 : i], start + 1
        i += 1


def main():
    guide = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else ROOT / "docs" / "guide.md"
    lines = guide.read_text().split("\n")
    errors = []
    checked = 0
    for tag, language, body, number in blocks(lines):
        if tag is None:
            if language == "cpp":
                errors.append(f"{guide}:{number}: cpp block without a source tag")
            continue
        path, first, last = ROOT / tag.group(1), int(tag.group(2)), int(tag.group(3))
        source = path.read_text().split("\n") if path.is_file() else []
        if not 1 <= first <= last <= len(source):
            errors.append(f"{guide}:{number}: {tag.group(1)} has no lines {first}-{last}")
        elif source[first - 1 : last] != body:
            errors.append(f"{guide}:{number}: differs from {tag.group(1)} lines {first}-{last}")
        checked += 1
    if checked == 0:
        errors.append(f"{guide}: no tagged code block")
    for error in errors:
        print(error)
    print(f"{checked} code blocks checked, {len(errors)} wrong")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
