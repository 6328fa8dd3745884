#!/usr/bin/python3
"""Makes a large 32-bit executable for the merge benchmark: a copy of SOURCE with one more
section of SIZE_MB megabytes of pseudo-random bytes after its last one, so that a merge
that grows the resource section has to move all of it.

    make_big_exe.py SOURCE OUTPUT SIZE_MB
"""
import random
import struct
import sys


def align(value, alignment):
    return (value + alignment - 1) // alignment * alignment


def main(source, output, size_mb):
    data = bytearray(open(source, 'rb').read())
    nt = struct.unpack_from('<I', data, 60)[0]
    count = struct.unpack_from('<H', data, nt + 6)[0]
    sa, fa = struct.unpack_from('<II', data, nt + 24 + 32)
    table = nt + 248
    first_raw = min(struct.unpack_from('<I', data, table + 40 * i + 20)[0] or 1 << 31
                    for i in range(count))
    slot = table + 40 * count
    if slot + 40 > first_raw:
        sys.exit('no room for another section header')
    last_vs = struct.unpack_from('<I', data, table + 40 * (count - 1) + 8)[0]
    last_va = struct.unpack_from('<I', data, table + 40 * (count - 1) + 12)[0]
    size = size_mb << 20
    va = align(last_va + last_vs, sa)
    raw = align(len(data), fa)
    data.extend(b'\0' * (raw - len(data)))
    struct.pack_into('<8sIIIIIIHHI', data, slot, b'.big', size, va, size, raw, 0, 0, 0, 0,
                     0x40000040)
    struct.pack_into('<H', data, nt + 6, count + 1)
    struct.pack_into('<I', data, nt + 24 + 56, align(va + size, sa))
    initialized = struct.unpack_from('<I', data, nt + 24 + 8)[0]
    struct.pack_into('<I', data, nt + 24 + 8, initialized + size)
    rng = random.Random(300)
    with open(output, 'wb') as out:
        out.write(data)
        for _ in range(size_mb):
            out.write(rng.randbytes(1 << 20))


if __name__ == '__main__':
    main(sys.argv[1], sys.argv[2], int(sys.argv[3]))
