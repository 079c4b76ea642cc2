#!/usr/bin/env python3
"""Builds the sample driver package DriverData.Drv, a 7z archive holding
DriverName.cfg and the driver folders the installer copies from.

  make_package.py --sevenza PATH --cfg DriverName.cfg.in --list placeholders.txt
                  --langmon-x86 ldaNLMNT.dll --langmon-x64 ldaNLM64.dll
                  --staging DIR --output DriverData.Drv

The staging folder is emptied and refilled; the archive is written beside
the output under a temporary name and then renamed, so a failed run never
leaves a half-written package behind.
"""
import argparse
import os
import shutil
import subprocess
import sys

# Every file gets this time stamp, so the package does not change from one
# build to the next unless its contents do.
FIXED_TIME = 1262304000  # 2010-01-01 00:00:00 UTC

PLACEHOLDER_TEXT = (
    "Placeholder for the {what}.\r\n"
    "This file belongs to the sample driver package that comes with the\r\n"
    "installer. It lets the installer run through its steps; it is not a\r\n"
    "working driver file.\r\n"
)


def read_placeholders(path):
    """Returns (package path, description) pairs; package paths use '\\'."""
    entries = []
    with open(path, encoding="utf-8") as lines:
        for number, line in enumerate(lines, 1):
            line = line.rstrip("\n")
            if not line.strip() or line.startswith("#"):
                continue
            parts = line.split(None, 1)
            if len(parts) != 2:
                sys.exit(f"{path}:{number}: expected a path and a description")
            entries.append((parts[0], parts[1].strip()))
    return entries


def cfg_text(template):
    """The driver list file: the template without its '#' notes, CRLF ends."""
    with open(template, encoding="ascii") as lines:
        kept = [line.rstrip("\n") for line in lines if not line.startswith("#")]
    while kept and not kept[0].strip():
        kept.pop(0)
    return "\r\n".join(kept).rstrip("\r\n") + "\r\n"


def place(staging, package_path):
    target = os.path.join(staging, *package_path.split("\\"))
    os.makedirs(os.path.dirname(target), exist_ok=True)
    if os.path.exists(target):
        sys.exit(f"{package_path} is listed twice")
    return target


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for name in ("sevenza", "cfg", "list", "langmon-x86", "langmon-x64", "staging", "output"):
        parser.add_argument("--" + name, required=True)
    args = parser.parse_args()

    shutil.rmtree(args.staging, ignore_errors=True)
    os.makedirs(args.staging)

    with open(place(args.staging, "DriverName.cfg"), "w", encoding="ascii", newline="") as cfg:
        cfg.write(cfg_text(args.cfg))
    for package_path, what in read_placeholders(args.list):
        with open(place(args.staging, package_path), "w", encoding="ascii", newline="") as f:
            f.write(PLACEHOLDER_TEXT.format(what=what))
    shutil.copyfile(args.langmon_x86, place(args.staging, "Barcode\\x86\\ldaNLMNT.dll"))
    shutil.copyfile(args.langmon_x64, place(args.staging, "Barcode\\x64\\ldaNLM64.dll"))

    for folder, dirs, files in os.walk(args.staging):
        for name in dirs + files:
            os.utime(os.path.join(folder, name), (FIXED_TIME, FIXED_TIME))

    temporary = args.output + ".tmp"
    if os.path.exists(temporary):
        os.remove(temporary)
    top_level = sorted(os.listdir(args.staging))
    # The one-stream x86 filter for every file, instead of 7-Zip's default
    # BCJ2 for programs (the two monitor DLLs): the 32-bit 7za.exe, run under
    # user-mode emulation by the 32-bit smoke suite, hangs or crashes
    # decoding BCJ2's four streams, while it unpacks LZMA2 and BCJ alike
    # reliably. Windows unpacks either.
    subprocess.run([args.sevenza, "a", "-t7z", "-bd", "-mx=9", "-mf=BCJ", temporary, "--"]
                   + top_level,
                   cwd=args.staging, check=True, stdout=subprocess.DEVNULL)
    os.replace(temporary, args.output)


if __name__ == "__main__":
    main()
