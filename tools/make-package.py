#!/usr/bin/env python3
"""Packs a release for the terminal: dist/ovilex-VERSION-TARGET.zip, laid out as the terminal's
folder, so that it can be unpacked straight into it.

usage: make-package.py DIST_DIR VERSION TARGET...   (TARGET: win32, win64)
The binaries come from DIST_DIR/TARGET/; the include files, examples and README from kit/; the
reference for script authors is the project's README.md.
"""
import sys
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
KIT = ROOT / "kit"
BINARIES = ["Ovilex.dll", "Symwatch.dll", "Profixer.exe"]


def contents(dist, target):
    """(source file, path in the archive) pairs."""
    for name in BINARIES:
        yield dist / target / name, f"experts/libraries/{name}"
    for source in sorted((KIT / "experts").rglob("*.mq[h4]")):
        yield source, source.relative_to(KIT).as_posix()
    yield KIT / "README.txt", "Ovilex-README.txt"
    yield ROOT / "README.md", "Ovilex-reference.md"


def main():
    dist, version, targets = Path(sys.argv[1]), sys.argv[2], sys.argv[3:]
    for target in targets:
        archive = dist / f"ovilex-{version}-{target}.zip"
        with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as package:
            for source, name in contents(dist, target):
                package.write(source, name)
        print(archive)


if __name__ == "__main__":
    main()
