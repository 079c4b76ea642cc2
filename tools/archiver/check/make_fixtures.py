#!/usr/bin/env python3
"""Makes the archives the archiver checks feed to 7-zip32.dll, each one
wrong in one way, with the build machine's 7za:

  dotdot.7z     a harmless file, then "../evil.txt"
  absolute.7z   a file stored under its absolute path (the file is removed
                after archiving, so a check can see it is not written back)
  drive.7z      "C:/evil.txt": a drive letter
  link.tar      a symbolic link pointing out of the folder
  garbage.7z    not an archive at all
  truncated.7z  the first half of a good archive
  damaged.7z    a good listing whose stored data fails its checksum
  good.7z       one harmless file, for checks that need a quick success
  empty.7z      an empty file
  many.zip      100 000 entries, the last one "../evil.txt"
  longname.zip  an entry whose name is 10 000 characters long
  bigcfg.7z     a driver list file of 10 MB

  make_fixtures.py --sevenza PATH --output DIR
"""
import argparse
import io
import os
import shutil
import subprocess
import tarfile
import zipfile


def seven_zip(sevenza, archive, names, cwd, *switches):
    subprocess.run([sevenza, "a", "-bd", *switches, archive, "--", *names], cwd=cwd, check=True,
                   stdout=subprocess.DEVNULL)


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(text)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--sevenza", required=True)
    parser.add_argument("--output", required=True)
    args = parser.parse_args()
    out = os.path.abspath(args.output)
    work = os.path.join(out, "work")
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(work)

    inner = os.path.join(work, "inner")
    write(os.path.join(inner, "good.txt"), "a file that may be extracted\n")
    write(os.path.join(work, "evil.txt"), "a file that must stay out\n")
    seven_zip(args.sevenza, os.path.join(out, "dotdot.7z"), ["good.txt", "../evil.txt"], inner,
              "-spf")

    target = os.path.join(out, "abs-target", "evil.txt")
    write(target, "a file stored under its absolute path\n")
    seven_zip(args.sevenza, os.path.join(out, "absolute.7z"), [target], work, "-spf")
    os.remove(target)

    write(os.path.join(work, "C:", "evil.txt"), "a file under a drive letter\n")
    seven_zip(args.sevenza, os.path.join(out, "drive.7z"), ["C:/evil.txt"], work, "-spf")

    with tarfile.open(os.path.join(out, "link.tar"), "w", format=tarfile.USTAR_FORMAT) as tar:
        data = b"a file that may be extracted\n"
        member = tarfile.TarInfo("good.txt")
        member.size = len(data)
        tar.addfile(member, io.BytesIO(data))
        link = tarfile.TarInfo("outside")
        link.type = tarfile.SYMTYPE
        link.linkname = "../../outside"
        tar.addfile(link)

    write(os.path.join(out, "garbage.7z"), "this is not an archive\n")

    good = os.path.join(out, "good.7z")
    seven_zip(args.sevenza, good, ["good.txt"], inner)
    with open(good, "rb") as f:
        whole = f.read()
    with open(os.path.join(out, "truncated.7z"), "wb") as f:
        f.write(whole[:len(whole) // 2])

    # Stored without compression, so the damaged byte is in the file's data
    # (right after the 32-byte signature header), not in the listing.
    stored = os.path.join(work, "stored.7z")
    seven_zip(args.sevenza, stored, ["good.txt"], inner, "-mx=0")
    with open(stored, "rb") as f:
        data = bytearray(f.read())
    data[32] ^= 0xFF
    with open(os.path.join(out, "damaged.7z"), "wb") as f:
        f.write(data)

    open(os.path.join(out, "empty.7z"), "wb").close()

    with zipfile.ZipFile(os.path.join(out, "many.zip"), "w", zipfile.ZIP_STORED) as many:
        for i in range(1, 100000):
            many.writestr("Ticket/f%d" % i, b"")
        many.writestr("../evil.txt", b"a file that must stay out\n")

    with zipfile.ZipFile(os.path.join(out, "longname.zip"), "w") as long_name:
        long_name.writestr("Ticket/" + "e" * 10000, b"a name no file system takes\n")

    write(os.path.join(work, "big", "DriverName.cfg"),
          "[S0]\r\nPrintName1=Driver 0\r\n" + "x" * (10 << 20))
    seven_zip(args.sevenza, os.path.join(out, "bigcfg.7z"), ["DriverName.cfg"],
              os.path.join(work, "big"))

    shutil.rmtree(work)


if __name__ == "__main__":
    main()
