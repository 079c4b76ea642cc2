#!/usr/bin/env python3
"""Makes the archives the archiver checks feed to 7-zip32.dll, each one
wrong in one way, with the build machine's 7za:

  dotdot.7z     a harmless file, then "../evil.txt"
  absolute.7z   a file stored under its absolute path (the file is removed
                after archiving, so a check can see it is not written back)
  drive.7z      "C:/evil.txt": a drive letter
  stream.7z     "good.txt:evil": a stream of a file
  device.7z     a harmless file, then "Ticket/CON.txt": a device's name
  link.7z       two entries marked as symbolic links, one pointing out of
                the folder
  reparse.7z    the same two marked as reparse points
  garbage.7z    not an archive at all
  truncated.7z  the first half of a good archive
  damaged.7z    a good listing whose stored data fails its checksum
  good.7z       one harmless file, for checks that need a quick success
  empty.7z      an empty file
  many.7z       10 001 entries, one more than the library takes
  huge.7z       one file of 1 GB and one byte (of zeros: 200 KB packed)
  longname.7z   an entry whose name is 10 000 characters long
  bigcfg.7z     a driver list file of 10 MB
  linked-out/   an output folder whose "Ticket" is a symbolic link to the
                empty folder link-target/ beside it: Wine shows such a link
                as a reparse point, as Windows shows a junction

  make_fixtures.py --sevenza PATH --output DIR
"""
import argparse
import io
import os
import shutil
import struct
import subprocess
import zlib


def seven_zip(sevenza, archive, names, cwd, *switches):
    subprocess.run([sevenza, "a", "-bd", *switches, archive, "--", *names], cwd=cwd, check=True,
                   stdout=subprocess.DEVNULL)


def with_attributes(archive, target, change):
    """Rewrites the attributes of every entry of `archive` (made with an
    uncompressed header, -mhc=off) with change(attributes) and writes the
    result to `target`, its header CRCs made right again: the build
    machine's 7za stores no links of its own."""
    with open(archive, "rb") as f:
        data = bytearray(f.read())
    offset, size = struct.unpack_from("<QQ", data, 12)
    start = 32 + offset
    header = data[start:start + size]
    # Files made here have the attributes "A" and the Unix mode -rw-r--r--.
    plain = struct.pack("<I", 0x8000 | 0x20 | (0o100644 << 16))
    if plain not in header:
        raise SystemExit("make_fixtures: no attributes to change in " + archive)
    header = header.replace(plain, struct.pack("<I", change(struct.unpack("<I", plain)[0])))
    data[start:start + size] = header
    struct.pack_into("<I", data, 28, zlib.crc32(header) & 0xFFFFFFFF)
    struct.pack_into("<I", data, 8, zlib.crc32(bytes(data[12:32])) & 0xFFFFFFFF)
    with open(target, "wb") as f:
        f.write(data)


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

    write(os.path.join(work, "good.txt:evil"), "a stream of a file\n")
    seven_zip(args.sevenza, os.path.join(out, "stream.7z"), ["good.txt:evil"], work)

    write(os.path.join(inner, "Ticket", "CON.txt"), "a file no folder may hold\n")
    seven_zip(args.sevenza, os.path.join(out, "device.7z"), ["good.txt", "Ticket/CON.txt"], inner)

    # A file holding the link's target, turned into a link by its mode.
    links = os.path.join(work, "links")
    os.makedirs(links)
    os.chmod(os.path.join(inner, "good.txt"), 0o644)
    shutil.copy(os.path.join(inner, "good.txt"), links)
    write(os.path.join(links, "outside"), "../../outside")
    for name in ("good.txt", "outside"):
        os.chmod(os.path.join(links, name), 0o644)
    plain = os.path.join(work, "links.7z")
    seven_zip(args.sevenza, plain, ["good.txt", "outside"], links, "-mhc=off")
    with_attributes(plain, os.path.join(out, "link.7z"),
                    lambda a: (a & 0xFFFF) | (0o120777 << 16))
    with_attributes(plain, os.path.join(out, "reparse.7z"), lambda a: a | 0x400)

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

    many = os.path.join(work, "many")
    os.makedirs(os.path.join(many, "Ticket"))
    for i in range(10001):
        open(os.path.join(many, "Ticket", "f%d" % i), "wb").close()
    seven_zip(args.sevenza, os.path.join(out, "many.7z"), ["Ticket"], many)

    # From standard input: no file of that size or name is made here.
    for name, size, data in (("longname.7z", None, b"a name no file system takes\n"),
                             ("huge.7z", (1 << 30) + 1, None)):
        entry = "Ticket/" + "e" * 10000 if size is None else "Ticket/zeros.bin"
        feeder = subprocess.Popen([args.sevenza, "a", "-bd", "-mx=1", "-si" + entry,
                                   os.path.join(out, name)], stdin=subprocess.PIPE,
                                  stdout=subprocess.DEVNULL)
        if data is not None:
            feeder.stdin.write(data)
        else:
            block = bytes(1 << 20)
            for _ in range(size >> 20):
                feeder.stdin.write(block)
            feeder.stdin.write(bytes(size & ((1 << 20) - 1)))
        feeder.stdin.close()
        if feeder.wait() != 0:
            raise SystemExit("make_fixtures: 7za failed on " + name)

    write(os.path.join(work, "big", "DriverName.cfg"),
          "[S0]\r\nPrintName1=Driver 0\r\n" + "x" * (10 << 20))
    seven_zip(args.sevenza, os.path.join(out, "bigcfg.7z"), ["DriverName.cfg"],
              os.path.join(work, "big"))

    os.makedirs(os.path.join(out, "linked-out"))
    os.makedirs(os.path.join(out, "link-target"))
    os.symlink(os.path.join(out, "link-target"), os.path.join(out, "linked-out", "Ticket"))

    shutil.rmtree(work)


if __name__ == "__main__":
    main()
