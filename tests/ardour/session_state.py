#!/usr/bin/env python3
"""Reads and edits Korvo-EQ's state in an Ardour session file, standard library only.

  session_state.py chunk SNAPSHOT.ardour SETTINGS
      decode the chunk Ardour saved for Korvo-EQ, print its program name and values,
      exit 1 unless the values equal SETTINGS ("2=0.045,3=0.8,9=0.75"; the others 0.5)
  session_state.py chunk-only SNAPSHOT.ardour OUT.ardour
      write a copy of the snapshot in which Ardour's own record of Korvo-EQ's parameter
      values is reset to the defaults (0.5), so that only the chunk carries the settings

The chunk is the plug-in's bank: one 64-byte program, a 24-byte zero-padded name then
ten little-endian float32 values in parameter order.
"""
import base64
import binascii
import struct
import sys
import xml.etree.ElementTree as ET

NAMES = ["LS-Freq", "LS-Gain", "A-Freq", "A-Gain", "A-Q", "B-Freq", "B-Gain", "B-Q", "HS-Freq", "HS-Gain"]
DEFAULT = 0.5
UNIQUE_ID = str(struct.unpack(">i", b"VXKE")[0])


class StateError(Exception):
    pass


def as_float(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


def wanted_values(settings):
    values = [as_float(DEFAULT)] * len(NAMES)
    for item in filter(None, settings.split(",")):
        index, _, value = item.partition("=")
        values[int(index)] = as_float(float(value))
    return values


def load(path):
    try:
        return ET.parse(path)
    except (OSError, ET.ParseError) as e:
        raise StateError(f"cannot read the session file {path}: {e}")


def effect_processors(tree):
    found = [p for p in tree.iter("Processor")
             if p.get("type") == "lxvst" and p.get("unique-id") == UNIQUE_ID]
    if len(found) != 1:
        raise StateError(f"expected one Korvo-EQ (lxvst, unique-id {UNIQUE_ID}) in the session, found {len(found)}")
    return found[0]


def chunk(path, settings):
    processor = effect_processors(load(path))
    node = processor.find("lxvst/chunk")
    if node is None or not (node.text or "").strip():
        raise StateError(f"{path}: Ardour saved no chunk for Korvo-EQ")
    try:
        blob = base64.b64decode(node.text.strip(), validate=True)
    except binascii.Error as e:
        raise StateError(f"{path}: the chunk is not base64: {e}")
    if len(blob) != 64:
        raise StateError(f"{path}: the chunk has {len(blob)} bytes, not the 64 of one program")
    name = blob[:24].split(b"\0", 1)[0].decode("latin-1")
    values = struct.unpack("<10f", blob[24:])
    wanted = wanted_values(settings)
    print(f"{path.rsplit('/', 1)[-1]}: chunk of {len(blob)} bytes, program '{name}'")
    wrong = []
    for i, (value, want) in enumerate(zip(values, wanted)):
        mark = "" if value == want else f"  (expected {want:.9g})"
        print(f"  {i} {NAMES[i]:8} = {value:.9g}{mark}")
        if value != want:
            wrong.append(str(i))
    if wrong:
        print(f"the chunk's values of parameters {', '.join(wrong)} differ from the settings")
        return 1
    return 0


def chunk_only(src, dst):
    tree = load(src)
    processor = effect_processors(tree)
    controls = [c for c in processor.findall("Controllable") if c.get("parameter") is not None]
    if len(controls) != len(NAMES):
        raise StateError(f"{src}: expected {len(NAMES)} parameter controls on Korvo-EQ, found {len(controls)}")
    for c in controls:
        c.set("value", repr(DEFAULT))
    tree.write(dst, encoding="UTF-8", xml_declaration=True)
    print(f"{dst}: Ardour's parameter values for Korvo-EQ reset to {DEFAULT}; the chunk kept")
    return 0


def main(argv):
    try:
        if len(argv) == 4 and argv[1] == "chunk":
            return chunk(argv[2], argv[3])
        if len(argv) == 4 and argv[1] == "chunk-only":
            return chunk_only(argv[2], argv[3])
    except StateError as e:
        print(e)
        return 2
    print(__doc__.strip(), file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
