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

// Starts the dialog and waits for the start-up; the ports are added first
// (USB ones to the USB monitor, others as local ports).
sim::SimDialog& StartWithPorts(InstallerHarness& h, const std::vector<std::string>& ports);

// Picks the driver named `name` and the port row `row`, then clicks Install
// and waits until the dialog is idle again (or shows a message box).
void Install(InstallerHarness& h, const std::string& name, int row);

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
