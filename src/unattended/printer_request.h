// One printer to install, as /install's options or a [Printer.N] section of
// a /config file ask for it, and the checks of each value both share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct PrinterRequest {
    std::string driverName = {};
    std::string printerName = {};  // empty: named as the dialog proposes
    int portKind = -1;             // usb|serial|parallel|tcpip as a port-kind row; -1: as proposed
    std::string portName = {};     // a parallel or TCP/IP port by its name; empty: the first of the kind
    std::string tcpipHost = {};    // tcpip:HOST[:PORT]: the TCP/IP port of that address, made if need be
    std::uint32_t tcpipPort = 0;   // its port number (9100 when not given)
    int baudRate = 0;              // 0: the serial prompt's preselected rate
    bool setDefault = true;
    int line = 0;                  // the line of its [Printer.N] section; 0 for /install

    bool operator==(const PrinterRequest&) const = default;
};

// The longest names the dialog's fields take: a driver name as the driver
// list is read into the driver box, a printer name as the spooler takes it.
constexpr std::size_t kMaxDriverNameLength = 127;
constexpr std::size_t kMaxPrinterNameLength = 220;
// A TCP/IP port's host address field holds 48 characters.
constexpr std::size_t kMaxHostLength = 48;

// Each returns why the value is refused, or "" when it is taken into
// `request`.
// A port: usb, serial, parallel, tcpip, tcpip:HOST[:PORT] (HOST an IPv4
// address or a host name), or a port's name.
std::string TakePort(const std::string& value, PrinterRequest* request);
// A rate the serial prompt offers.
std::string TakeBaudRate(const std::string& value, PrinterRequest* request);
std::string TakeDriverName(const std::string& value, PrinterRequest* request);
std::string TakePrinterName(const std::string& value, PrinterRequest* request);

// The name of the TCP/IP port made for `host` and `port`: "IP_<host>", with
// "_<port>" after it unless the port is 9100.
std::string TcpipPortNameFor(const std::string& host, std::uint32_t port);

// "Driver 0" and "driver 0" alike.
bool SameText(const std::string& a, const std::string& b);
// Port names compared without case and without the colon some lists add
// ("LPT2" and "lpt2:" alike).
bool SamePortName(const std::string& a, const std::string& b);
