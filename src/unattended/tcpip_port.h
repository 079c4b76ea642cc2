// The standard TCP/IP port of an address, for a network printer installed
// without a dialog: the one there is, else one made through the port
// monitor's own interface (XcvDataW "AddPort"), with no window.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

struct TcpipPortFound {
    std::string portName;  // "" when there is none and none could be made
    bool created = false;
    std::string error;     // why not, when portName is ""
};

// A port of the standard TCP/IP monitor whose settings name `host` (without
// case) and `port`, or, where its settings cannot be read, whose name is
// the one TcpipPortNameFor gives; else a new raw port of that name (a
// suffix "_1" ... when another port has the name).
TcpipPortFound FindOrAddTcpipPort(plat::ISpooler& spooler, plat::ISystem& system, const std::string& host,
                                  std::uint32_t port);
