#!/usr/bin/env python3
"""Reads the /result files the unattended runs wrote with a JSON parser and
checks their form: every file named must be there, be UTF-8 JSON, and hold
the outcome, the exit code and the printers with their fields.

    check_results.py DIR NAME.json...
"""
import json
import sys

PRINTER_FIELDS = {"name": str, "driver": str, "environment": str, "port": str,
                  "portConfirmed": bool, "default": bool, "outcome": str}


def problems(result):
    if not isinstance(result.get("outcome"), str):
        yield "no outcome"
    if not isinstance(result.get("exitCode"), int) or isinstance(result.get("exitCode"), bool):
        yield "no exit code"
    for key in ("log", "logFallbackFrom"):
        if key in result and not isinstance(result[key], str):
            yield key + " is no text"
    printers = result.get("printers")
    if not isinstance(printers, list):
        yield "no printers list"
        return
    for index, printer in enumerate(printers):
        for field, kind in PRINTER_FIELDS.items():
            if not isinstance(printer.get(field), kind):
                yield "printer %d: %s is missing or no %s" % (index + 1, field, kind.__name__)


def main(folder, names):
    failed = False
    for name in names:
        path = folder + "/" + name
        try:
            with open(path, encoding="utf-8") as file:
                result = json.load(file)
        except (OSError, ValueError) as error:
            print("check_results: %s: %s" % (path, error))
            failed = True
            continue
        for problem in problems(result):
            print("check_results: %s: %s" % (path, problem))
            failed = True
        if not failed:
            print("check_results: %s: %s, exit code %d, %d printer(s)" %
                  (name, result["outcome"], result["exitCode"], len(result["printers"])))
    return 1 if failed else 0


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2:]))
