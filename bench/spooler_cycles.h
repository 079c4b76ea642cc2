// The floor of a spooler restart: a stop and a start of the "Spooler"
// service through the same service calls the installer makes, with nothing
// else around them and the state polled every millisecond.
#pragma once

namespace bench {

// Restarts the spooler `cycles` times; the milliseconds it took, or a
// negative value when the service manager refused or a state did not come
// within 30 s.
double BareSpoolerRestarts(int cycles);

// Milliseconds since an arbitrary fixed point, for differences.
double NowMs();

}  // namespace bench
