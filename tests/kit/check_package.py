#!/usr/bin/env python3
"""Checks the release packages against what the terminal needs.

usage: check_package.py DIST_DIR VERSION

For win32 and win64: DIST_DIR/ovilex-VERSION-TARGET.zip unpacks into the terminal's folder with
the two libraries and Profixer in experts/libraries/ (where scripts load them and Symwatch starts
Profixer), byte for byte the checked binaries of DIST_DIR/TARGET/; the include files in
experts/include/; the examples in experts/ (experts) or experts/scripts/ (scripts), each using
only include files that the package holds; and a README.
"""
import re
import sys
import zipfile
from pathlib import Path

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAILED:", message)


def check_package(archive, binaries):
    check(archive.is_file(), f"{archive} is missing")
    if not archive.is_file():
        return
    with zipfile.ZipFile(archive) as package:
        check(package.testzip() is None, f"{archive}: a damaged entry")
        names = set(package.namelist())
        for name in ["Ovilex.dll", "Symwatch.dll", "Profixer.exe"]:
            entry = f"experts/libraries/{name}"
            check(entry in names and package.read(entry) == (binaries / name).read_bytes(),
                  f"{archive}: {entry} is missing or not the built {binaries / name}")
        for include in ["Ovilex.mqh", "Symwatch.mqh"]:
            check(f"experts/include/{include}" in names, f"{archive}: experts/include/{include}")
        examples = [n for n in names if n.endswith(".mq4")]
        check(len(examples) >= 5, f"{archive}: only {len(examples)} examples")
        for example in examples:
            check(re.fullmatch(r"experts/(scripts/)?\w+\.mq4", example) is not None,
                  f"{archive}: {example} lies where the terminal does not look")
            for include in re.findall(r"#include\s+<([^>]+)>", package.read(example).decode()):
                check(f"experts/include/{include}" in names,
                      f"{archive}: {example} includes {include}, which is not in the package")
        check(any(n.lower().endswith("readme.txt") and "/" not in n for n in names),
              f"{archive}: no README at the top")
        check(all("\\" not in n and not n.startswith("/") and ".." not in n for n in names),
              f"{archive}: an entry that does not unpack inside the folder")


def main():
    dist, version = Path(sys.argv[1]), sys.argv[2]
    for target in ["win32", "win64"]:
        check_package(dist / f"ovilex-{version}-{target}.zip", dist / target)
    print(f"packages: {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
