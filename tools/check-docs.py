#!/usr/bin/env python3
"""The documentation holds together: every relative link in README.md and
docs/*.md leads to a file that exists (and, with #anchor, to one of its
headings), and each page shows its example scripts exactly as they run.

    tools/check-docs.py [project root]
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)

# The page and the scripts it shows whole, in the fence of their language.
SHOWN = {
    "README.md": ["examples/quickstart.py", "examples/quickstart.R"],
    "docs/python.md": ["examples/learn_and_draw.py"],
    "docs/r.md": ["examples/learn_and_draw.R"],
    "docs/real-data.md": ["examples/protein_signalling.py", "examples/protein_signalling.R"],
}
FENCES = {".py": "python", ".R": "r"}


def anchor(heading):
    """The anchor a heading gets on the forge that shows the pages."""
    text = re.sub(r"[^\w\- ]", "", heading.strip().lower())
    return text.replace(" ", "-")


def anchors(page):
    text = re.sub(r"```.*?```", "", page.read_text(), flags=re.S)
    return {anchor(m.group(1)) for m in re.finditer(r"^#+ (.*)$", text, flags=re.M)}


def broken_links(page):
    text = re.sub(r"```.*?```", "", page.read_text(), flags=re.S)
    for target in re.findall(r"\]\(([^)\s]+)\)", text):
        if re.match(r"[a-z]+:", target):
            continue
        path, _, fragment = target.partition("#")
        file = (page.parent / path).resolve() if path else page
        if not file.exists():
            yield f"{page.relative_to(ROOT)}: {target}: no such file"
        elif fragment and file.suffix == ".md" and fragment not in anchors(file):
            yield f"{page.relative_to(ROOT)}: {target}: no such heading"


def unshown_scripts():
    for page, scripts in SHOWN.items():
        text = (ROOT / page).read_text()
        for script in scripts:
            fence = FENCES[pathlib.Path(script).suffix]
            if f"```{fence}\n{(ROOT / script).read_text()}```" not in text:
                yield f"{page} does not show {script} as it is"


def main():
    pages = [ROOT / "README.md", *sorted((ROOT / "docs").glob("*.md"))]
    faults = [fault for page in pages for fault in broken_links(page)] + list(unshown_scripts())
    for fault in faults:
        print(fault, file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
