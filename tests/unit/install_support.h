// A complete driver package and a driver list with a section for every
// catalogue index, and the steps a user takes to install from it.
#pragma once

#include <string>
#include <vector>

#include "installer_harness.h"

// Sections "S0" .. "S34", section i naming "Driver i"; sections 1 and 15 also
// name "Twice".
std::string FullDriverList();

// Writes the receipt and label driver files of both word sizes, the label
// models' common files and the driver list as the driver package in
// "C:\dist".
void PlaceReceiptPackage(InstallerHarness& h, const std::string& driverList = FullDriverList());

// A driver package of one receipt driver, "Driver 0", with its files for
// both word sizes: quicker to unpack than the whole package.
void PlaceOneReceiptDriver(InstallerHarness& h);

// Starts the dialog and waits for the start-up; the ports are added first
// (USB ones to the USB monitor, others as local ports).
sim::SimDialog& StartWithPorts(InstallerHarness& h, const std::vector<std::string>& ports);

// Picks the driver named `name` and the port row `row`, then clicks Install
// and waits until the dialog is idle again (or shows a message box).
void Install(InstallerHarness& h, const std::string& name, int row);

// A printer `name` of driver `driver` on LPT1:, as another program left it.
void AddPrinterOnLpt1(InstallerHarness& h, const std::string& name, const std::string& driver);

// Entries of the call log (InstallerHarness::Recorded).
using Calls = std::vector<std::string>;
// The status line showing `text`; the progress bar moving to `pos`.
std::string Status(const std::string& text);
std::string Progress(int pos);
// `more` appended to `calls`.
void Append(Calls& calls, const Calls& more);
// The registry writes that move `printer` to `port`, in their order: the
// spooler's keys and the directory-service copy take the name, its length
// without a NUL; the current hardware profile's on-line flag is reset.
Calls PortWrites(const std::string& printer, const std::string& port);

// A simulated 64-bit Windows 10 with a port of every kind: USB001 and
// USB002 (a printer on USB002), the three parallel ports, a TCP/IP port,
// COM1 and COM2 in the serial device map (a printer answering on COM2), and
// a printer named `existingPrinter` on LPT1:, so that an installation under
// that name replaces it.
void PlaceEveryKindOfPort(InstallerHarness& h, const std::string& existingPrinter);

// Acts as a user until the installation comes to rest: answers every box
// with Cancel (OK where there is none), picks the first port a port dialog
// offers, says Yes at the serial prompt and lets the probe's timer tick.
// False when it has not come to rest within `timeout`.
bool RunToRest(InstallerHarness& h, std::chrono::milliseconds timeout);

// The threads of this process, to tell that none outlived a program.
std::size_t ThreadCount();
