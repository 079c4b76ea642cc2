#include "unattended/printer_request.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "dialogs/serial_prompt_dlg.h"
#include "platform/tcpip_port_data.h"
#include "ports/port_kinds.h"

namespace {

std::string Lower(std::string text) {
    for (char& ch : text) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return text;
}

bool AllDigits(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char ch) { return std::isdigit(ch); });
}

// Four decimal parts of 0 to 255, without leading zeros (which some
// resolvers read as octal).
bool IsIpv4(const std::string& host) {
    int parts = 0;
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type dot = host.find('.', start);
        const std::string part = host.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        if (!AllDigits(part) || part.size() > 3 || (part.size() > 1 && part[0] == '0') ||
            std::atoi(part.c_str()) > 255) {
            return false;
        }
        ++parts;
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    return parts == 4;
}

// Labels of letters, digits and hyphens, none starting or ending with a
// hyphen, and not all digits and dots (that would be a mistyped address).
bool IsHostName(const std::string& host) {
    if (host.find_first_not_of("0123456789.") == std::string::npos) return false;
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type dot = host.find('.', start);
        const std::string label = host.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-' ||
            !std::all_of(label.begin(), label.end(),
                         [](unsigned char ch) { return std::isalnum(ch) || ch == '-'; })) {
            return false;
        }
        if (dot == std::string::npos) return true;
        start = dot + 1;
    }
}

std::string TakeTcpipAddress(const std::string& value, const std::string& address, PrinterRequest* request) {
    const std::string::size_type colon = address.rfind(':');
    const std::string host = address.substr(0, colon);
    std::uint32_t port = plat::kTcpipDefaultPortNumber;
    if (colon != std::string::npos) {
        const std::string number = address.substr(colon + 1);
        if (!AllDigits(number) || number.size() > 5 || std::atoi(number.c_str()) < 1 ||
            std::atoi(number.c_str()) > 65535) {
            return "\"" + value + "\": the port number must be 1 to 65535";
        }
        port = static_cast<std::uint32_t>(std::atoi(number.c_str()));
    }
    if (host.empty() || host.size() > kMaxHostLength || !(IsIpv4(host) || IsHostName(host))) {
        return "\"" + value + "\" is no address: give tcpip:HOST or tcpip:HOST:PORT, HOST an IPv4 address "
               "or a host name of at most 48 characters";
    }
    request->portKind = kPortTcpip;
    request->tcpipHost = host;
    request->tcpipPort = port;
    return "";
}

}  // namespace

bool SameText(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

std::string TakePort(const std::string& value, PrinterRequest* request) {
    static const char* const kKindNames[kPortKindCount] = {"serial", "usb", "parallel", "tcpip"};
    const std::string name = Lower(value);
    for (int kind = 0; kind < kPortKindCount; ++kind) {
        if (name == kKindNames[kind]) {
            request->portKind = kind;
            return "";
        }
    }
    if (name.rfind("tcpip:", 0) == 0) return TakeTcpipAddress(value, value.substr(6), request);
    request->portName = value;
    return "";
}

std::string TakeBaudRate(const std::string& value, PrinterRequest* request) {
    for (const char* rate : CSerialPromptDlg::kBaudRates) {
        if (value == rate) {
            request->baudRate = std::atoi(rate);
            return "";
        }
    }
    return "the baud rate must be 300, 1200, 2400, 4800, 9600, 19200, 38400, 57600 or 115200";
}

std::string TakeDriverName(const std::string& value, PrinterRequest* request) {
    request->driverName = value;
    if (value.size() > kMaxDriverNameLength) {
        return "the driver name is longer than " + std::to_string(kMaxDriverNameLength) + " characters";
    }
    return "";
}

std::string TakePrinterName(const std::string& value, PrinterRequest* request) {
    request->printerName = value;
    if (value.size() > kMaxPrinterNameLength) {
        return "the printer name is longer than " + std::to_string(kMaxPrinterNameLength) + " characters";
    }
    // The spooler refuses such names, and a comma would split the
    // default-printer value.
    if (value.find_first_of("\\,") != std::string::npos) return "a printer name cannot contain \\ or ,";
    return "";
}

std::string TcpipPortNameFor(const std::string& host, std::uint32_t port) {
    std::string name = "IP_";
    name += host;
    if (port != plat::kTcpipDefaultPortNumber) {
        name += '_';
        name += std::to_string(port);
    }
    return name;
}

bool SamePortName(const std::string& a, const std::string& b) {
    auto bare = [](const std::string& name) {
        return Lower(!name.empty() && name.back() == ':' ? name.substr(0, name.size() - 1) : name);
    };
    return bare(a) == bare(b);
}
