#!/usr/bin/env python3
"""Makes the large package the extraction benchmarks unpack: a 7z archive
of about 50 MB laid out as a driver package (a driver list file and the
driver folders), with the same bytes on every run.

  make_large_package.py --sevenza PATH --output FILE [--megabytes 50]

Half of the archive is data that does not compress (as driver binaries
mostly do not), half text that compresses about three to one. Does nothing
when FILE exists and is of the size asked for within 10 %.
"""
import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile

MIB = 1024 * 1024
WORDS = ("printer driver port spooler receipt label monitor status queue "
         "paper cutter drawer baud parity font density speed width").split()


def write_tree(root, megabytes):
    rng = random.Random(1262304000)
    with open(os.path.join(root, "DriverName.cfg"), "w", newline="\r\n") as cfg:
        cfg.write("[Model00]\nName=Large\n")
    # Incompressible: half of the archive.
    for n in range(megabytes // 2):
        folder = os.path.join(root, "Ticket", "x86" if n % 2 else "x64")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, f"drv{n:03d}.dll"), "wb") as f:
            f.write(rng.randbytes(MIB))
    # Text, about 2.8 to one: the other half.
    for n in range(round(megabytes * 1.4 / 4)):
        folder = os.path.join(root, "Barcode", "Common")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, f"doc{n:03d}.txt"), "w") as f:
            size = 0
            while size < 4 * MIB:
                words = rng.choices(WORDS, k=12)
                numbers = rng.choices(range(100000), k=12)
                line = " ".join(f"{w}{n}" for w, n in zip(words, numbers)) + "\n"
                f.write(line)
                size += len(line)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sevenza", required=True)
    parser.add_argument("--output", required=True)
    parser.add_argument("--megabytes", type=int, default=50)
    args = parser.parse_args()
    sevenza = os.path.abspath(args.sevenza)
    output = os.path.abspath(args.output)
    wanted = args.megabytes * MIB
    if os.path.isfile(output) and abs(os.path.getsize(output) - wanted) < wanted / 10:
        return 0
    os.makedirs(os.path.dirname(output), exist_ok=True)
    with tempfile.TemporaryDirectory() as work:
        tree = os.path.join(work, "tree")
        os.makedirs(tree)
        write_tree(tree, args.megabytes)
        partial = output + ".partial"
        if os.path.exists(partial):
            os.remove(partial)
        subprocess.run([sevenza, "a", "-t7z", "-mx=3", "-bd", partial, "."], cwd=tree,
                       check=True, stdout=subprocess.DEVNULL)
        shutil.move(partial, output)
    size = os.path.getsize(output)
    print(f"make_large_package: {output}: {size / MIB:.1f} MiB")
    return 0


if __name__ == "__main__":
    sys.exit(main())
