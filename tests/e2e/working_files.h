// The working files the installer unpacks from its driver package to the
// root of drive C: and removes again when its dialog closes.
#pragma once

#include <string>
#include <vector>

#include "e2e_options.h"

namespace e2e {

// Every item the package yields at the root of C:, folders and the driver
// list file.
const std::vector<std::string>& WorkingItems();

// The items of WorkingItems() that exist now.
std::vector<std::string> PresentWorkingItems();

// The installer's working directory (its own folder when none is given).
std::string EffectiveWorkingDir(const Options& options);

// True when the driver package lies in the installer's working directory, so
// that a run unpacks it.
bool PackageAvailable(const Options& options);

// "a, b" or "none".
std::string Join(const std::vector<std::string>& items);

}  // namespace e2e
