#!/usr/bin/env python3
"""Checks the sample driver package against what the installer reads from it:
the driver list file with its 35 sections in order, a display name exactly
where a section names a catalogue model, and every file the receipt and label
installations copy, no more and no less, with real DLLs for the language
monitor.

  check_package.py --sevenza PATH --package DriverData.Drv --list placeholders.txt
"""
import argparse
import os
import struct
import subprocess
import sys
import tempfile

# Receipt catalogue rows 0-29: display name and key (base name of the GPD).
RECEIPT = [
    ("4310 Series", "QV4310"), ("4320 Series", "QV4320"), ("4330 Series", "QV4330"),
    ("4340 Series", "QV4340"), ("4350 Series", "QV4350"), ("4350X Series", "QV4350X"),
    ("43F Series", "QV4350X"), ("43600 Series", "QV43600"), ("43700 Series", "QV43700"),
    ("43700M Series", "QV43700M"), ("H43700 Series", "QVH43700"), ("43N Series", "QV43N"),
    ("43L Series", "QV43L"), ("3150TF(Receipt)", "QV3150TF"), ("QR390", "QR390"),
    ("6120 Series", "QV6120"), ("6140(No Cut) Series", "QV6140nocut"),
    ("6140(Cut) Series", "QV6140cut"), ("6140D Series", "QV6140D"), ("6120K Series", "QV6120K"),
    ("vex5(No Cut) Series", "vex5nocut"), ("vex5(Cut) Series", "vex5cut"),
    ("6120IIIBM", "QV6120IIIBM"), ("6140BM", "QV6140BM"), ("6140IIBM", "QV6140IIBM"),
    ("6140IIIBM", "QV6140IIIBM"), ("vex5BM", "vex5BM"), ("SK200K8", "SK200K8"),
    ("SK200350I8", "SK200350I8"), ("SK200400II8", "SK200400II8"),
]
LABEL = [("3150TF(Label)", "QV315TF"), ("3150T(Label)", "QV315T"), ("43T(Label)", "QV43T"),
         ("3150TL(Label)", "QV315TL"), ("B72I(Label)", "QVB72I")]
LANGUAGES = ("ENG SLO CRO GER DAN FRA SPA ITA FIN DUT CZE POL HUN RUS TUR SWE HEB SVK LIT "
             "CHI SCH TAI KOR JAP UKR NOR PBR").split()
UNIDRV = ["uniDRVui.DLL", "uniDRV.DLL", "UNIDRV.HLP", "UNIRES.DLL", "TTFSUB.GPD", "STDNAMES.GPD"]
GROUPS = (15, 7, 5, 3)
PE_MACHINE = {"Barcode\\x86\\ldaNLMNT.dll": 0x014C, "Barcode\\x64\\ldaNLM64.dll": 0x8664}

failures = []


def fail(message):
    failures.append(message)


def receipt_row(index):
    """Catalogue row installed for a receipt section, or None."""
    g1, g2, g3, g4 = GROUPS
    first_of_group4 = g1 + g2 + g3
    if index < g1:
        row = first_of_group4 + index
    elif index < g1 + g2 + g3:
        row = first_of_group4 + index - g1 - g2
    elif index < g1 + g2 + g3 + g4:
        row = first_of_group4 + index - g1 - g2 - g3
    else:
        return None
    return row if row < len(RECEIPT) else None


def model_of(index):
    """(catalogue display name, key, is label) for a section, or None."""
    if index < 30:
        row = receipt_row(index)
        return None if row is None else RECEIPT[row] + (False,)
    row = index - 30
    return LABEL[row] + (True,) if row < len(LABEL) else None


def required_files():
    files = {"DriverName.cfg"}
    receipt_keys = {model_of(i)[1] for i in range(30) if model_of(i)}
    for arch in ("x86", "x64"):
        folder = f"Ticket\\{arch}\\"
        files |= {folder + name for name in ["QRR8.DLL", "VOEMUNI.dll", "VOEMUNI.ini"] + UNIDRV}
        files |= {f"{folder}{key}.GPD" for key in receipt_keys}
    for arch, n, monitor in (("x86", "50", "ldaNLMNT.dll"), ("x64", "56", "ldaNLM64.dll")):
        folder = f"Barcode\\{arch}\\"
        names = [monitor, f"VXLDRV{n}.DLL", f"VXLUI{n}.DLL"]
        names += [f"VXL{code}{n}.DLL" for code in LANGUAGES]
        files |= {folder + name for name in names}
    files.add("Barcode\\Common\\VORELIN.chm")
    for _, key in LABEL:
        files |= {f"Barcode\\Common\\{key}{ext}" for ext in (".BA0", ".DAT", ".PP0")}
    return files


def run(sevenza, *args):
    return subprocess.run([sevenza, *args], check=True, capture_output=True).stdout


def archive_files(sevenza, package):
    """Paths of the archive's files (not folders), with '\\' separators, and
    the set of coder chains (the "Method" of each file) they are packed with."""
    files, methods, path, is_folder = set(), set(), None, False
    for line in run(sevenza, "l", "-slt", "-ba", package).decode("utf-8").splitlines() + [""]:
        if line.startswith("Path = "):
            path = line[len("Path = "):]
        elif line.startswith("Attributes = "):
            is_folder = "D" in line[len("Attributes = "):].split(" ")[0]
        elif line.startswith("Method = ") and line != "Method = ":
            methods.add(line[len("Method = "):])
        elif not line and path is not None:
            if not is_folder:
                files.add(path.replace("/", "\\"))
            path, is_folder = None, False
    return files, methods


def read_member(folder, member):
    with open(os.path.join(folder, *member.split("\\")), "rb") as f:
        return f.read()


def parse_sections(text):
    """[(section name, {key: value})] in file order."""
    sections = []
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            sections.append((line[1:-1], {}))
        elif "=" in line and sections:
            key, value = line.split("=", 1)
            if key.strip().lower() in sections[-1][1]:
                fail(f"[{sections[-1][0]}] has {key} twice")
            sections[-1][1][key.strip().lower()] = value.strip()
        elif line:
            fail(f"unexpected line in DriverName.cfg: {line!r}")
    return sections


def check_cfg(text):
    sections = parse_sections(text)
    names = [name for name, _ in sections]
    expected = [f"Model{i:02d}" for i in range(35)]
    if names != expected:
        fail(f"sections {names}, expected Model00..Model34 in order")
    seen_names = {}
    for index, (section, keys) in enumerate(sections):
        model = model_of(index)
        shown = keys.get("printname1")
        if model is None:
            if any(key.startswith("printname") for key in keys):
                fail(f"[{section}] names no model but lists {sorted(keys)}")
            continue
        if not shown:
            fail(f"[{section}] installs {model[0]} but has no PrintName1")
            continue
        # A repeated model carries " (n)" after its catalogue name.
        if shown != model[0] and not (shown.startswith(model[0] + " (") and shown.endswith(")")):
            fail(f"[{section}] shows {shown!r} but installs {model[0]!r}")
        if len(shown) > 127:
            fail(f"[{section}] display name longer than 127 characters")
        if shown in seen_names:
            fail(f"{shown!r} is in [{seen_names[shown]}] and [{section}]")
        seen_names[shown] = section
        if "printname2" in keys:
            fail(f"[{section}] lists more than one name")


def check_monitor_dll(path, data):
    if data[:2] != b"MZ" or len(data) < 0x40:
        fail(f"{path} is not a DLL")
        return
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        fail(f"{path} has no PE header")
        return
    machine = struct.unpack_from("<H", data, pe + 4)[0]
    if machine != PE_MACHINE[path]:
        fail(f"{path} is built for machine {machine:#x}, expected {PE_MACHINE[path]:#x}")
    if b"InitializePrintMonitor2" not in data:
        fail(f"{path} does not export InitializePrintMonitor2")


def main():
    parser = argparse.ArgumentParser()
    for name in ("sevenza", "package", "list"):
        parser.add_argument("--" + name, required=True)
    args = parser.parse_args()

    present, methods = archive_files(args.sevenza, args.package)
    # The emulated 32-bit 7za.exe of the smoke suite cannot decode BCJ2.
    for method in sorted(m for m in methods if "BCJ2" in m.split(" ")):
        fail(f"packed with BCJ2, which the emulated 32-bit 7za.exe cannot unpack: {method}")
    wanted = required_files()
    for path in sorted(wanted - present):
        fail(f"missing from the package: {path}")
    for path in sorted(present - wanted):
        fail(f"not used by any installation: {path}")

    with tempfile.TemporaryDirectory() as folder:
        run(args.sevenza, "x", "-y", "-bd", "-o" + folder, "--", args.package)
        if "DriverName.cfg" in present:
            check_cfg(read_member(folder, "DriverName.cfg").decode("ascii"))
        for path in PE_MACHINE:
            if path in present:
                check_monitor_dll(path, read_member(folder, path))
        for path in sorted(present - set(PE_MACHINE) - {"DriverName.cfg"}):
            if not read_member(folder, path).startswith(b"Placeholder for the "):
                fail(f"{path} does not say what it stands for")

    for message in failures:
        print("FAIL:", message)
    print(f"{len(present)} files checked, {len(failures)} problems")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
