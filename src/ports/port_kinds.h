// The kinds of port, as rows of the port-type list, and how the system's
// ports sort into them.
#pragma once

#include <string>
#include <vector>

#include "app/controls.h"
#include "platform/spooler.h"

enum PortKind { kPortSerial = 0, kPortUsb = 1, kPortParallel = 2, kPortTcpip = 3 };
constexpr int kPortKindCount = 4;

struct PortKindRow {
    const char* name;
    const char* description;
};

extern const PortKindRow kPortKinds[kPortKindCount];

// The two descriptions that mark a standard TCP/IP port; the second is the
// Simplified Chinese one in code page 936.
constexpr const char* kTcpipDescription = "Standard TCP/IP Port";
constexpr const char* kTcpipDescriptionChinese = "\xB1\xEA\xD7\xBC TCP/IP \xB6\xCB\xBF\xDA";

// At most this many enumerated ports are looked at.
constexpr std::size_t kMaxPortRecords = 256;

struct SortedPorts {
    std::vector<std::string> all;
    std::vector<std::string> usb;
    std::vector<std::string> parallel;
    std::vector<std::string> tcpip;
    int comCount = 0;
    int lptCount = 0;
    int fileCount = 0;
    int usbCount = 0;
};

// The port list a port belongs in: a name beginning with "USB" makes a USB
// port whatever its description; else a standard TCP/IP description makes a
// TCP/IP port; else a name beginning with "LPT" a parallel port.
enum class PortClass { kUsb, kTcpip, kParallel, kOther };
PortClass ClassifyPort(const std::string& name, const std::string& description);

// Sorts the first kMaxPortRecords records by kind (name prefixes compared
// case-sensitively).
SortedPorts SortPorts(const std::vector<plat::PortInfo2>& records);
// The row to preselect for the ports found.
int ProposedPortKind(const SortedPorts& ports);
// Clears hover selection and asks for full-row selection and grid lines.
void ApplyPortListStyle(const CListCtrl& list);
