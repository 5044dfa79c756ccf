#!/usr/bin/env python3
"""Gives the primary picture of a HEIF file, as heif-enc writes it, the rotation (irot) and
mirroring (imir) properties a phone writes, which heif-enc cannot:

    turn-heif.py IN OUT QUARTER_TURNS [MIRROR_AXIS]

QUARTER_TURNS counter-clockwise (0 to 3); MIRROR_AXIS 0 (top and bottom change places) or 1
(left and right). The properties go to the end of the property container and are tied to the
primary item in that order (turn first); every size around them and the picture data's offset
in the location box move by the bytes added."""
import struct
import sys


def children(data, start, end):
    while start < end:
        size, kind = struct.unpack(">I4s", data[start:start + 8])
        yield kind.decode(), start, size
        start += size


src, dst, turns = sys.argv[1], sys.argv[2], int(sys.argv[3])
data = bytearray(open(src, "rb").read())
props = b""
if turns:
    props += struct.pack(">I4sB", 9, b"irot", turns)
if len(sys.argv) > 4:
    props += struct.pack(">I4sB", 9, b"imir", int(sys.argv[4]))
meta = next(s for k, s, n in children(data, 0, len(data)) if k == "meta")
boxes = {k: (s, n) for k, s, n in children(data, meta + 12, meta + struct.unpack(">I", data[meta:meta + 4])[0])}
iprp, iloc = boxes["iprp"][0], boxes["iloc"][0]
inner = {k: (s, n) for k, s, n in children(data, iprp + 8, iprp + boxes["iprp"][1])}
(ipco, ipco_size), (ipma, ipma_size) = inner["ipco"], inner["ipma"]
count = sum(1 for _ in children(data, ipco + 8, ipco + ipco_size))
indices = bytes(0x80 | (count + 1 + i) for i in range(len(props) // 9))
added = len(props) + len(indices)
# The one entry of the association box (version 0): item id, then its count of associations.
data[ipma + 18] += len(indices)
data[ipma + ipma_size:ipma + ipma_size] = indices
data[ipco + ipco_size:ipco + ipco_size] = props
for box, grow in ((meta, added), (iprp, added), (ipco, len(props)), (ipma + len(props), len(indices))):
    struct.pack_into(">I", data, box, struct.unpack(">I", data[box:box + 4])[0] + grow)
# The location box (version 0, 4-byte fields, one item with one extent): the extent's offset.
extent = iloc + 12 + 2 + 2 + 2 + 2 + 4 + 2
struct.pack_into(">I", data, extent, struct.unpack(">I", data[extent:extent + 4])[0] + added)
open(dst, "wb").write(data)
