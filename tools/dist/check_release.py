#!/usr/bin/env python3
"""Checks the release archive as a person unpacks it: it holds exactly the
expected files, and the installer.exe in it carries the project's version
in its version record (read back with windres) and the dialog caption it
always had.

  check_release.py --build-dir DIR --zip FILE --version X.Y.Z --windres PATH
                   --expect NAME...

Makes the archive first (`cmake --build DIR --target package`), so the check
is of what that command makes. Exit status 0 when all holds, 1 otherwise.
"""
import argparse
import re
import subprocess
import sys
import tempfile
import zipfile

CAPTION = 'CAPTION "Configure & Install v1.4"'


def version_record(windres, exe):
    """FILEVERSION, PRODUCTVERSION and the FileVersion / ProductVersion
    texts of the version record, as windres prints them."""
    rc = subprocess.run([windres, "-i", exe, "-O", "rc"], check=True, capture_output=True,
                        text=True, errors="replace").stdout
    found = {}
    for key in ("FILEVERSION", "PRODUCTVERSION"):
        match = re.search(r"^\s*" + key + r"\s+([0-9, ]+)$", rc, re.MULTILINE)
        found[key] = match.group(1).replace(" ", "") if match else None
    for key in ("FileVersion", "ProductVersion"):
        match = re.search(r'VALUE "' + key + r'", "([^"]*)"', rc)
        found[key] = match.group(1) if match else None
    return found, rc


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--zip", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--windres", required=True)
    parser.add_argument("--expect", nargs="+", required=True)
    args = parser.parse_args()

    made = subprocess.run(["cmake", "--build", args.build_dir, "--target", "package"],
                          capture_output=True, text=True)
    if made.returncode != 0:
        print(made.stdout[-4000:], made.stderr[-4000:])
        print("check_release: making the archive failed")
        return 1

    problems = []
    with zipfile.ZipFile(args.zip) as archive:
        names = sorted(n for n in archive.namelist() if not n.endswith("/"))
        if names != sorted(args.expect):
            problems.append("the archive holds\n  " + "\n  ".join(names) +
                            "\ninstead of\n  " + "\n  ".join(sorted(args.expect)))
        exe = next((n for n in names if n.endswith("/installer.exe")), None)
        if exe is None:
            problems.append("no installer.exe in the archive")
        else:
            with tempfile.TemporaryDirectory() as work:
                path = archive.extract(exe, work)
                found, rc = version_record(args.windres, path)
        readme = next((n for n in names if n.endswith("/README.txt")), None)
        if readme and b"\r\n" not in archive.read(readme):
            problems.append("README.txt lacks Windows line ends")

    if exe is not None:
        major, minor, patch = args.version.split(".")
        wanted = {"FILEVERSION": f"{major},{minor},{patch},0",
                  "PRODUCTVERSION": f"{major},{minor},{patch},0",
                  "FileVersion": f"{args.version}.0", "ProductVersion": args.version}
        for key, value in wanted.items():
            if found[key] != value:
                problems.append(f"installer.exe's {key} is {found[key]!r}, not {value!r}")
        if CAPTION not in rc:
            problems.append("installer.exe's dialog caption changed")

    for problem in problems:
        print("check_release:", problem)
    if not problems:
        print(f"check_release: {args.zip}: {len(names)} files, installer.exe version {args.version}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
