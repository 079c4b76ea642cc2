// The driver records the installations register, built from the catalogue.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "install/catalogue.h"
#include "platform/spooler.h"

// The installer's buffers: a driver path (NUL included) and the dependent
// file block (names, their NULs and the closing NUL), for receipt and label
// drivers.
constexpr std::size_t kDriverPathSize = 260;
constexpr std::size_t kDependentListSize = 255;
constexpr std::size_t kLabelPathSize = 200;
constexpr std::size_t kLabelDependentListSize = 500;

constexpr const char* kLanguageMonitor = "Advanced Language Monitor";

// Bytes the dependent-file block of `files` takes.
std::size_t DependentBlockSize(const std::vector<std::string>& files);

// The record of a receipt model's driver for `environment`, its files in
// `driverDirectory`; version 2 for Windows NT 4. Nothing when a path or the
// dependent block would not fit the installer's buffers.
std::optional<plat::DriverInfo3> ReceiptDriverRecord(const ReceiptModel& model,
                                                     const std::string& environment,
                                                     const std::string& driverDirectory, bool nt4);

// The record of a label model's driver; `files` is the label file list of
// the system's word size. Nothing when a path or the dependent block would
// not fit the installer's buffers.
std::optional<plat::DriverInfo3> LabelDriverRecord(const LabelModel& model,
                                                   const char* const (&files)[30],
                                                   const std::string& environment,
                                                   const std::string& driverDirectory, bool nt4);
