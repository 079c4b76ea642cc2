// Writes small archives for the tests' driver packages.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct ArchiveEntry {
    std::string path;      // stored path, as written ("Ticket/x86/a.dll", "../evil")
    std::string contents;  // a file's bytes; ignored for links
    std::string linkTarget;  // non-empty: a symbolic link to this
};

// Writes a zip archive holding `entries`; returns whether it worked.
bool WriteArchive(const std::filesystem::path& hostPath, const std::vector<ArchiveEntry>& entries);

// The entries of a small but complete driver package: the driver list file
// and one file in each working folder.
std::vector<ArchiveEntry> SamplePackage(const std::string& driverListFile);
