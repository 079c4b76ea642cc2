// Removing a printer the installer made, with what it leaves behind.
#pragma once

#include <string>

#include "platform/platform.h"
#include "unattended/outcomes.h"
#include "unattended/run_log.h"

// Deletes printer `printerName` (its jobs purged first); then its driver for
// `environment` when no other printer uses it; then, when it was a label
// printer and no label printer is left, the language monitor. Returns
// kDone, kNoSuchPrinter (nothing changed: a removal run twice ends as
// well the second time) or kRemovalRefused (the spooler refused one of the
// deletions; the log says which).
Outcome RemovePrinter(plat::Platform& platform, const std::string& printerName,
                       const std::string& environment, CRunLog& log);
