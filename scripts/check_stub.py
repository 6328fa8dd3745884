#!/usr/bin/python3
"""Checks the built zedevaviz.exe with pefile, an independent reader of PE files.

The program is the stub that Vandolin copies for every patch, so its shape matters: a
32-bit GUI program that needs no DLL beyond the system's, carrying the main dialog
(template 100), the icon "MAINICON", the manifest and the string table.

Usage: check_stub.py PATH/zedevaviz.exe
Prints one line per failed check and exits 1 when any failed.
"""
import struct
import sys

import pefile

RT_ICON, RT_STRING, RT_GROUP_ICON, RT_DIALOG, RT_MANIFEST = 3, 6, 14, 5, 24

WS_POPUP, WS_CHILD, WS_VISIBLE = 0x80000000, 0x40000000, 0x10000000
WS_CAPTION, WS_SYSMENU, WS_BORDER = 0x00C00000, 0x00080000, 0x00800000
WS_GROUP, WS_TABSTOP = 0x00020000, 0x00010000
DS_MODALFRAME, DS_SETFONT, DS_NOIDLEMSG = 0x80, 0x40, 0x100
WS_EX_DLGMODALFRAME = 0x1
BS_PUSHBUTTON, BS_DEFPUSHBUTTON, BS_AUTOCHECKBOX, BS_GROUPBOX, BS_CENTER = 0, 1, 3, 7, 0x300
SS_LEFT, SS_ICON = 0, 3
ES_LEFT, ES_CENTER, ES_READONLY, ES_AUTOHSCROLL = 0, 1, 0x800, 0x80

# Predefined window classes of a plain dialog template, by their ordinals.
BUTTON, EDIT, STATIC = 0x80, 0x81, 0x82

CHILD = WS_CHILD
SHOWN = WS_CHILD | WS_VISIBLE

# The main dialog's controls in template order: id, class, text (None: ours to choose),
# style, x, y, width, height.
CONTROLS = [
    (1, BUTTON, "Пуск", SHOWN | WS_TABSTOP | BS_DEFPUSHBUTTON, 70, 176, 40, 14),
    (2, BUTTON, "Отмена", SHOWN | WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER, 113, 176, 40, 14),
    (0xFFFF, STATIC, "MAINICON", CHILD | SS_ICON, 8, 4, 21, 20),
    (101, STATIC, None, CHILD | SS_LEFT, 45, 2, 160, 4),
    (102, EDIT, None, SHOWN | WS_TABSTOP | ES_READONLY | ES_CENTER, 35, 10, 162, 12),
    (0xFFFF, BUTTON, "От автора", SHOWN | WS_GROUP | BS_GROUPBOX, 8, 30, 208, 50),
    (0xFFFF, STATIC, None, SHOWN | SS_LEFT, 12, 40, 133, 8),
    (103, EDIT, "", CHILD | WS_TABSTOP | ES_READONLY, 201, 40, 10, 10),
    (0xFFFF, STATIC, None, SHOWN | SS_LEFT, 12, 52, 123, 8),
    (104, EDIT, "", CHILD | WS_TABSTOP | ES_READONLY, 183, 52, 29, 10),
    (0xFFFF, STATIC, None, SHOWN | SS_LEFT, 12, 64, 52, 8),
    (105, EDIT, "", CHILD | WS_TABSTOP | ES_READONLY, 97, 64, 19, 10),
    (106, BUTTON, "Инструкции", SHOWN | WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER, 148, 63, 64, 11),
    (0xFFFF, STATIC, "Исходный файл:", SHOWN | SS_LEFT, 9, 84, 72, 8),
    (107, EDIT, "", SHOWN | WS_BORDER | WS_TABSTOP | ES_LEFT, 8, 93, 208, 12),
    (0xFFFF, STATIC, "Имя файла после русификации:", SHOWN | SS_LEFT, 9, 112, 132, 8),
    (108, EDIT, "", SHOWN | WS_BORDER | WS_TABSTOP | ES_LEFT, 8, 121, 208, 12),
    (111, BUTTON, "Создать резервную копию файла", SHOWN | WS_TABSTOP | BS_AUTOCHECKBOX,
     8, 134, 152, 12),
    (109, "msctls_progress32", "ProgressBar1", SHOWN | WS_BORDER, 8, 148, 208, 13),
    (0xFFFF, STATIC, "Статус:", SHOWN | SS_LEFT, 8, 164, 28, 8),
    (110, STATIC, "status", SHOWN | SS_LEFT, 44, 164, 172, 8),
]

# Texts of the string table that the program shows; identifier -> text, or a prefix when
# the value is a (prefix,) tuple.
STRINGS = {
    65352: "Ошибка",
    65356: "Failed to execute Zedevaviz.\r\nPlease contact the creator and report this error.",
    65357: "Zedevaviz Help",
    65373: ("Invalid patch data. \r\nPlease contact ",),
    65354: "Пуск",
    65350: 'Файл не найден !\r\n("%s")',
}

SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "shell32.dll",
    "advapi32.dll", "msvcrt.dll", "ole32.dll", "oleaut32.dll", "shlwapi.dll", "comdlg32.dll",
    "version.dll", "ws2_32.dll", "ntdll.dll",
}


class Checker:
    def __init__(self):
        self.failures = []

    def expect(self, condition, message):
        if not condition:
            self.failures.append(message)
        return condition


class Reader:
    """Little-endian reads over one resource's bytes; an overrun is a failed check."""

    def __init__(self, data):
        self.data = data
        self.pos = 0

    def take(self, fmt):
        size = struct.calcsize(fmt)
        if self.pos + size > len(self.data):
            raise ValueError("template ends early at offset %d" % self.pos)
        values = struct.unpack_from(fmt, self.data, self.pos)
        self.pos += size
        return values

    def align(self, n):
        self.pos = (self.pos + n - 1) // n * n

    def sz_or_ord(self):
        """A name field: 0 (none), 0xFFFF + ordinal, or a zero-terminated UTF-16 text."""
        (first,) = self.take("<H")
        if first == 0:
            return ""
        if first == 0xFFFF:
            return self.take("<H")[0]
        units = [first]
        while True:
            (unit,) = self.take("<H")
            if unit == 0:
                break
            units.append(unit)
        return struct.pack("<%dH" % len(units), *units).decode("utf-16-le")


def resources(pe):
    """{(type, name): [(language, bytes)]}, names as numbers or upper-case texts."""
    found = {}
    root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    if root is None:
        return found
    for type_entry in root.entries:
        type_key = type_entry.id if type_entry.name is None else str(type_entry.name)
        for name_entry in type_entry.directory.entries:
            name_key = name_entry.id if name_entry.name is None else str(name_entry.name)
            for lang_entry in name_entry.directory.entries:
                data = lang_entry.data.struct
                blob = pe.get_data(data.OffsetToData, data.Size)
                found.setdefault((type_key, name_key), []).append((lang_entry.id, blob))
    return found


def check_header(pe, c):
    c.expect(pe.FILE_HEADER.Machine == 0x14C, "machine is not i386")
    c.expect(pe.OPTIONAL_HEADER.Magic == 0x10B, "not a PE32 image")
    c.expect(pe.OPTIONAL_HEADER.Subsystem == 2, "subsystem is %d, not Windows GUI (2)"
             % pe.OPTIONAL_HEADER.Subsystem)


def check_imports(pe, c):
    for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        dll = entry.dll.decode("ascii", "replace").lower()
        c.expect(dll in SYSTEM_DLLS or dll.startswith("api-ms-win-crt-"),
                 "imports a DLL that is not the system's: %s" % dll)
    imported = {e.dll.decode("ascii", "replace").lower()
                for e in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])}
    for needed in ("user32.dll", "comctl32.dll", "kernel32.dll"):
        c.expect(needed in imported, "does not import %s" % needed)


def check_dialog(res, c):
    entries = res.get((RT_DIALOG, 100))
    if not c.expect(entries and len(entries) == 1, "dialog 100: want exactly one language"):
        return
    r = Reader(entries[0][1])
    style, exstyle, count, x, y, cx, cy = r.take("<IIHhhhh")
    c.expect(style != 0xFFFF0001, "dialog 100 is an extended template")
    c.expect(style == WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT
             | DS_NOIDLEMSG, "dialog 100 style is 0x%08X" % style)
    c.expect(style == 0x80C801C0, "dialog 100 style is not 0x80C801C0")
    c.expect(exstyle == WS_EX_DLGMODALFRAME, "dialog 100 extended style is 0x%X" % exstyle)
    c.expect((x, y, cx, cy) == (21, 18, 226, 194), "dialog 100 at %r" % ((x, y, cx, cy),))
    c.expect(count == len(CONTROLS), "dialog 100 has %d controls" % count)
    menu, cls, title = r.sz_or_ord(), r.sz_or_ord(), r.sz_or_ord()
    c.expect((menu, cls, title) == ("", "", ""), "dialog 100 menu/class/title %r"
             % ((menu, cls, title),))
    (points,) = r.take("<H")
    face = r.sz_or_ord()
    c.expect((points, face) == (9, "MS Shell Dlg"), "dialog 100 font %r" % ((points, face),))
    for index in range(min(count, len(CONTROLS))):
        r.align(4)
        style, exstyle, x, y, cx, cy, ident = r.take("<IIhhhhH")
        cls, text = r.sz_or_ord(), r.sz_or_ord()
        (extra,) = r.take("<H")
        r.pos += extra
        want_id, want_cls, want_text, want_style, wx, wy, wcx, wcy = CONTROLS[index]
        tag = "control %d (id %d)" % (index + 1, want_id if want_id != 0xFFFF else -1)
        c.expect(ident == want_id, "%s: id is %d" % (tag, ident))
        # A class named by text is matched by the system without regard to case (and
        # windres stores it in capitals); predefined classes must be ordinals.
        same_class = cls == want_cls or (isinstance(cls, str) and isinstance(want_cls, str)
                                         and cls.lower() == want_cls.lower())
        c.expect(same_class, "%s: class is %r" % (tag, cls))
        c.expect(style == want_style, "%s: style is 0x%08X, want 0x%08X"
                 % (tag, style, want_style))
        c.expect(exstyle == 0, "%s: extended style 0x%X" % (tag, exstyle))
        c.expect((x, y, cx, cy) == (wx, wy, wcx, wcy), "%s: at %r" % (tag, (x, y, cx, cy)))
        if want_text is None:
            c.expect(isinstance(text, str) and text != "", "%s: has no text" % tag)
        else:
            c.expect(text == want_text, "%s: text is %r" % (tag, text))
        if index == 3:
            c.expect(isinstance(text, str) and text.endswith("\r\n"),
                     "%s: title line does not end in CR LF" % tag)
        c.expect(not style & ES_AUTOHSCROLL or cls != EDIT,
                 "%s: edit scrolls automatically" % tag)
    c.expect(r.pos <= len(r.data), "dialog 100 template overruns its resource")


def check_icon(res, c):
    groups = res.get((RT_GROUP_ICON, "MAINICON"))
    if not c.expect(groups and len(groups) == 1, "no icon group MAINICON"):
        return
    r = Reader(groups[0][1])
    reserved, kind, count = r.take("<HHH")
    c.expect((reserved, kind, count) == (0, 1, 2), "MAINICON header %r"
             % ((reserved, kind, count),))
    sizes = []
    for _ in range(count):
        width, height, colours, _r, planes, bits, size, ident = r.take("<BBBBHHIH")
        sizes.append(width)
        c.expect(width == height, "MAINICON image %d is not square" % ident)
        c.expect(colours == 16 and bits == 4, "MAINICON image %d: %d colours, %d bits"
                 % (ident, colours, bits))
        images = res.get((RT_ICON, ident))
        if not c.expect(images, "MAINICON image %d is missing" % ident):
            continue
        blob = images[0][1]
        c.expect(len(blob) == size, "MAINICON image %d: size %d, group says %d"
                 % (ident, len(blob), size))
        hsize, w, h2, _p, bpp = struct.unpack_from("<IiiHH", blob)
        c.expect((hsize, w, h2, bpp) == (40, width, 2 * width, 4),
                 "MAINICON image %d header %r" % (ident, (hsize, w, h2, bpp)))
    c.expect(sorted(sizes) == [16, 32], "MAINICON sizes %r" % sizes)


def check_manifest(res, c):
    entries = res.get((RT_MANIFEST, 1))
    if not c.expect(entries and len(entries) == 1, "no manifest 24/1"):
        return
    text = entries[0][1].decode("utf-8", "replace")
    dependency = text[text.find("<dependency"):]
    for needed in ('name="Microsoft.Windows.Common-Controls"', 'version="6.0.0.0"',
                   'processorArchitecture="x86"', 'language="*"'):
        c.expect(needed in dependency, "manifest dependency lacks %s" % needed)


def string_table(res):
    """{identifier: text} from every RT_STRING block (16 strings each, counted UTF-16)."""
    table = {}
    for (kind, block), entries in res.items():
        if kind != RT_STRING or not isinstance(block, int):
            continue
        for _lang, blob in entries:
            r = Reader(blob)
            for slot in range(16):
                (length,) = r.take("<H")
                units = r.take("<%dH" % length) if length else ()
                if length:
                    text = struct.pack("<%dH" % length, *units).decode("utf-16-le")
                    table[(block - 1) * 16 + slot] = text
    return table


def check_strings(res, c):
    table = string_table(res)
    for ident, want in STRINGS.items():
        got = table.get(ident)
        if isinstance(want, tuple):
            c.expect(got is not None and got.startswith(want[0]),
                     "string %d is %r, want it to start with %r" % (ident, got, want[0]))
        else:
            c.expect(got == want, "string %d is %r, want %r" % (ident, got, want))
    help_text = table.get(65358, "")
    lines = help_text.split("\r\n")
    c.expect(len(lines) == 10 and not help_text.endswith("\r\n"),
             "help text has %d lines" % len(lines))
    c.expect(all(65344 <= i <= 65535 for i in table), "string identifiers outside the "
             "program's range")


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__.strip().splitlines()[-2])
    c = Checker()
    pe = pefile.PE(sys.argv[1])
    check_header(pe, c)
    check_imports(pe, c)
    res = resources(pe)
    for check in (check_dialog, check_icon, check_manifest, check_strings):
        try:
            check(res, c)
        except ValueError as error:
            c.failures.append("%s: %s" % (check.__name__, error))
    for failure in c.failures:
        print("FAIL:", failure)
    if c.failures:
        return 1
    print("ok: %s" % sys.argv[1])
    return 0


if __name__ == "__main__":
    sys.exit(main())
