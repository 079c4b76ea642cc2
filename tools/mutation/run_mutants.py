#!/usr/bin/env python3
"""Mutation pass over the installer's logic, run by hand (not part of ./test.sh).

Applies the plausible wrong changes listed in MUTANTS one at a time to a copy
of the sources (build/mutation/tree; the working tree is never touched),
rebuilds the native unit tests incrementally, runs them, and prints how many
mutants the suite kills and which survive. A mutant is killed when a test
fails or the suite does not end within the time limit.

    tools/mutation/run_mutants.py            # every mutant
    tools/mutation/run_mutants.py --list     # the list, numbered
    tools/mutation/run_mutants.py --only 3,7 # some of them

The first run builds the copy from scratch (minutes); later runs copy only
the files that changed. Exit status: 0 when the pass ran, 2 when a mutant no
longer applies (its text is not found exactly once) or the unchanged suite
fails.
"""

import argparse
import dataclasses
import os
import re
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
# What the native unit tests are built from, and the readmes a test compares
# the usage text with.
COPIED = ["CMakeLists.txt", "CMakePresets.json", "cmake", "src", "tests/unit", "tests/contract",
          "tools/serial-printer", "bench", "README.md", "tools/dist/README.txt"]


@dataclasses.dataclass
class Mutant:
    file: str
    what: str
    edits: list  # (old, new): each old text must occur exactly once in the file


def m(file, what, *edits):
    return Mutant(file, what, list(edits))


RECEIPT = "src/install/receipt_install.cpp"
STAGING = "src/install/driver_staging.cpp"
LABEL = "src/install/label_install.cpp"
REGISTRATION = "src/install/printer_registration.cpp"
SERVICE = "src/install/service_control.cpp"
ASSIGN = "src/ports/port_assignment.cpp"
USB = "src/ports/usb_detection.cpp"
SERIAL = "src/ports/serial_detection.cpp"
ENUM = "src/ports/port_enumeration.cpp"
MONITOR = "src/serial/serial_monitor.cpp"
SESSION = "src/serial/serial_session.cpp"

MUTANTS = [
    # Receipt installation.
    m(RECEIPT, "staging: model DLL and data file swapped",
      ("{modelDll, dataFile, std::string(\"VOEMUNI.dll\")", "{dataFile, modelDll, std::string(\"VOEMUNI.dll\")")),
    m(RECEIPT, "source folder of the other word size",
      (r'm_bWow64 ? "C:\\Ticket\\x64\\" : "C:\\Ticket\\x86\\"', r'm_bWow64 ? "C:\\Ticket\\x86\\" : "C:\\Ticket\\x64\\"')),
    m(RECEIPT, "no spooler check before the driver call (dropped step)",
      ('    RestartService("Spooler", plat::RestartMode::kEnsureRunning);\n\n    if (!m_platform', '\n    if (!m_platform')),
    m(RECEIPT, "spooler restarted instead of made sure of",
      ('    RestartService("Spooler", plat::RestartMode::kEnsureRunning);\n\n    if (!m_platform', '    RestartService("Spooler", plat::RestartMode::kRestart);\n\n    if (!m_platform')),
    m(RECEIPT, "status text: driver instead of drive",
      ('"Adding printer drive "', '"Adding printer driver "')),
    m(RECEIPT, "progress 20 dropped",
      ('    m_progress.SetPos(20);\n\n    RegisterPrinter', '\n    RegisterPrinter')),
    m(RECEIPT, "the plug-in's DLL deleted with the staged copies",
      ("for (const std::string& file : {modelDll, dataFile}) {",
       "for (const std::string& file : {modelDll, dataFile, std::string(\"VOEMUNI.dll\")}) {")),
    m(RECEIPT, "driver version 2 on the wrong Windows version",
      ("GetWindowsVersionCode() == 4)", "GetWindowsVersionCode() == 5)")),
    # Staging and the driver folder.
    m(STAGING, "driver folder buffer size",
      ("kDriverDirectorySize = 255;", "kDriverDirectorySize = 260;")),
    m(STAGING, "staging status shows the source",
      ("    SetStatus(target);", "    SetStatus(sourceFolder + file);")),
    m(STAGING, "Retry leaves the progress bar where it was",
      ("        m_progress.SetPos(0);\n    } else {", "    } else {")),
    m(STAGING, "a failed folder query goes on to stage (only a short buffer refused)",
      ("kDriverDirectorySize, &needed)) {", "kDriverDirectorySize, &needed) && needed > kDriverDirectorySize) {"),
      ("    if (buffer[0] == '\\0') {", "    if (false) {")),
    # Label installation.
    m(LABEL, "removed monitor: spooler made sure of instead of restarted",
      ('kLanguageMonitor)) RestartService("Spooler", plat::RestartMode::kRestart);', 'kLanguageMonitor)) RestartService("Spooler", plat::RestartMode::kEnsureRunning);')),
    m(LABEL, "monitor folder System32 instead of SysWOW64",
      (r'folder += "\\SysWOW64";', r'folder += "\\System32";')),
    m(LABEL, "an already installed monitor counts as a failure",
      ("GetLastError() != plat::err::kPrintMonitorAlreadyInstalled", "GetLastError() == plat::err::kPrintMonitorAlreadyInstalled")),
    m(LABEL, "monitor status dropped",
      ('    SetStatus(std::string(kLanguageMonitor) + " is added");\n', "")),
    m(LABEL, "the monitor DLL not staged into the driver folder",
      ("for (const char* file : files) StageDriverFile(",
       "for (const char* file : files) if (file != files[0]) StageDriverFile(")),
    m(LABEL, "no spooler check before the monitor is removed",
      ('    RestartService("Spooler", plat::RestartMode::kEnsureRunning);\n    if (spooler.DeleteMonitorA', '    if (spooler.DeleteMonitorA')),
    m(LABEL, "progress after the status (swapped steps)",
      ('    m_progress.SetPos(10);\n    SetStatus("Adding printer drive " + driverName);',
       '    SetStatus("Adding printer drive " + driverName);\n    m_progress.SetPos(10);')),
    # Printer registration.
    m(REGISTRATION, "settle pauses of the two variants swapped",
      ("PrinterVariant::Receipt ? 500 : 100", "PrinterVariant::Receipt ? 100 : 500")),
    m(REGISTRATION, "settle pause dropped",
      ("    m_platform.system.Sleep(variant == PrinterVariant::Receipt ? 500 : 100);\n", "")),
    m(REGISTRATION, "label variant: default-printer status not shown at once",
      ("    if (variant == PrinterVariant::Label) RefreshControls();\n", "")),
    m(REGISTRATION, "existing printer deleted without purging its jobs",
      ("        spooler.SetPrinterA(existing, 0, plat::kPrinterControlPurge);\n", "")),
    m(REGISTRATION, "Device byte count with the NUL",
      ("static_cast<std::uint32_t>(device.size())", "static_cast<std::uint32_t>(device.size() + 1)")),
    m(REGISTRATION, "Device key opened with KEY_WRITE",
      ("kWindowsKey, plat::kKeySetValue,", "kWindowsKey, plat::kKeyWrite,")),
    m(REGISTRATION, "every printer failure offers Reinstall",
      ("        caption = kErrorPromptCaption;\n        retry = false;", "        caption = kErrorPromptCaption;")),
    m(REGISTRATION, "no-serial-port status with a blank before the port",
      ('"There\'s no serial port,the current port is" +', '"There\'s no serial port,the current port is " +')),
    m(REGISTRATION, "USB row without USB port: no spooler restart before the lists are read",
      ('        RestartService("Spooler", plat::RestartMode::kRestart);\n        EnumeratePorts();', '        EnumeratePorts();')),
    m(REGISTRATION, "existing printer deleted before the port is known (swapped steps)",
      ("    const plat::PrinterDefaults defaults{\"RAW\", plat::kPrinterAllAccess};\n", ""),
      ("    // A serial or USB printer whose kind",
       "    const plat::PrinterDefaults defaults{\"RAW\", plat::kPrinterAllAccess};\n"
       "    if (plat::Handle early = spooler.OpenPrinterA(printerName, defaults)) {\n"
       "        spooler.SetPrinterA(early, 0, plat::kPrinterControlPurge);\n"
       "        spooler.DeletePrinter(early);\n"
       "        spooler.ClosePrinter(early);\n"
       "    }\n"
       "    // A serial or USB printer whose kind")),
    # Spooler service control.
    m(SERVICE, "mode 16 never starts a stopped spooler",
      ("if (mode == plat::RestartMode::kEnsureRunning && !stopped) return;",
       "if (mode == plat::RestartMode::kEnsureRunning) return;")),
    m(SERVICE, "no wait for the stop before the start (dropped wait)",
      ("reached = WaitForServiceState(query.get(), plat::kServiceStopped, stopStatus.currentState,\n                                      stop);",
       "reached = true;")),
    m(SERVICE, "no pause between the status queries",
      ("pause = pause == 0 ? kServiceFirstPollMs : kServicePollMs;", "pause = 0;")),
    # Port assignment.
    m(ASSIGN, "directory-service value name PortName",
      ('"portName"', '"PortName"')),
    m(ASSIGN, "port byte count with the NUL",
      ("static_cast<std::uint32_t>(port.size())", "static_cast<std::uint32_t>(port.size() + 1)")),
    m(ASSIGN, "control sets written in the other order",
      (r'{"SYSTEM\\ControlSet001\\Control\\Print\\Printers\\", "", "Port"},' + "\n" +
       r'    {"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\", "", "Port"},',
       r'{"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\", "", "Port"},' + "\n" +
       r'    {"SYSTEM\\ControlSet001\\Control\\Print\\Printers\\", "", "Port"},')),
    m(ASSIGN, "printer keys opened with KEY_ALL_ACCESS",
      ("path, plat::kKeySetValue, &key)", "path, plat::kKeyAllAccess, &key)")),
    # USB detection.
    m(USB, "Windows 7 taken for another version",
      ("constexpr int kWindows7 = 9;", "constexpr int kWindows7 = 10;")),
    m(USB, "no spooler restart after a port is written (dropped wait)",
      ('            RestartService("Spooler", plat::RestartMode::kRestart);\n            m_progress.SetPos(60);', '            m_progress.SetPos(60);')),
    m(USB, "on-line value read into 4 bytes",
      ("kOnlineBufferSize = 50;", "kOnlineBufferSize = 4;")),
    m(USB, "port status with one blank",
      ('SetStatus("Checking  " + port + " ....");', 'SetStatus("Checking " + port + " ....");')),
    m(USB, "any non-zero flag counts as on line",
      ("if (found == 1) {", "if (found != 0) {")),
    m(USB, "progress 80 dropped",
      ("    m_progress.SetPos(80);\n}", "}")),
    m(USB, "on-line key opened with KEY_READ",
      ("plat::kKeyQueryValue, &key) != 0) {", "plat::kKeyRead, &key) != 0) {")),
    # Serial detection.
    m(SERIAL, "answer window 1000 ms",
      ("kAnswerWindowMs = 700;", "kAnswerWindowMs = 1000;")),
    m(SERIAL, "Ports key opened with KEY_WRITE",
      ("kPortsKey, plat::kKeySetValue,", "kPortsKey, plat::kKeyWrite,")),
    m(SERIAL, "settings byte count with the NUL",
      ("static_cast<std::uint32_t>(length)) != 0) {", "static_cast<std::uint32_t>(length + 1)) != 0) {")),
    m(SERIAL, "parity letter in upper case",
      ("static_cast<char>(m_nParity + 32)", "static_cast<char>(m_nParity)")),
    m(SERIAL, "prompt status without the blank before the comma",
      ('" ,you can set that after the installation"', '",you can set that after the installation"')),
    m(SERIAL, "one port: first spooler restart dropped",
      ('        AssignPrinterPort(printer.c_str(), port);\n        RestartService("Spooler", plat::RestartMode::kRestart);\n',
       '        AssignPrinterPort(printer.c_str(), port);\n')),
    m(SERIAL, "reply flag not cleared for each port",
      ("        m_bSerialReply = false;\n        const bool opened =", "        const bool opened =")),
    m(SERIAL, "first label index sends the receipt query",
      ("m_nDriverIndex < CatalogueGroups().Total();", "m_nDriverIndex <= CatalogueGroups().Total();")),
    m(SERIAL, "the installed printer set back to its first port",
      ("if (m_saPrinterNames[i] == installedPrinter) continue;",
       "if (m_saPrinterNames[i] == installedPrinter && m_saPrinterPorts[i].empty()) continue;")),
    # Port lists.
    m(ENUM, "TCP/IP ports appended instead of rebuilt",
      ("    m_saTcpipPorts.clear();\n", ""),
      ("m_saTcpipPorts = std::move(sorted.tcpip);",
       "m_saTcpipPorts.insert(m_saTcpipPorts.end(), sorted.tcpip.begin(), sorted.tcpip.end());")),
    m("src/dialogs/port_list_dlg.cpp", "port dialog's list appended instead of rebuilt",
      ("    m_lstPorts.DeleteAllItems();\n", "")),
    # Start-up and Install command.
    m("src/app/startup_worker.cpp", "start-up: ports listed before the spooler is made sure of",
      ('        [this] { RestartService("Spooler", plat::RestartMode::kEnsureRunning); },\n        [this] { EnumeratePorts(); },',
       '        [this] { EnumeratePorts(); },\n        [this] { RestartService("Spooler", plat::RestartMode::kEnsureRunning); },')),
    m("src/app/install_command.cpp", "no port of the kind: the flag is not cleared",
      ("            g_bPortFound = false;\n", "")),
    m("src/app/install_command.cpp", "Cancel stays enabled after an attempt",
      ("    if (m_pWnd != nullptr) m_pWnd->EnableDlgItem(plat::kIdCancel, false);\n", "")),
    # What an unattended run makes of an installation.
    m("src/unattended/outcomes.cpp", "a printer on a fallback port passes with /requireport",
      ("if (outcome == Outcome::kFallbackPort && requirePort) return kExitFailed;",
       "if (outcome == Outcome::kFallbackPort && requirePort) return Info(outcome).exitCode;")),
    m("src/unattended/outcomes.cpp", "failed steps of an installation ignored",
      ("return report.failures.empty() ? Outcome::kDone : Outcome::kStepFailed;", "return Outcome::kDone;")),
    m("src/unattended/outcomes.cpp", "the worse of two outcomes: the first kept",
      ("Rank(ExitCodeOf(b, requirePort)) > Rank(ExitCodeOf(a, requirePort)) ? b : a",
       "Rank(ExitCodeOf(b, requirePort)) > Rank(ExitCodeOf(a, requirePort)) ? a : a")),
    m(USB, "no USB port answered, yet no fallback reported",
      ("            EndInstallation(InstallOutcome::kFallbackPort);\n            break;", "            break;")),
    m("src/unattended/installation_lock.cpp", "a second run does not wait for the first",
      ("WaitForSingleObject(m_mutex, seconds * 1000)", "WaitForSingleObject(m_mutex, seconds * 0)")),
    # Serial channel.
    m(MONITOR, "no purge before a write",
      ("    m_serial.PurgeComm(port, plat::kPurgeAll);\n    std::uint32_t written = 0;", "    std::uint32_t written = 0;")),
    m(MONITOR, "a closing channel still notifies its owner",
      ("    if (!m_bStopRequested.load()) m_pOwnerWnd->SendMessageA(", "    m_pOwnerWnd->SendMessageA(")),
    m(MONITOR, "error box owned by the dialog",
      ("    m_ui.MessageBoxA(report, kSerialErrorCaption, plat::kMbIconError);",
       "    if (m_pOwnerWnd != nullptr) m_pOwnerWnd->MessageBoxA(report, kSerialErrorCaption, plat::kMbIconError);")),
    m(SESSION, "data bits and stop bits swapped in the settings text",
      ("                  dataBits, stopBits);", "                  stopBits, dataBits);")),
]


def sync_tree(tree):
    """Copies the build inputs into `tree`, writing only files that differ,
    so that an unchanged file keeps its time and is not rebuilt."""
    wanted = set()
    for entry in COPIED:
        source = ROOT / entry
        files = [source] if source.is_file() else [p for p in source.rglob("*") if p.is_file()]
        for path in files:
            relative = path.relative_to(ROOT)
            wanted.add(relative)
            target = tree / relative
            data = path.read_bytes()
            if not target.exists() or target.read_bytes() != data:
                target.parent.mkdir(parents=True, exist_ok=True)
                target.write_bytes(data)
    for path in [p for p in tree.rglob("*") if p.is_file()]:
        if path.relative_to(tree) not in wanted:
            path.unlink()


def check(mutants, tree):
    """The mutants whose edits do not each match exactly once."""
    stale = []
    for index, mutant in enumerate(mutants, 1):
        text = (tree / mutant.file).read_text()
        for old, _ in mutant.edits:
            if text.count(old) != 1:
                stale.append((index, mutant, old, text.count(old)))
    return stale


def build(build_dir, jobs):
    result = subprocess.run(["cmake", "--build", str(build_dir), "--target", "unit_tests", "-j",
                             str(jobs)], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    return result.returncode == 0, result.stdout


def run_suite(binary, shards, timeout):
    """Runs the unit tests in `shards` processes. Returns (passed, reason)."""
    procs = []
    with tempfile.TemporaryDirectory() as logs:
        for shard in range(shards):
            env = dict(os.environ, GTEST_TOTAL_SHARDS=str(shards), GTEST_SHARD_INDEX=str(shard))
            # The tests print the system's own bytes (code page 936): read as
            # Latin-1, which takes any byte.
            log = open(Path(logs) / f"{shard}.log", "w+", encoding="latin-1")
            proc = subprocess.Popen([str(binary), "--gtest_brief=1", "--gtest_fail_fast"], env=env,
                                    stdout=log, stderr=subprocess.STDOUT, start_new_session=True)
            procs.append((proc, log))
        deadline = time.monotonic() + timeout
        reason = None
        try:
            while reason is None and any(p.poll() is None for p, _ in procs):
                for proc, log in procs:
                    if proc.poll() not in (None, 0):
                        reason = first_failure(log, proc.returncode)
                        break
                if reason is None and time.monotonic() > deadline:
                    reason = f"no end within {timeout} s"
                time.sleep(0.1)
            if reason is None:
                for proc, log in procs:
                    if proc.returncode != 0:
                        reason = first_failure(log, proc.returncode)
        finally:
            for proc, log in procs:
                if proc.poll() is None:
                    os.killpg(proc.pid, signal.SIGKILL)
                    proc.wait()
                log.close()
    return reason is None, reason


def first_failure(log, returncode):
    log.flush()
    log.seek(0)
    for line in log:
        if line.startswith("[  FAILED  ]"):
            return re.sub(r" \(\d+ ms\)$", "", line[len("[  FAILED  ]"):].strip().split(",")[0])
    return f"exit status {returncode}"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--work", type=Path, default=ROOT / "build" / "mutation",
                        help="folder for the copy and its build (default: build/mutation)")
    parser.add_argument("--only", help="comma-separated numbers of the mutants to run")
    parser.add_argument("--list", action="store_true", help="print the mutants and stop")
    parser.add_argument("--jobs", type=int, default=2, help="build jobs (default 2)")
    parser.add_argument("--shards", type=int, default=4, help="test processes (default 4)")
    parser.add_argument("--timeout", type=int, default=300, help="seconds per suite run")
    args = parser.parse_args()

    if args.list:
        for index, mutant in enumerate(MUTANTS, 1):
            print(f"{index:3} {mutant.file}: {mutant.what}")
        return 0
    chosen = list(range(1, len(MUTANTS) + 1))
    if args.only:
        chosen = [int(n) for n in args.only.split(",")]

    tree = args.work / "tree"
    build_dir = args.work / "build"
    sync_tree(tree)
    stale = check(MUTANTS, tree)
    if stale:
        for index, mutant, old, count in stale:
            print(f"mutant {index} ({mutant.file}: {mutant.what}) matches {count} times:\n  {old!r}")
        return 2
    if not (build_dir / "CMakeCache.txt").exists():
        subprocess.run(["cmake", "-S", str(tree), "-B", str(build_dir), "-DCMAKE_BUILD_TYPE=Debug"],
                       check=True, stdout=subprocess.DEVNULL)
    binary = build_dir / "tests" / "unit" / "unit_tests"

    started = time.monotonic()
    built, output = build(build_dir, args.jobs)
    if not built:
        print(output[-4000:])
        return 2
    passed, reason = run_suite(binary, args.shards, args.timeout)
    if not passed:
        print(f"the unchanged suite fails: {reason}")
        return 2

    killed, survivors, broken = [], [], []
    for index in chosen:
        mutant = MUTANTS[index - 1]
        path = tree / mutant.file
        original = path.read_text()
        mutated = original
        for old, new in mutant.edits:
            mutated = mutated.replace(old, new, 1)
        try:
            path.write_text(mutated)
            built, output = build(build_dir, args.jobs)
            if not built:
                broken.append((index, mutant))
                outcome = "does not build"
            else:
                passed, reason = run_suite(binary, args.shards, args.timeout)
                if passed:
                    survivors.append((index, mutant))
                    outcome = "SURVIVED"
                else:
                    killed.append((index, mutant))
                    outcome = f"killed by {reason}"
        finally:
            path.write_text(original)
        print(f"[{index:3}] {mutant.file}: {mutant.what}: {outcome}", flush=True)

    total = len(killed) + len(survivors)
    print(f"\nkilled {len(killed)} of {total} mutants"
          f" ({100.0 * len(killed) / total if total else 0:.0f} %)"
          f" in {time.monotonic() - started:.0f} s")
    for index, mutant in survivors:
        print(f"  survived [{index}] {mutant.file}: {mutant.what}")
    for index, mutant in broken:
        print(f"  does not build [{index}] {mutant.file}: {mutant.what}")
    # The copy is left as the working tree had it, for the next run.
    build(build_dir, args.jobs)
    return 0


if __name__ == "__main__":
    sys.exit(main())
