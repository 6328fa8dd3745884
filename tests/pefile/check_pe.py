#!/usr/bin/python3
"""Independent judge of an executable written by the merge, using python3-pefile.

    check_pe.py SOURCE OUTPUT [RES ...]

SOURCE is the executable before the merge, OUTPUT the merged one, RES the resource
images merged into it, in order. The expected resource tree is computed here from the
source's tree (as pefile reads it) and the images (read by the small reader below):
same type, name and language replaces, the rest is added, version resources (type 16)
never change. Prints every problem found and exits 1 when there is one.
"""
import struct
import sys

import pefile

problems = []


def problem(text):
    problems.append(text)


def align(value, alignment):
    return (value + alignment - 1) // alignment * alignment


def fold(text):
    """Names match with ASCII letters folded, as the program's lookups do."""
    return text.upper() if text.isascii() else text


# ---- resource images -----------------------------------------------------------------

def read_res_name(data, at):
    if struct.unpack_from('<H', data, at)[0] == 0xFFFF:
        return struct.unpack_from('<H', data, at + 2)[0], at + 4
    end = at
    while struct.unpack_from('<H', data, end)[0] != 0:
        end += 2
    return data[at:end].decode('utf-16-le'), end + 2


def read_res(path):
    data = open(path, 'rb').read()
    entries, at = [], 0
    while at + 8 <= len(data):
        data_size, header_size = struct.unpack_from('<II', data, at)
        rtype, p = read_res_name(data, at + 8)
        rname, p = read_res_name(data, p)
        p = align(p, 4)
        language = struct.unpack_from('<H', data, p + 6)[0]
        body = data[at + header_size:at + header_size + data_size]
        if not (rtype == 0 and rname == 0 and data_size == 0):
            entries.append((rtype, rname, language, body))
        at = align(at + header_size + data_size, 4)
    return entries


# ---- resource trees ------------------------------------------------------------------

def ident(entry):
    return entry.name.decode() if entry.name is not None else entry.id


def tree_of(pe):
    """{type: {name: {language: (bytes, codepage)}}} and the raw directory order."""
    tree, order = {}, []
    root = getattr(pe, 'DIRECTORY_ENTRY_RESOURCE', None)
    if root is None:
        return tree, order
    order.append([ident(e) for e in root.entries])
    for t in root.entries:
        names = tree.setdefault(ident(t), {})
        order.append([ident(e) for e in t.directory.entries])
        for n in t.directory.entries:
            langs = names.setdefault(ident(n), {})
            order.append([ident(e) for e in n.directory.entries])
            for leaf in n.directory.entries:
                s = leaf.data.struct
                langs[leaf.id] = (pe.get_data(s.OffsetToData, s.Size), s.CodePage)
    return tree, order


def find_key(mapping, key):
    if isinstance(key, int):
        return key if key in mapping else None
    for k in mapping:
        if isinstance(k, str) and fold(k) == fold(key):
            return k
    return None


def merge(tree, entries):
    for rtype, rname, language, body in entries:
        if rtype == 16 or len(body) == 0:
            continue  # version resources never change; empty ones are refused
        tkey = find_key(tree, rtype)
        if tkey is None:
            tkey = rtype
            tree[tkey] = {}
        nkey = find_key(tree[tkey], rname)
        if nkey is None:
            nkey = rname
            tree[tkey][nkey] = {}
        langs = tree[tkey][nkey]
        codepage = langs[language][1] if language in langs else 0
        langs[language] = (body, codepage)
    return tree


def sort_key(k):
    return (1, k, '') if isinstance(k, int) else (0, 0, k)


# ---- checks --------------------------------------------------------------------------

def check_sections(src, out, out_size):
    oh, fh = out.OPTIONAL_HEADER, out.FILE_HEADER
    fa, sa = oh.FileAlignment, oh.SectionAlignment
    sections = out.sections
    raw = [(s.PointerToRawData, s.SizeOfRawData, s.Name) for s in sections if s.SizeOfRawData]
    expected = min(p for p, _, _ in raw) if raw else 0
    for p, size, name in raw:
        if p != expected:
            problem(f'section {name!r} raw data at {p:#x}, expected {expected:#x} (back to back)')
        if p % fa:
            problem(f'section {name!r} raw data not aligned')
        expected = p + align(size, fa)
    if raw and expected != out_size:
        problem(f'file is {out_size:#x} bytes, sections end at {expected:#x}')
    for a, b in zip(sections, sections[1:]):
        end = a.VirtualAddress + align(a.Misc_VirtualSize or a.SizeOfRawData, sa)
        if b.VirtualAddress != end:
            problem(f'section {b.Name!r} at {b.VirtualAddress:#x}, expected {end:#x}')
    last = sections[-1]
    image = align(last.VirtualAddress + (last.Misc_VirtualSize or last.SizeOfRawData), sa)
    if oh.SizeOfImage != image:
        problem(f'SizeOfImage {oh.SizeOfImage:#x}, sections end at {image:#x}')
    if oh.CheckSum != src.OPTIONAL_HEADER.CheckSum:
        problem('CheckSum changed')
    if fh.PointerToSymbolTable or fh.NumberOfSymbols:
        problem('COFF symbol table still referenced')
    if len(oh.DATA_DIRECTORY) > 4 and (oh.DATA_DIRECTORY[4].VirtualAddress or oh.DATA_DIRECTORY[4].Size):
        problem('certificate table still referenced')
    for s in sections:
        if s.SizeOfRawData == 0 and s.PointerToRawData != 0:
            problem(f'section {s.Name!r} without raw data points at {s.PointerToRawData:#x}')


def check_resource_section(out):
    rsrc = [s for s in out.sections if s.Name.rstrip(b'\0').lower() == b'.rsrc']
    dd = out.OPTIONAL_HEADER.DATA_DIRECTORY[2]
    if not rsrc:
        if dd.VirtualAddress or dd.Size:
            problem('resource directory set without a resource section')
        return None
    if len(rsrc) > 1:
        problem('more than one resource section')
    s = rsrc[0]
    if dd.VirtualAddress != s.VirtualAddress:
        problem(f'data directory 2 at {dd.VirtualAddress:#x}, .rsrc at {s.VirtualAddress:#x}')
    if not 0 < dd.Size <= s.Misc_VirtualSize or dd.Size > s.SizeOfRawData:
        problem(f'data directory 2 size {dd.Size:#x} does not fit .rsrc')
    return s


def section_map(pe):
    seen, result = {}, {}
    for s in pe.sections:
        name = s.Name
        k = seen.get(name, 0)
        seen[name] = k + 1
        result[(name, k)] = s
    return result


def check_unchanged(src, out, src_data, out_data, rsrc_grew_by):
    """Every section but .rsrc keeps its bytes and header; later ones move as a block."""
    outs = section_map(out)
    for key, s in section_map(src).items():
        if key[0].rstrip(b'\0').lower() == b'.rsrc':
            continue
        o = outs.get(key)
        if o is None:
            problem(f'section {key[0]!r} missing')
            continue
        a = src_data[s.PointerToRawData:s.PointerToRawData + s.SizeOfRawData]
        b = out_data[o.PointerToRawData:o.PointerToRawData + o.SizeOfRawData]
        if s.SizeOfRawData != o.SizeOfRawData or a != b:
            problem(f'section {key[0]!r} bytes changed')
        if (s.Misc_VirtualSize, s.Characteristics) != (o.Misc_VirtualSize, o.Characteristics):
            problem(f'section {key[0]!r} header changed')
        delta = o.VirtualAddress - s.VirtualAddress
        if delta not in (0, rsrc_grew_by):
            problem(f'section {key[0]!r} moved by {delta:#x}, .rsrc grew by {rsrc_grew_by:#x}')


def check_directories(src, out, rsrc_va, grew_by):
    sd, od = src.OPTIONAL_HEADER.DATA_DIRECTORY, out.OPTIONAL_HEADER.DATA_DIRECTORY
    for i, (a, b) in enumerate(zip(sd, od)):
        if i in (2, 4):
            continue
        moved = a.VirtualAddress + grew_by if a.VirtualAddress >= rsrc_va and a.Size else a.VirtualAddress
        if (b.VirtualAddress, b.Size) != (moved, a.Size):
            problem(f'data directory {i} is {b.VirtualAddress:#x}/{b.Size}, expected {moved:#x}/{a.Size}')


def check_order(order):
    for names in order:
        keys = [sort_key(k) for k in names]
        if keys != sorted(keys):
            problem(f'directory entries not sorted: {names}')


def virtual_extent(s, sa):
    return align(s.Misc_VirtualSize or s.SizeOfRawData, sa) if s else 0


def main(argv):
    src_path, out_path, res_paths = argv[1], argv[2], argv[3:]
    src_data, out_data = open(src_path, 'rb').read(), open(out_path, 'rb').read()
    src = pefile.PE(data=src_data)
    out = pefile.PE(data=out_data)
    # Warnings the source already earns are not the merge's doing; the byte statistic is
    # about content, not structure.
    inherited = set(src.get_warnings())
    for w in out.get_warnings():
        if not w.startswith('Byte 0x') and w not in inherited:
            problem('pefile: ' + w)

    expected, _ = tree_of(src)
    for path in res_paths:
        expected = merge(expected, read_res(path))
    expected = {t: {n: l for n, l in names.items() if l} for t, names in expected.items()}
    expected = {t: names for t, names in expected.items() if names}
    actual, order = tree_of(out)
    if actual != expected:
        for t in sorted(set(actual) | set(expected), key=sort_key):
            if actual.get(t) != expected.get(t):
                problem(f'type {t}: got {summary(actual.get(t))}, expected {summary(expected.get(t))}')
    check_order(order)

    check_sections(src, out, len(out_data))
    src_rsrc = next((s for s in src.sections if s.Name.rstrip(b'\0').lower() == b'.rsrc'), None)
    out_rsrc = check_resource_section(out)
    sa = out.OPTIONAL_HEADER.SectionAlignment
    grew = virtual_extent(out_rsrc, sa) - virtual_extent(src_rsrc, sa)
    rsrc_va = src_rsrc.VirtualAddress if src_rsrc else (out_rsrc.VirtualAddress if out_rsrc else 0)
    check_unchanged(src, out, src_data, out_data, grew)
    check_directories(src, out, rsrc_va, grew)

    for p in problems:
        print('check_pe: ' + p)
    return 1 if problems else 0


def summary(names):
    if names is None:
        return None
    return {n: {l: (len(d), cp) for l, (d, cp) in langs.items()} for n, langs in names.items()}


if __name__ == '__main__':
    sys.exit(main(sys.argv))
