#!/usr/bin/env python3
"""Checks the script authors' include files against the libraries they import.

usage: check_imports.py KIT_DIR WIN32_BUILD_DIR WIN64_DIST_DIR

Reads every `#import "X.dll"` block of the include files under KIT_DIR and compares each
declaration with X.dll:
  - the name is exported, by the 32-bit and the 64-bit library;
  - the 32-bit library's export is the stdcall function `_name@N` (found by address in the
    unstripped build in WIN32_BUILD_DIR), whose N bytes of arguments match the declaration:
    the number of arguments (all exports take 32-bit ones) and their widths in the terminal
    (double, long, ulong and datetime take 8 bytes; every other value, string, reference or
    array 4);
and that every export of both libraries is declared exactly once.
"""
import re
import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "binaries"))
from pe_image import PeImage  # noqa: E402

EIGHT_BYTE_TYPES = {"double", "long", "ulong", "datetime"}
FOUR_BYTE_TYPES = {"bool", "char", "uchar", "short", "ushort", "int", "uint", "color", "float",
                   "string"}
failures = []


def fail(message):
    failures.append(message)
    print("FAILED:", message)


def import_blocks(text):
    """(library, [declaration text]) for each #import block, comments removed."""
    text = re.sub(r"/\*.*?\*/", " ", text, flags=re.S)
    text = re.sub(r"//[^\n]*", " ", text)
    blocks = []
    for library, body in re.findall(r'#import\s+"([^"]+)"(.*?)#import(?!\s*")', text, flags=re.S):
        blocks.append((library, [d.strip() for d in body.split(";") if d.strip()]))
    return blocks


def parse_declaration(declaration):
    """(name, [argument widths]) of `type name(arguments)`."""
    match = re.fullmatch(r"(?:const\s+)?\w+\s+(\w+)\s*\((.*)\)", declaration, flags=re.S)
    if not match:
        raise ValueError(f"not a function declaration: {declaration!r}")
    name, arguments = match[1], match[2].strip()
    widths = []
    for argument in filter(None, (a.strip() for a in arguments.split(","))):
        type_name = re.sub(r"^const\s+", "", argument).split()[0].rstrip("&")
        if type_name not in EIGHT_BYTE_TYPES | FOUR_BYTE_TYPES:
            raise ValueError(f"{name}: unknown argument type in {argument!r}")
        by_value = "&" not in argument and "[" not in argument
        widths.append(8 if by_value and type_name in EIGHT_BYTE_TYPES else 4)
    return name, widths


def pe_exports(path):
    return PeImage(Path(path).read_bytes()).exports()


def stdcall_symbols(path):
    """{address: (name, argument bytes)} of the stdcall functions in an unstripped 32-bit PE."""
    listing = subprocess.run(["i686-w64-mingw32-nm", str(path)], capture_output=True, text=True,
                             check=True).stdout
    symbols = {}
    for address, name, size in re.findall(r"^([0-9a-f]+) T _(\w+)@(\d+)$", listing, flags=re.M):
        symbols[int(address, 16)] = (name, int(size))
    return symbols


def check_library(library, declarations, win32_build, win64_dist):
    win32 = win32_build / library
    exports32 = pe_exports(win32)
    exports64 = pe_exports(win64_dist / library)
    symbols = stdcall_symbols(win32)
    declared = {}
    for declaration in declarations:
        try:
            name, widths = parse_declaration(declaration)
        except ValueError as error:
            fail(f"{library}: {error}")
            continue
        if name in declared:
            fail(f"{library}: {name} is declared twice")
        declared[name] = widths
        if name not in exports64:
            fail(f"{library}: {name} is not exported by the 64-bit library")
        if name not in exports32:
            fail(f"{library}: {name} is not exported by the 32-bit library")
            continue
        symbol = symbols.get(exports32[name])
        if symbol is None or symbol[0] != name:
            fail(f"{library}: the export {name} is no stdcall function {name}@N")
            continue
        size = symbol[1]
        if len(widths) != size // 4 or sum(widths) != size:
            fail(f"{library}: {name} is declared with {len(widths)} arguments of {sum(widths)} "
                 f"bytes, the library's takes {size // 4} of {size} bytes")
    for name in sorted((set(exports32) | set(exports64)) - set(declared)):
        fail(f"{library}: the export {name} is not declared")
    print(f"{library}: {len(declared)} declarations checked")


def main():
    kit, win32_build, win64_dist = (Path(a) for a in sys.argv[1:4])
    blocks = {}
    for include in sorted(kit.rglob("*.mq[h4]")):
        for library, declarations in import_blocks(include.read_text()):
            if library in blocks:
                fail(f"{library} is imported in more than one place")
            blocks[library] = declarations
    if set(blocks) != {"Ovilex.dll", "Symwatch.dll"}:
        fail(f"the include files import {sorted(blocks)}, not Ovilex.dll and Symwatch.dll")
    for library, declarations in sorted(blocks.items()):
        check_library(library, declarations, win32_build, win64_dist)
    print(f"include-file imports: {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
