// What the port dialogs and the port choice hand back.
#pragma once

constexpr int PORT_CHOICE_BASE = 0x1200;     // plus the row of the chosen port
constexpr int PORT_CHOICE_CANCEL = 0xCCCC;   // no port to use
constexpr int PORT_CHOICE_CREATED = 0xAAAA;  // a new TCP/IP port: take the list's first
