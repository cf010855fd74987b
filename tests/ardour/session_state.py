#!/usr/bin/env python3
"""Reads and edits Korvo-EQ's state in an Ardour session file, standard library only.

  session_state.py [lxvst|vst3|lv2] chunk SNAPSHOT.ardour EXPECTED
      decode the chunk Ardour saved for Korvo-EQ, print its program name and values,
      exit 1 unless they are the EXPECTED ones: for the Linux VST (lxvst, the default)
      SETTINGS such as "2=0.045,3=0.8,9=0.75" (the others 0.5); for VST3 a bank file
      (.fxb) holding the chunk the VST2 module gives for the same settings, which the
      VST3 component state must equal byte for byte; for LV2, whose state is its
      control ports' values, SETTINGS in the parameters' units ("2=1000,3=12"), which
      the ports Ardour saved must hold exactly as floats, every port being there
  session_state.py [lxvst|vst3|lv2] chunk-only SNAPSHOT.ardour OUT.ardour
      write a copy of the snapshot in which Ardour's own record of Korvo-EQ's parameter
      values is reset (lxvst: to the defaults, 0.5; vst3 and lv2: to 0 in each unit), so
      that only the chunk (lv2: the plug-in's saved ports) carries the settings

The chunk is the plug-in's bank: one 64-byte program, a 24-byte zero-padded name then
ten little-endian float32 values in parameter order. Ardour keeps a VST3 plug-in's
state as a VST3 preset: "VST3", a version, the class id, the offset of a chunk list,
the data, then the list ("List", a count, and for each chunk an id such as "Comp",
its offset and size); the component's chunk is the bank followed by the bypass record
("BYPS", its length 4, then 0: not bypassed). The bypass (VST3 parameter 10, LV2 port
"enabled") is Ardour's own, saved beside the ten and left alone by chunk-only.
"""
import base64
import binascii
import struct
import sys
import xml.etree.ElementTree as ET

NAMES = ["LS-Freq", "LS-Gain", "A-Freq", "A-Gain", "A-Q", "B-Freq", "B-Gain", "B-Q", "HS-Freq", "HS-Gain"]
DEFAULT = 0.5
SYMBOLS = ["ls_freq", "ls_gain", "a_freq", "a_gain", "a_q", "b_freq", "b_gain", "b_q", "hs_freq", "hs_gain"]
UNIQUE_ID = str(struct.unpack(">i", b"VXKE")[0])
LV2_URI = "https://vardle.example/plugins/korvo-eq"


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


def effect_processors(tree, format_name):
    found = [p for p in tree.iter("Processor")
             if p.get("type") == format_name and p.get("name") == "Korvo-EQ" and
             (format_name != "lxvst" or p.get("unique-id") == UNIQUE_ID) and
             (format_name != "lv2" or p.get("unique-id") == LV2_URI)]
    if len(found) != 1:
        raise StateError(f"expected one Korvo-EQ ({format_name}) in the session, found {len(found)}")
    return found[0]


def component_state(preset, path):
    """The component's chunk of a VST3 preset."""
    if len(preset) < 48 or preset[:4] != b"VST3":
        raise StateError(f"{path}: Ardour's VST3 state is not a VST3 preset")
    (list_at,) = struct.unpack_from("<q", preset, 40)
    if list_at + 8 > len(preset) or preset[list_at:list_at + 4] != b"List":
        raise StateError(f"{path}: the VST3 preset has no chunk list")
    (count,) = struct.unpack_from("<i", preset, list_at + 4)
    for k in range(count):
        entry = list_at + 8 + 20 * k
        name = preset[entry:entry + 4]
        offset, size = struct.unpack_from("<qq", preset, entry + 4)
        if name == b"Comp":
            return preset[offset:offset + size]
    raise StateError(f"{path}: the VST3 preset has no component state")


def bank_file_chunk(path):
    """The opaque chunk at the end of a bank (.fxb) file: its size, then its bytes."""
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError as e:
        raise StateError(f"cannot read {path}: {e}")
    if len(data) < 64 + 4 or data[:4] != b"CcnK" or data[8:12] != b"FBCh":
        raise StateError(f"{path} is not a bank file holding a chunk")
    (size,) = struct.unpack_from(">i", data, len(data) - 64 - 4)
    if size != 64:
        raise StateError(f"{path}: its chunk has {size} bytes, not 64")
    return data[-64:]


def lv2_ports(path, settings):
    """The LV2 plug-in's state in the session: its ports' values."""
    processor = effect_processors(load(path), "lv2")
    saved = {port.get("symbol"): port.get("value") for port in processor.findall("lv2/Port")}
    if sorted(saved) != sorted(SYMBOLS + ["enabled"]):
        raise StateError(f"{path}: Ardour saved the ports {sorted(saved)}, not Korvo-EQ's ten and its bypass")
    if float(saved["enabled"]) != 1.0:
        raise StateError(f"{path}: Ardour saved Korvo-EQ bypassed (enabled = {saved['enabled']})")
    given = {}
    for item in filter(None, settings.split(",")):
        index, _, value = item.partition("=")
        given[int(index)] = as_float(float(value))
    print(f"{path.rsplit('/', 1)[-1]}: Korvo-EQ's ports")
    wrong = []
    for i, symbol in enumerate(SYMBOLS):
        value = float(saved[symbol])
        good = i not in given or value == given[i]
        print(f"  {i} {symbol:8} = {value:.9g}" + ("" if good else f"  (expected {given[i]:.9g})"))
        if not good:
            wrong.append(str(i))
    if wrong:
        print(f"the saved values of ports {', '.join(wrong)} differ from the settings")
        return 1
    return 0


def chunk(path, expected, format_name):
    if format_name == "lv2":
        return lv2_ports(path, expected)
    processor = effect_processors(load(path), format_name)
    node = processor.find(f"{format_name}/chunk")
    if node is None or not (node.text or "").strip():
        raise StateError(f"{path}: Ardour saved no chunk for Korvo-EQ")
    try:
        blob = base64.b64decode(node.text.strip(), validate=True)
    except binascii.Error as e:
        raise StateError(f"{path}: the chunk is not base64: {e}")
    if format_name == "vst3":
        blob = component_state(blob, path)
        if len(blob) != 76 or blob[64:] != b"BYPS" + struct.pack("<II", 4, 0):
            raise StateError(f"{path}: the component state ({len(blob)} bytes) is not the chunk then the bypass off")
        blob = blob[:64]
    if len(blob) != 64:
        raise StateError(f"{path}: the chunk has {len(blob)} bytes, not the 64 of one program")
    name = blob[:24].split(b"\0", 1)[0].decode("latin-1")
    values = struct.unpack("<10f", blob[24:])
    if format_name == "vst3":
        reference = bank_file_chunk(expected)
        wanted = list(struct.unpack("<10f", reference[24:]))
        if blob[:24] != reference[:24]:
            print(f"the program name differs from the VST2 module's: {reference[:24]!r}")
            return 1
    else:
        wanted = wanted_values(expected)
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


def chunk_only(src, dst, format_name):
    tree = load(src)
    processor = effect_processors(tree, format_name)
    controls = [c for c in processor.findall("Controllable")
                if c.get("parameter") is not None and int(c.get("parameter")) < len(NAMES)]
    if format_name == "vst3":
        controls += [p for p in processor.findall("vst3/Port") if int(p.get("id")) < len(NAMES)]
    if len(controls) != len(NAMES) * (2 if format_name == "vst3" else 1):
        raise StateError(f"{src}: expected {len(NAMES)} parameter controls on Korvo-EQ, found {len(controls)}")
    reset = DEFAULT if format_name == "lxvst" else 0.0
    for c in controls:
        c.set("value", repr(reset))
    tree.write(dst, encoding="UTF-8", xml_declaration=True)
    kept = "the plug-in's ports" if format_name == "lv2" else "the chunk"
    print(f"{dst}: Ardour's parameter values for Korvo-EQ reset to {reset}; {kept} kept")
    return 0


def main(argv):
    format_name = argv.pop(1) if len(argv) > 1 and argv[1] in ("lxvst", "vst3", "lv2") else "lxvst"
    try:
        if len(argv) == 4 and argv[1] == "chunk":
            return chunk(argv[2], argv[3], format_name)
        if len(argv) == 4 and argv[1] == "chunk-only":
            return chunk_only(argv[2], argv[3], format_name)
    except StateError as e:
        print(e)
        return 2
    print(__doc__.strip(), file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
