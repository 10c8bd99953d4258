#!/usr/bin/env python3
"""Writes the station files in vcoupler/stations/ (format: docs/vcoupler-stations.md).

Run it again after changing a profile here; the files are committed so that
tests and the demo need no generator at build time.
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "stations")

FAMILY_WORD = 48847  # 0xBECF in R248: the coupler carries the family word R246
MARKER = 0x5E3B      # R244: online monitoring available


def runs(regs):
    """Groups {register: value} into (first, [values]) runs of consecutive registers."""
    out = []
    for reg in sorted(regs):
        if out and out[-1][0] + len(out[-1][1]) == reg:
            out[-1][1].append(regs[reg])
        else:
            out.append((reg, [regs[reg]]))
    return out


def table_xml(number, length, regs=None, inputs=False, indent="    "):
    attrs = f'number="{number}" length="{length}"'
    if inputs:
        attrs += ' inputs="1"'
    regs = {r: v for r, v in (regs or {}).items() if v != 0}
    if not regs:
        return [f"{indent}<Table {attrs}/>"]
    lines = [f"{indent}<Table {attrs}>"]
    for first, values in runs(regs):
        for i in range(0, len(values), 16):
            chunk = " ".join(str(v) for v in values[i:i + 16])
            lines.append(f'{indent}  <Regs at="{first + i}">{chunk}</Regs>')
    lines.append(f"{indent}</Table>")
    return lines


def coupler_table0(t0):
    regs = {3: 0x0001, 33: 0xC0A8, 34: 0x0132}  # process image 1 active; 192.168.1.50
    regs.update(t0)
    return regs


def digital(word):
    return {"id": word, "tables": {0: (64, {8: word})}}


def register_terminal(type_number, channels, ext=0, extra=None):
    t0 = {8: type_number, 11: channels << 8, 29: ext, 30: 1}
    tables = {0: (64, t0)}
    for c in range(1, channels):
        tables[c] = (64, {8: type_number})
    for c, regs in (extra or {}).items():
        length, base = tables.setdefault(c, (64, {}))
        base.update(regs)
    return {"id": type_number, "tables": tables}


def station(path, name, t0, terminals, station_id, tables, comment,
            box_module=None, directory=True, cycle_time=1500, coupler_extra=""):
    """tables: {number: (length, regs, inputs)} besides 0 and 9, which come from t0 and the terminals."""
    term_list = {0: t0.pop("T")}
    positions = {}
    pos = 1
    if box_module is not None:
        term_list[1] = box_module["id"]
        positions[1] = box_module
        pos = 2
    for term in terminals:
        term_list[pos] = term["id"]
        positions[pos] = term
        pos += 1
    # A bus controller (kind code 1 in the high byte of register 246) guards its table 1 too.
    guarded = "0 1" if (t0.get(246, 0) & 0xFF00) == 0x100 else "0"
    all_tables = {0: (256, coupler_table0(t0), False), 9: (256, term_list, False)}
    all_tables.update(tables)

    attrs = f'name="{name}" stationId="{station_id}" netId="169.12.1.106.1.1" qnpPort="100" multiPoint="0" rebootMs="600"'
    attrs += f' cycleTime="{cycle_time}" protectedTables="{guarded}"'
    if not directory:
        attrs += ' directory="0"'
    attrs += coupler_extra
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             f"<!-- {comment} -->",
             "<VirtualStation>",
             f"  <Coupler {attrs}>"]
    for number in sorted(all_tables):
        length, regs, inputs = all_tables[number]
        lines += table_xml(number, length, regs, inputs)
    lines.append("  </Coupler>")
    for p in sorted(positions):
        term = positions[p]
        lines.append(f'  <Terminal pos="{p}" id="{term["id"]}">')
        for number in sorted(term["tables"]):
            length, regs = term["tables"][number]
            lines += table_xml(number, length, regs)
        lines.append("  </Terminal>")
    lines.append("</VirtualStation>")
    with open(os.path.join(OUT, path), "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")


def diagnosis():
    return (65, {}, False)


def station_id_table(station_id):
    return (256, {8: station_id}, False)


def process_images():
    tables = {}
    for n in range(110, 114):
        tables[n] = (256, {}, False)
    for n in range(114, 118):
        tables[n] = (256, {}, True)
    return tables


def main():
    os.makedirs(OUT, exist_ok=True)

    # Standard station for the demo: VN6555-5555 with digital and register terminals.
    t = {"T": 6555, 244: MARKER, 246: 0x0001, 247: 0, 248: FAMILY_WORD, 250: 5555, 255: 47616}
    tables = {1: (16, {}, False), 90: diagnosis(), 98: (4, {0: 65535}, False), 100: station_id_table(4711)}
    tables.update(process_images())
    station("vn6555-demo.xml", "VN6555-5555", t,
            [digital(0x8401), digital(0x8202), register_terminal(6853, 4, 1234),
             register_terminal(3001, 2, 7), digital(0x8803)],
            4711, tables, "Standard coupler VN6555-5555: digital 4 in, 2 out, analog 6853 (4 channels), 3001, digital 8 in/out")

    # Family-word coupler VN4555-0000; its directory lists tables 0, 1, 9, 90, 100 and 127.
    t = {"T": 4555, 244: MARKER, 246: 0x0001, 247: 0, 248: FAMILY_WORD, 250: 65535, 255: 47616}
    station("vn4555.xml", "VN4555-0000", t,
            [digital(0x8801), register_terminal(6853, 2, 0)],
            1203, {1: (16, {}, False), 90: diagnosis(), 100: station_id_table(1203)},
            "VN4555-0000 with firmware word 47616: digital 8 in, analog 6853 (2 channels)")

    # Older coupler without the family word: VN3555-0000.
    t = {"T": 3555, 246: 0, 248: 0, 250: 65535, 254: 65535, 255: 260}
    station("vn3555-old.xml", "VN3555-0000", t, [digital(0x8202)], 77,
            {90: (65, {0: 2, 2: 4, 3: 3}, False)},
            "Older coupler VN3555-0000 (no family word); the diagnosis reports a terminal-bus error, code 4, argument 3")

    # Bus controller VR4855-0000: controller views, table 1 settings, cycle time in table 98.
    t = {"T": 4855, 244: MARKER, 246: 0x0100, 247: 0, 248: FAMILY_WORD, 250: 65535, 255: 45056}
    tables = {1: (16, {0: 1, 12: 1500}, False), 90: diagnosis(), 98: (4, {0: 65535}, False),
              100: station_id_table(2601)}
    tables.update(process_images())
    station("vr4855.xml", "VR4855-0000", t, [digital(0x8403), register_terminal(6853, 4, 0)], 2601, tables,
            "Bus controller VR4855-0000: digital 4 in/4 out, analog 6853 (4 channels)")

    # Bus controller with a PLC program's settings in table 1: ten terminals, so the
    # assignment fills register 4 and starts register 5; options: Nov RAM, large model,
    # terminal compare, IOC order, cycle time set by the runtime (bit 11) and bit 12.
    t = {"T": 4855, 244: MARKER, 246: 0x0100, 247: 0, 248: FAMILY_WORD, 250: 65535, 255: 45056}
    codes = [3, 3, 0, 2, 3, 3, 0, 3, 2, 3]
    assign = {}
    for i, code in enumerate(codes):
        reg, shift = 4 + i // 8, 2 * (i % 8)
        assign[reg] = assign.get(reg, 0) | (code << shift)
    assign[5] |= 0xFFF0  # free fields after the last terminal carry 3
    for reg in range(6, 12):
        assign[reg] = 65535
    table1 = {0: 0, 1: 16, 2: 0, 3: 16, 12: 10, 13: 2, 14: 1 | 4 | 16 | 64 | 2048 | 4096, 15: 64}
    table1.update(assign)
    tables = {1: (16, table1, False), 90: diagnosis(), 98: (4, {0: 65535}, False), 100: station_id_table(2602)}
    tables.update(process_images())
    station("vr4855-plc.xml", "VR4855-0000", t,
            [digital(0x8401), digital(0x8202), register_terminal(6853, 4, 0), digital(0x8401), digital(0x8202),
             register_terminal(3001, 2, 7), digital(0x8803), digital(0x8401), digital(0x8202),
             register_terminal(6853, 2, 0)],
            2602, tables, "Bus controller VR4855-0000 with PLC settings: ten terminals assigned to fieldbus "
            "and PLC, options in register 14, cycle time 10 ms", cycle_time=1250)

    # Compact box UR1234-C685-0000 with the mixed integrated module (10000, 11 channels) at position 1.
    t = {"T": 1, 201: 1234, 202: 685, 203: 0, 244: 0, 246: 0x0120, 247: 0, 248: FAMILY_WORD, 250: 65535, 255: 47616}
    module = register_terminal(10000, 11, 0)
    tables = {1: (16, {}, False), 90: diagnosis(), 100: station_id_table(31)}
    tables.update(process_images())
    station("ur1234-mixed.xml", "UR1234-C685-0000", t, [{"id": 0x15, "tables": {0: (64, {8: 0x15})}}], 31, tables,
            "Compact box UR1234-C685-0000: mixed module 10000 at position 1, box digital 8 in/8 out at 2",
            box_module=module)

    # VN4555-0000 without a length directory: only tables 0, 1 and 9.
    t = {"T": 4555, 244: MARKER, 246: 0x0001, 247: 0, 248: FAMILY_WORD, 250: 65535, 255: 47616}
    station("vn4555-nodir.xml", "VN4555-0000", t, [digital(0x8801)], 1204, {1: (16, {}, False)},
            "VN4555-0000 without table 127: only tables 0, 1 and 9", directory=False)

    # A full station: 254 terminals behind a standard coupler.
    t = {"T": 6555, 244: MARKER, 246: 0x0001, 247: 0, 248: FAMILY_WORD, 250: 5555, 255: 47616}
    terms = []
    for p in range(1, 255):
        if p % 3 == 0:
            terms.append(register_terminal(6853, 2, p))
        elif p % 3 == 1:
            terms.append(digital(0x8401))
        else:
            terms.append(digital(0x8202))
    tables = {1: (16, {}, False), 90: diagnosis(), 98: (4, {0: 65535}, False), 100: station_id_table(254)}
    tables.update(process_images())
    station("full254.xml", "VN6555-5555", t, terms, 254, tables,
            "Full station: 254 terminals (digital 4 in, digital 2 out, analog 6853 with 2 channels, repeating)")


if __name__ == "__main__":
    main()
