// Keeps the library's code mapped for the rest of the process once a service
// has been made: a thread of ours may still be finishing after the host's last
// call and its unload of the library.
#ifndef TARSEL_API_LIBRARY_PIN_H
#define TARSEL_API_LIBRARY_PIN_H

namespace tarsel {

// Idempotent. On Linux the link does it (-z nodelete), so this is a no-op.
void PinLibrary();

}  // namespace tarsel

#endif  // TARSEL_API_LIBRARY_PIN_H
