#!/usr/bin/env python3
"""Judges `vandolin list --json` with Python's own JSON parser: the output must parse, hold
one object per line of the plain listing with the same values, and carry its texts (the
Cyrillic name too) as proper Unicode.

Usage: check_list_json.py [--runner SCRIPT --windows] VANDOLIN FILE.res"""
import argparse
import json
import subprocess
import sys

parser = argparse.ArgumentParser()
parser.add_argument("--runner")
parser.add_argument("--windows", action="store_true")
parser.add_argument("vandolin")
parser.add_argument("image")
opts = parser.parse_args()

prefix = [opts.runner] if opts.runner else []
image = "Z:" + opts.image if opts.windows else opts.image
# The plain listing is in the program's ANSI code page: 1251 in the Russian Wine prefix.
text_encoding = "cp1251" if opts.windows else "utf-8"


def run(*args):
    done = subprocess.run(prefix + [opts.vandolin, *args], capture_output=True, timeout=240)
    if done.returncode != 0:
        sys.exit("vandolin %s failed (%d): %r" % (args, done.returncode, done.stderr))
    return done.stdout


listing = json.loads(run("list", image, "--json").decode("utf-8"))
plain = run("list", image).decode(text_encoding).replace("\r\n", "\n").splitlines()

fields = {"type", "typeId", "name", "nameId", "language", "languageId", "size", "description"}
assert isinstance(listing, list), listing
assert len(listing) == len(plain), (len(listing), len(plain))
for item, line in zip(listing, plain):
    assert set(item) == fields, item
    type_, name, language, size, description = line.split("\t")
    assert item["type"] == type_ and item["name"] == name, (item, line)
    assert language.endswith("0x%04X" % item["languageId"]) or \
        language.endswith("0x%04X)" % item["languageId"]), (item, line)
    assert item["size"] == int(size) and item["description"] == description, (item, line)
    # resfile_basic.res has one named type and three named names.
    assert (item["typeId"] is None) == (item["type"] == "MYTYPE"), item
    assert (item["nameId"] is None) == (item["name"] in ("CONFIG", "GREETING", "Данные")), item
names = [i["name"] for i in listing]
assert "Данные" in names, names
dialogs = [i for i in listing if i["typeId"] == 5]
assert [d["languageId"] for d in dialogs] == [0x409, 0x419], dialogs
print("%d resources, JSON agrees with the listing" % len(listing))
