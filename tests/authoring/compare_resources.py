#!/usr/bin/python3
"""Judges a patch with python3-pefile, independently of our readers.

usage: compare_resources.py ORIGINAL TRANSLATED PATCHED [LIST_TRANSLATED.json LIST_PATCHED.json]

PATCHED must hold exactly the resources of TRANSLATED, byte for byte, apart from the
version resources, which must be those of ORIGINAL; TRANSLATED must differ from ORIGINAL
(else the check proves nothing), and pefile must read PATCHED without warnings. With the
two listings of `vandolin list --json`, they must agree too, versions aside.
"""
import json
import sys

import pefile

VERSION = 16


def leaves(path):
    pe = pefile.PE(path)
    out = {}
    if hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        for t in pe.DIRECTORY_ENTRY_RESOURCE.entries:
            tid = t.id if t.id is not None else str(t.name)
            for n in t.directory.entries:
                nid = n.id if n.id is not None else str(n.name)
                for lang in n.directory.entries:
                    d = lang.data.struct
                    out[(tid, nid, lang.id)] = pe.get_data(d.OffsetToData, d.Size)
    return pe, out


def split(tree):
    rest = {k: v for k, v in tree.items() if k[0] != VERSION}
    versions = {k: v for k, v in tree.items() if k[0] == VERSION}
    return rest, versions


def listing(path):
    with open(path, encoding="utf-8") as f:
        rows = json.load(f)
    return sorted((r["type"], r["name"], r["languageId"], r["size"], r["description"])
                  for r in rows if r["typeId"] != VERSION)


def main():
    original, translated, patched = sys.argv[1:4]
    _, orig = leaves(original)
    _, trans = leaves(translated)
    pe, got = leaves(patched)
    failures = []
    orig_rest, orig_versions = split(orig)
    trans_rest, _ = split(trans)
    got_rest, got_versions = split(got)
    if trans_rest == orig_rest:
        failures.append("the translation does not differ from the original")
    for key in sorted(set(trans_rest) | set(got_rest), key=str):
        if key not in got_rest:
            failures.append("missing in the patched file: %r" % (key,))
        elif key not in trans_rest:
            failures.append("not in the translation: %r" % (key,))
        elif got_rest[key] != trans_rest[key]:
            failures.append("other bytes: %r" % (key,))
    if got_versions != orig_versions:
        failures.append("the version resources are not the original's")
    warnings = pe.get_warnings()
    if warnings:
        failures.append("pefile warnings: %s" % warnings)
    if len(sys.argv) == 6 and listing(sys.argv[4]) != listing(sys.argv[5]):
        failures.append("vandolin list --json differs between translation and patched file")
    changed = sum(1 for k in trans_rest if orig_rest.get(k) != trans_rest[k])
    print("%d resources compared, %d of them translated, %d version resource(s)"
          % (len(got_rest), changed, len(got_versions)))
    for f in failures:
        print("FAIL:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
