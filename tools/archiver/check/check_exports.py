#!/usr/bin/env python3
"""Checks that a DLL exports exactly the given names, undecorated.

  check_exports.py OBJDUMP DLL NAME...
"""
import re
import subprocess
import sys


def exported_names(objdump, dll):
    text = subprocess.run([objdump, "-p", dll], check=True, capture_output=True,
                          text=True).stdout
    table = text.split("[Ordinal/Name Pointer] Table", 1)
    if len(table) != 2:
        return []
    names = []
    for line in table[1].splitlines()[1:]:
        match = re.match(r"\s*\[\s*\d+\]\s+(\S+)\s*$", line)
        if not match:
            break
        names.append(match.group(1))
    return names


def main():
    objdump, dll, wanted = sys.argv[1], sys.argv[2], sorted(sys.argv[3:])
    names = sorted(exported_names(objdump, dll))
    if names != wanted:
        print(f"{dll} exports {names}, expected exactly {wanted}")
        return 1
    print(f"{dll}: {', '.join(names)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
