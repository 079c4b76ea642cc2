// The texts a person reads in the installer's message boxes, on its Install
// button and in its last status line: each written once, here, for the code
// that shows it and the tests that expect it. Some hold a full-width colon
// (the bytes A3 BA), kept byte for byte as the boxes have always shown it.
#pragma once

// The Install button: before, after a failure that may be retried, at the end.
inline constexpr char kInstallCaption[] = "&Install";
inline constexpr char kReinstallCaption[] = "Reinstall";
inline constexpr char kFinishCaption[] = "&Finish";
inline constexpr char kCompletedStatus[] = "The installation is completed.";

// Box captions other than the program's title.
inline constexpr char kErrorCaption[] = "Error";
inline constexpr char kPromptCaption[] = "Prompt";
inline constexpr char kErrorPromptCaption[] = "Error prompt";
inline constexpr char kNoUsbPortCaption[] = "Fail to select port";
inline constexpr char kSerialErrorCaption[] = "Application Error";

// Installing the driver and the printer.
inline constexpr char kUnknownDriverBefore[] = "The driver \"";
inline constexpr char kUnknownDriverAfter[] =
    "\" is not known to this installer.\r\nPlease choose another driver.";
inline constexpr char kNoUsefulPortText[] =
    "There's no available useful port,please select other type of port";
inline constexpr char kMissingFilesText[] = "Missing system flies,please repair system";
inline constexpr char kAddPrinterErrorFormat[] = "Error AddPrinter %d";
inline constexpr char kDefaultPrinterNotSetText[] = "Error\xA3\xBA" "Failed to set regist";
inline constexpr char kNoSystemFolderText[] = "The system folder cannot be found.";
inline constexpr char kMonitorRefusedText[] = "Failed to add Monitor\r\n";
inline constexpr char kNoDriverFolderFormat[] =
    "The printer driver folder of Windows could not be found (error %u).";
// The driver's error code, then "Exit" (receipt printers) or "exit".
inline constexpr char kDriverRefusedFormat[] =
    "Failed to add the driver %d\r\n\r\nClick Retry:You can retry\r\n"
    "Click Cancel\xA3\xBA%s and abort installation";
inline constexpr char kFolderTooLongBefore[] = "The folder";
inline constexpr char kFolderTooLongAfter[] = " is too long for this installer.";
inline constexpr char kSpoolerStatusUnknownText[] = "Service status is unknown";
inline constexpr char kServiceLateBefore[] = "The service \"";
inline constexpr char kServiceLateAfter[] = "\" did not reach the expected state in time.";

// Ports.
inline constexpr char kRegistryReadFailedText[] = "Failed to read Registry";
inline constexpr char kPortsWriteFailedText[] = "Error\xA3\xBA" "Failed to set Registry";
inline constexpr char kNoUsbPortText[] =
    "Failed to select USB port,please check the port is connected.\r\n\r\n"
    "Click Retry:Retry to select usb port\r\n"
    "Click Cancel:Continue installation, you can select the port after installation";
inline constexpr char kNoParallelPortText[] =
    "There is no available parallel port.\r\n\r\nPlease select other port type.";
inline constexpr char kNoTcpipPortText[] =
    "There is no available TCP/IP port\r\nClick \"Add port\" to create a new port";
inline constexpr char kConfigureUnsupportedText[] =
    "Failed to configure printer port.\r\nThe request is not supported.";
inline constexpr char kConfigureUnsupportedCaption[] = "Configure Port";
inline constexpr char kConfigureHardwareErrorText[] =
    "Failed to configure printer port.\r\nA hardware error occurred. ";
inline constexpr char kConfigureHardwareErrorCaption[] = "Configure Por";
inline constexpr char kDeleteUnsupportedText[] = "Failed to delete port.The request is not supported.";
inline constexpr char kDeleteUnsupportedCaption[] = "Delete Port";
