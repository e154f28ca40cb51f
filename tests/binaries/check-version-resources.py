#!/usr/bin/env python3
"""Checks the version resource (VERSIONINFO) of every Windows deliverable.

For each of Ovilex.dll, Symwatch.dll, Profixer.exe and ovcall.exe in DIST_DIR/win32 and
DIST_DIR/win64 it walks the PE resource directory to the RT_VERSION resource and checks:
  - the fixed part (VS_FIXEDFILEINFO): its signature, file and product version equal to VERSION
    (padded to four numbers with zeros), file type DLL for a .dll and APP for an .exe;
  - the string table 040904B0 (US English, Unicode) and a Translation that names it;
  - the strings FileVersion and ProductVersion (VERSION), ProductName (the suite's name),
    FileDescription (starts with the file's base name) and OriginalFilename (the file's name).

usage: check-version-resources.py DIST_DIR VERSION
Prints one FAILED line per problem and a summary; exits non-zero when anything failed.
"""

import os
import struct
import sys

from pe_image import FormatError, PeImage, unpack

BINARIES = ["Ovilex.dll", "Symwatch.dll", "Profixer.exe", "ovcall.exe"]
FOLDERS = ["win32", "win64"]
PRODUCT_NAME = "Ovilex add-ons for MetaTrader 4"
LANGUAGE_BLOCK = "040904B0"  # US English, Unicode

VS_FIXEDFILEINFO_SIGNATURE = 0xFEEF04BD
VFT_APP = 1
VFT_DLL = 2


def align4(offset):
    return (offset + 3) & ~3


class Block:
    """One node of a version resource: wLength, wValueLength, wType, szKey, Value, Children."""

    def __init__(self, data, offset, end):
        length, value_length, value_type = unpack("<HHH", data, offset)
        if length < 6 or offset + length > end:
            raise FormatError(f"a version block at {offset:#x} has a bad length {length}")
        self.end = offset + length
        key_start = offset + 6
        key_end = key_start
        while True:
            if key_end + 2 > self.end:
                raise FormatError(f"a version block's key at {key_start:#x} is not terminated")
            if data[key_end:key_end + 2] == b"\0\0":
                break
            key_end += 2
        self.key = data[key_start:key_end].decode("utf-16-le")
        self.value_start = align4(key_end + 2)
        self.value_type = value_type
        # A text value's length counts characters, a binary one's bytes; both end at the
        # children, whose start is known only by the value's length in bytes.
        value_bytes = value_length * 2 if value_type == 1 else value_length
        self.value_end = min(self.value_start + value_bytes, self.end)
        self.data = data

    def value(self):
        return self.data[self.value_start:self.value_end]

    def text(self):
        # The value of a String block, up to its terminator. Some writers count its length in
        # bytes rather than characters; the terminator and the block's end bound it either way.
        raw = self.data[self.value_start:self.end]
        chars = []
        for index in range(0, len(raw) - 1, 2):
            unit = raw[index:index + 2]
            if unit == b"\0\0":
                break
            chars.append(unit)
        return b"".join(chars).decode("utf-16-le", errors="replace")

    def children(self):
        offset = align4(self.value_end)
        while offset + 6 <= self.end:
            child = Block(self.data, offset, self.end)
            yield child
            offset = align4(child.end)


def parse_version_info(resource):
    """The fixed info's fields, the string tables by key, and the Translation pairs."""
    root = Block(resource, 0, len(resource))
    if root.key != "VS_VERSION_INFO":
        raise FormatError(f"the version resource's key is {root.key!r}")
    fixed = root.value()
    if len(fixed) < 52:
        raise FormatError(f"the fixed info holds {len(fixed)} bytes, not 52")
    names = ("signature", "struct_version", "file_ms", "file_ls", "product_ms", "product_ls",
             "flags_mask", "flags", "os", "type", "subtype", "date_ms", "date_ls")
    fixed_info = dict(zip(names, struct.unpack_from("<13I", fixed, 0)))
    tables = {}
    translations = []
    for child in root.children():
        if child.key == "StringFileInfo":
            for table in child.children():
                tables[table.key] = {string.key: string.text() for string in table.children()}
        elif child.key == "VarFileInfo":
            for var in child.children():
                if var.key == "Translation":
                    value = var.value()
                    for index in range(0, len(value) - 3, 4):
                        translations.append(struct.unpack_from("<HH", value, index))
    return fixed_info, tables, translations


def version_numbers(version):
    parts = version.split(".")
    if not 1 <= len(parts) <= 4 or not all(part.isdigit() for part in parts):
        raise ValueError(f"not a version of up to four numbers: {version!r}")
    numbers = [int(part) for part in parts] + [0] * (4 - len(parts))
    if any(number > 0xFFFF for number in numbers):
        raise ValueError(f"a part of {version!r} does not fit in 16 bits")
    return numbers


def show_fixed(ms, ls):
    return f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"


class Checker:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, condition, problem):
        if condition:
            self.passed += 1
        else:
            self.failed += 1
            print(f"FAILED: {problem}")

    def check_binary(self, path, version):
        name = os.path.basename(path)
        base, extension = os.path.splitext(name)
        if not os.path.isfile(path):
            self.check(False, f"{path} is missing")
            return
        try:
            with open(path, "rb") as file:
                resource = PeImage(file.read()).version_resource()
            if resource is None:
                self.check(False, f"{path} has no version resource")
                return
            fixed, tables, translations = parse_version_info(resource)
        except FormatError as error:
            self.check(False, f"{path}: {error}")
            return

        numbers = version_numbers(version)
        expected_ms = (numbers[0] << 16) | numbers[1]
        expected_ls = (numbers[2] << 16) | numbers[3]
        expected_fixed = show_fixed(expected_ms, expected_ls)
        self.check(fixed["signature"] == VS_FIXEDFILEINFO_SIGNATURE,
                   f"{path}: fixed info signature {fixed['signature']:#010x}, "
                   f"not {VS_FIXEDFILEINFO_SIGNATURE:#010x}")
        self.check((fixed["file_ms"], fixed["file_ls"]) == (expected_ms, expected_ls),
                   f"{path}: fixed file version "
                   f"{show_fixed(fixed['file_ms'], fixed['file_ls'])}, not {expected_fixed}")
        self.check((fixed["product_ms"], fixed["product_ls"]) == (expected_ms, expected_ls),
                   f"{path}: fixed product version "
                   f"{show_fixed(fixed['product_ms'], fixed['product_ls'])}, not {expected_fixed}")
        expected_type = {".dll": VFT_DLL, ".exe": VFT_APP}.get(extension.lower())
        self.check(fixed["type"] == expected_type,
                   f"{path}: file type {fixed['type']}, not {expected_type} "
                   f"({'VFT_DLL' if expected_type == VFT_DLL else 'VFT_APP'})")

        language = (int(LANGUAGE_BLOCK[:4], 16), int(LANGUAGE_BLOCK[4:], 16))
        self.check(language in translations,
                   f"{path}: VarFileInfo Translation {translations} does not name "
                   f"{LANGUAGE_BLOCK}")
        # A table's key is hexadecimal; its letters may be of either case.
        table = next((strings for key, strings in tables.items()
                      if key.upper() == LANGUAGE_BLOCK), None)
        self.check(table is not None,
                   f"{path}: no string table {LANGUAGE_BLOCK} (tables: {sorted(tables)})")
        if table is None:
            return

        def check_string(key, condition, expectation):
            value = table.get(key)
            self.check(value is not None and condition(value),
                       f"{path}: {key} is {value!r}, {expectation}" if value is not None
                       else f"{path}: no {key} string")

        check_string("FileVersion", lambda v: v == version, f"not {version!r}")
        check_string("ProductVersion", lambda v: v == version, f"not {version!r}")
        check_string("ProductName", lambda v: v == PRODUCT_NAME, f"not {PRODUCT_NAME!r}")
        check_string("FileDescription", lambda v: v.strip() != "" and v.startswith(base),
                     f"which does not start with {base!r}")
        check_string("OriginalFilename", lambda v: v == name, f"not {name!r}")


def main(argv):
    if len(argv) != 3:
        print("usage: check-version-resources.py DIST_DIR VERSION", file=sys.stderr)
        return 2
    dist, version = argv[1], argv[2]
    try:
        version_numbers(version)
    except ValueError as error:
        print(f"check-version-resources.py: {error}", file=sys.stderr)
        return 2
    checker = Checker()
    for folder in FOLDERS:
        for binary in BINARIES:
            checker.check_binary(os.path.join(dist, folder, binary), version)
    print(f"version-resources: {checker.passed} passed, {checker.failed} failed")
    return 0 if checker.failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
