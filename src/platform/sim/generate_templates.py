#!/usr/bin/env python3
"""Writes the simulated Windows' dialog templates from the resource script.

    generate_templates.py installer.rc resource.h out.cpp

The script's dialogs are read in the one form it writes them in (DIALOGEX,
STYLE, EXSTYLE, CAPTION, FONT, and every control as a CONTROL statement), and
anything else inside a dialog stops the build, so that the table can never
describe a control the script does not have. Styles are evaluated to the
numbers the resource compiler writes (the checks against the compiled program
compare them) and reduced to the facts the headless dialog acts on.
"""
import re
import sys

# The styles the script may use, with their values from the Windows headers.
STYLE_VALUES = {
    "WS_POPUP": 0x80000000, "WS_CHILD": 0x40000000, "WS_VISIBLE": 0x10000000,
    "WS_DISABLED": 0x08000000, "WS_CAPTION": 0x00C00000, "WS_BORDER": 0x00800000,
    "WS_VSCROLL": 0x00200000, "WS_SYSMENU": 0x00080000, "WS_GROUP": 0x00020000,
    "WS_TABSTOP": 0x00010000, "DS_SETFONT": 0x40, "DS_MODALFRAME": 0x80,
    "WS_EX_TOOLWINDOW": 0x80, "WS_EX_CLIENTEDGE": 0x200,
    "SS_LEFT": 0, "ES_LEFT": 0, "ES_AUTOHSCROLL": 0x80,
    "CBS_DROPDOWNLIST": 3, "CBS_SORT": 0x100,
    "BS_PUSHBUTTON": 0, "BS_DEFPUSHBUTTON": 1, "BS_CHECKBOX": 2, "BS_AUTOCHECKBOX": 3,
    "BS_GROUPBOX": 7,
    "LVS_REPORT": 1, "LVS_SINGLESEL": 4, "LVS_SHOWSELALWAYS": 8,
}
# Style name -> the sim's ctl:: bit.
FLAGS = {
    "WS_DISABLED": "kDisabled", "BS_DEFPUSHBUTTON": "kDefaultButton", "CBS_SORT": "kSorted",
    "CBS_DROPDOWNLIST": "kDropDownList", "BS_AUTOCHECKBOX": "kAutoCheck",
    "LVS_SINGLESEL": "kSingleSel", "LVS_SHOWSELALWAYS": "kShowSelAlways", "LVS_REPORT": "kReport",
    "WS_BORDER": "kBorder", "WS_VSCROLL": "kVScroll", "ES_AUTOHSCROLL": "kAutoHScroll",
}
KINDS = {"static": "kStatic", "edit": "kEdit", "combobox": "kCombo",
         "syslistview32": "kListView", "msctls_progress32": "kProgress"}
# Ids the script takes from the Windows headers, as the code names them.
PREDEFINED_IDS = {"IDOK": ("plat::kIdOk", 1), "IDCANCEL": ("plat::kIdCancel", 2),
                  "IDC_STATIC": ("kNoControlId", -1), "-1": ("kNoControlId", -1)}


class ScriptError(Exception):
    pass


def split_fields(text):
    """Splits at commas outside string literals ("" is a quote inside one)."""
    fields, current, quoted, i = [], "", False, 0
    while i < len(text):
        c = text[i]
        if c == '"' and quoted and text[i + 1:i + 2] == '"':
            current += '""'
            i += 2
            continue
        if c == "\\" and quoted:
            current += text[i:i + 2]
            i += 2
            continue
        if c == '"':
            quoted = not quoted
        if c == "," and not quoted:
            fields.append(current.strip())
            current = ""
        else:
            current += c
        i += 1
    fields.append(current.strip())
    return fields


def string_value(field):
    if len(field) < 2 or field[0] != '"' or field[-1] != '"':
        raise ScriptError(f"expected a string, found {field}")
    body, out, i = field[1:-1], "", 0
    while i < len(body):
        c = body[i]
        if c == '"':  # "" inside a literal
            i += 1
        elif c == "\\" and i + 1 < len(body):
            i += 1
            c = {"r": "\r", "n": "\n", "t": "\t"}.get(body[i], body[i])
        out += c
        i += 1
    return out


def style_names(expr):
    names = []
    for part in (p.strip() for p in expr.split("|")):
        negated = part.startswith("NOT ")
        name = part[4:].strip() if negated else part
        if name not in STYLE_VALUES:
            raise ScriptError(f"unknown style {name}: add its value to {sys.argv[0]}")
        if negated:
            names = [n for n in names if n != name]
        elif name not in names:
            names.append(name)
    return names


def style_value(names):
    value = 0
    for name in names:
        value |= STYLE_VALUES[name]
    return value


def cpp_string(text):
    escapes = {"\r": "\\r", "\n": "\\n", "\t": "\\t", '"': '\\"', "\\": "\\\\"}
    out = ""
    for byte in text.encode("latin-1"):
        c = chr(byte)
        out += escapes.get(c) or (c if 0x20 <= byte < 0x7F else f"\\{byte:03o}")
    return f'"{out}"'


def statements(lines):
    """Joins a statement that goes on after a comma or a bar."""
    out = []
    for line in (l.strip() for l in lines):
        if line.startswith("//"):
            continue
        if out and out[-1] and out[-1][-1] in ",|":
            out[-1] += " " + line
        else:
            out.append(line)
    return out


def read_ids(header):
    ids = {}
    for m in re.finditer(r"^\s*#define\s+(\w+)\s+(-?\d+)\s*$", header, re.M):
        ids[m.group(1)] = int(m.group(2))
    return ids


def control_id(token, ids):
    if token in PREDEFINED_IDS:
        return PREDEFINED_IDS[token]
    if token in ids:
        return token, ids[token]
    raise ScriptError(f"unknown id {token}: define it in resource.h")


def read_dialogs(script, ids):
    dialogs = []
    lines = statements(script.splitlines())
    i = 0
    while i < len(lines):
        m = re.match(r"^(\w+)\s+DIALOGEX\s+(.*)$", lines[i])
        i += 1
        if not m:
            continue
        name, value = control_id(m.group(1), ids)
        rect = [int(f) for f in split_fields(m.group(2))]
        d = {"id": name, "value": value, "width": rect[2], "height": rect[3], "style": [],
             "exStyle": [], "caption": "", "font": ("", 0), "controls": []}
        while lines[i] != "BEGIN":
            keyword, _, rest = lines[i].partition(" ")
            if keyword == "STYLE":
                d["style"] = style_names(rest)
            elif keyword == "EXSTYLE":
                d["exStyle"] = style_names(rest)
            elif keyword == "CAPTION":
                d["caption"] = string_value(rest.strip())
            elif keyword == "FONT":
                f = split_fields(rest)
                d["font"] = (string_value(f[1]), int(f[0]))
            i += 1
        # The resource compiler adds these for a caption and a font.
        d["style"] += ["WS_CAPTION"] if d["caption"] else []
        d["style"] += ["DS_SETFONT"] if d["font"][0] else []
        for line in lines[i + 1:]:
            i += 1
            if line == "END":
                break
            if not line:
                continue
            keyword, _, rest = line.partition(" ")
            if keyword != "CONTROL":
                raise ScriptError(f"write this control as a CONTROL statement: {line}")
            f = split_fields(rest)
            names = style_names(f[3])
            cls = string_value(f[2])
            kind = KINDS.get(cls.lower())
            if cls.lower() == "button":
                kind = ("kGroup" if "BS_GROUPBOX" in names else
                        "kCheck" if {"BS_AUTOCHECKBOX", "BS_CHECKBOX"} & set(names) else "kButton")
            if kind is None:
                raise ScriptError(f"no simulated control of class {cls}")
            d["controls"].append({
                "id": control_id(f[1], ids)[0], "kind": kind, "class": cls,
                "text": string_value(f[0]), "rect": [int(v) for v in f[4:8]],
                "flags": [FLAGS[n] for n in names if n in FLAGS], "style": style_value(names)})
        dialogs.append(d)
    return sorted(dialogs, key=lambda d: d["value"])


def write_table(dialogs, rc_name):
    out = [f"// Written by generate_templates.py from {rc_name}: change the script, not this.",
           '#include "platform/sim/sim_templates.h"', '#include "platform/ui.h"',
           '#include "resources/resource.h"', "", "namespace sim {", "",
           "const std::vector<DialogTemplate>& AllDialogTemplates() {",
           "    static const std::vector<DialogTemplate> all{"]
    for d in dialogs:
        font, points = d["font"]
        out.append(f"        {{{d['id']}, {cpp_string(d['caption'])}, {cpp_string(font)}, {points}, "
                   f"{d['width']}, {d['height']}, 0x{style_value(d['style']):08X}u, "
                   f"0x{style_value(d['exStyle']):X}u, {{")
        for c in d["controls"]:
            flags = " | ".join(f"ctl::{f}" for f in c["flags"]) or "0"
            x, y, w, h = c["rect"]
            out.append(f"            {{{c['id']}, ControlKind::{c['kind']}, {cpp_string(c['text'])}, "
                       f"{x}, {y}, {w}, {h}, {flags}, {cpp_string(c['class'])}, "
                       f"0x{c['style']:08X}u}},")
        out.append("        }},")
    out += ["    };", "    return all;", "}", "", "}  // namespace sim", ""]
    return "\n".join(out)


def main():
    rc_path, header_path, out_path = sys.argv[1:4]
    with open(header_path, encoding="latin-1") as f:
        ids = read_ids(f.read())
    with open(rc_path, encoding="latin-1") as f:
        try:
            dialogs = read_dialogs(f.read(), ids)
        except (ScriptError, ValueError, IndexError) as e:
            sys.exit(f"{rc_path}: {e}")
    table = write_table(dialogs, rc_path.replace("\\", "/").rsplit("/", 1)[-1])
    with open(out_path, "w", encoding="latin-1", newline="\n") as f:
        f.write(table)


if __name__ == "__main__":
    main()
