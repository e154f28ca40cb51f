"""The parts of a PE file (DLL or EXE) that the checks read: its export table and its version
resource, found through the headers with every offset checked."""
import struct

IMAGE_DIRECTORY_ENTRY_EXPORT = 0
IMAGE_DIRECTORY_ENTRY_RESOURCE = 2
RT_VERSION = 16


class FormatError(Exception):
    """The file is not what a PE file or a version resource should be."""


def unpack(fmt, data, offset):
    size = struct.calcsize(fmt)
    if offset < 0 or offset + size > len(data):
        raise FormatError(f"truncated at offset {offset:#x}")
    return struct.unpack_from(fmt, data, offset)


class PeImage:
    """The headers of a PE file that lead to its exports and its resources."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise FormatError("no MZ header")
        (pe_offset,) = unpack("<I", data, 0x3C)
        if data[pe_offset:pe_offset + 4] != b"PE\0\0":
            raise FormatError("no PE signature")
        coff = pe_offset + 4
        _machine, section_count, _, _, _, optional_size, _ = unpack("<HHIIIHH", data, coff)
        optional = coff + 20
        (magic,) = unpack("<H", data, optional)
        if magic == 0x10B:  # PE32
            directory_count_offset, directories = optional + 92, optional + 96
        elif magic == 0x20B:  # PE32+
            directory_count_offset, directories = optional + 108, optional + 112
        else:
            raise FormatError(f"unknown optional header magic {magic:#x}")
        (directory_count,) = unpack("<I", data, directory_count_offset)
        (self.image_base,) = unpack("<I" if magic == 0x10B else "<Q", data,
                                    optional + (28 if magic == 0x10B else 24))

        def directory(index):  # (RVA, size), (0, 0) when the file has no such directory
            return unpack("<II", data, directories + 8 * index) if index < directory_count else (0, 0)

        self.export_rva, _ = directory(IMAGE_DIRECTORY_ENTRY_EXPORT)
        self.resource_rva, self.resource_size = directory(IMAGE_DIRECTORY_ENTRY_RESOURCE)
        self.sections = []
        table = optional + optional_size
        for index in range(section_count):
            entry = table + 40 * index
            virtual_size, virtual_address, raw_size, raw_pointer = unpack(
                "<IIII", data, entry + 8)
            self.sections.append((virtual_address, max(virtual_size, raw_size), raw_size,
                                  raw_pointer))

    def offset_of(self, rva, size):
        """The file offset of `size` bytes at `rva`, which must lie in a section's raw data."""
        for virtual_address, virtual_size, raw_size, raw_pointer in self.sections:
            if virtual_address <= rva and rva + size <= virtual_address + virtual_size:
                if rva + size > virtual_address + raw_size:
                    raise FormatError(f"RVA {rva:#x} lies beyond its section's data")
                return raw_pointer + (rva - virtual_address)
        raise FormatError(f"RVA {rva:#x} lies in no section")

    def zero_terminated(self, rva):
        start = self.offset_of(rva, 1)
        end = self.data.find(b"\0", start)
        if end < 0:
            raise FormatError(f"the text at RVA {rva:#x} is not terminated")
        return self.data[start:end].decode("latin-1")

    def exports(self):
        """{name: address} of the export table, the address being image base + RVA."""
        if self.export_rva == 0:
            return {}
        table = self.offset_of(self.export_rva, 40)
        count, functions, names, ordinals = unpack("<IIII", self.data, table + 24)
        exports = {}
        for index in range(count):
            (name_rva,) = unpack("<I", self.data, self.offset_of(names + 4 * index, 4))
            (ordinal,) = unpack("<H", self.data, self.offset_of(ordinals + 2 * index, 2))
            (rva,) = unpack("<I", self.data, self.offset_of(functions + 4 * ordinal, 4))
            exports[self.zero_terminated(name_rva)] = self.image_base + rva
        return exports

    def version_resource(self):
        """The bytes of the first RT_VERSION resource, or None when there is none."""
        if self.resource_rva == 0 or self.resource_size == 0:
            return None
        base = self.offset_of(self.resource_rva, self.resource_size)

        def entries(directory):
            # IMAGE_RESOURCE_DIRECTORY, then its named entries, then its ID entries.
            named, ids = unpack("<HH", self.data, base + directory + 12)
            for index in range(named + ids):
                name, target = unpack("<II", self.data, base + directory + 16 + 8 * index)
                yield name, target

        def first_entry(directory, wanted_id=None):
            for name, target in entries(directory):
                if name & 0x80000000:
                    continue  # a named entry: neither the type nor what we look for
                if wanted_id is None or name == wanted_id:
                    return target
            return None

        visited = set()

        def subdirectory(target):
            if not target & 0x80000000:
                raise FormatError("a resource directory entry points at data, not a directory")
            offset = target & 0x7FFFFFFF
            if offset in visited:
                raise FormatError("the resource directory loops")
            visited.add(offset)
            return offset

        # Three levels: type, name, language.
        by_type = first_entry(0, RT_VERSION)
        if by_type is None:
            return None
        by_name = next(entries(subdirectory(by_type)), None)
        if by_name is None:
            return None
        by_language = next(entries(subdirectory(by_name[1])), None)
        if by_language is None:
            return None
        data_entry = by_language[1]
        if data_entry & 0x80000000:
            raise FormatError("the version resource's language entry is a directory")
        data_rva, data_size, _code_page, _ = unpack("<IIII", self.data, base + data_entry)
        start = self.offset_of(data_rva, data_size)
        return self.data[start:start + data_size]
