// Removing the working files the driver package was unpacked into.
#pragma once

#include "platform/files.h"

// Removes `dir` and everything below it, depth first. Files that cannot be
// deleted (read-only, in use) stay, and so do the folders that hold them.
// A junction (or folder link) below `dir` is removed as a link, never
// followed; when `dir` itself is one, nothing is touched. Returns whether
// `dir` itself was removed.
bool DeleteDirectoryTree(plat::IFiles& files, const char* dir);

// Removes "c:\Barcode", "c:\Ticket" and "c:\DriverName.cfg", in this order,
// silently.
void DeleteWorkingFiles(plat::IFiles& files);

// The working files, as DeleteWorkingFiles removes them: nothing of the
// user's may live there.
constexpr const char* kWorkingPaths[] = {"c:\\Barcode", "c:\\Ticket", "c:\\DriverName.cfg"};
