#!/usr/bin/env python3
"""Lists every function the given PE programs import and fails when one of
them is in the table of functions that Windows XP SP3 lacks, or when a
program asks for a newer subsystem version than XP's loader accepts.

    check_imports.py OBJDUMP TABLE PROGRAM...

Exit status 0 when every program would load on XP SP3, 1 otherwise.
"""
import fnmatch
import re
import subprocess
import sys

# XP is Windows NT 5.1; its loader refuses a program built for a later
# subsystem version ("not a valid Win32 application").
XP_SUBSYSTEM = (5, 1)


def read_table(path):
    """Returns [(library pattern, function or '*')], lower-cased libraries."""
    entries = []
    with open(path, encoding="utf-8") as table:
        for number, line in enumerate(table, 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            fields = line.split()
            if len(fields) != 2:
                sys.exit(f"{path}:{number}: expected '<library> <function>', got {line!r}")
            entries.append((fields[0].lower(), fields[1]))
    return entries


def read_program(objdump, program):
    """Returns ({library: [function]}, (major, minor) subsystem version)."""
    text = subprocess.run([objdump, "-p", program], check=True, capture_output=True,
                          text=True).stdout
    imports = {}
    library = None
    version = {}
    for line in text.splitlines():
        match = re.match(r"(Major|Minor)SubsystemVersion\s+(\d+)", line)
        if match:
            version[match.group(1)] = int(match.group(2))
            continue
        match = re.match(r"\s*DLL Name: (\S+)", line)
        if match:
            library = match.group(1)
            imports.setdefault(library, [])
            continue
        if library is None:
            continue
        # "\t5a9c6\t  785  GetTickCount64" (hint and name) or an ordinal only.
        match = re.match(r"\s+[0-9a-f]+\s+(\d+)\s+(\S+)\s*$", line)
        if match:
            imports[library].append(match.group(2))
            continue
        match = re.match(r"\s+[0-9a-f]+\s+<none>\s+([0-9a-f]+)\s*$", line)
        if match:
            imports[library].append(f"#{int(match.group(1), 16)}")
            continue
        if not line.strip() or line.lstrip().startswith("vma:"):
            continue
        library = None  # past the import tables
    return imports, (version.get("Major", 0), version.get("Minor", 0))


def missing_on_xp(table, library, function):
    for pattern, name in table:
        if fnmatch.fnmatchcase(library.lower(), pattern) and name in ("*", function):
            return True
    return False


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    objdump, table_path, programs = sys.argv[1], sys.argv[2], sys.argv[3:]
    table = read_table(table_path)
    problems = []
    for program in programs:
        imports, subsystem = read_program(objdump, program)
        total = sum(len(functions) for functions in imports.values())
        print(f"{program}: subsystem version {subsystem[0]}.{subsystem[1]}, "
              f"{total} functions from {len(imports)} libraries")
        if subsystem > XP_SUBSYSTEM:
            problems.append(f"{program}: subsystem version {subsystem[0]}.{subsystem[1]} "
                            f"is newer than XP's {XP_SUBSYSTEM[0]}.{XP_SUBSYSTEM[1]}")
        if not imports:
            problems.append(f"{program}: no import table found")
        for library in sorted(imports, key=str.lower):
            print(f"  {library}: {' '.join(imports[library])}")
            for function in imports[library]:
                if missing_on_xp(table, library, function):
                    problems.append(f"{program}: imports {library}!{function}, "
                                    "which Windows XP SP3 lacks")
    for problem in problems:
        print("FAIL: " + problem)
    if not problems:
        print(f"every import of {len(programs)} programs is there on Windows XP SP3")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
