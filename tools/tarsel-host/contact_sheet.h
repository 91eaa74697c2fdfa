// index.html: a self-contained contact sheet of what the library delivered.
#ifndef TARSEL_HOST_CONTACT_SHEET_H
#define TARSEL_HOST_CONTACT_SHEET_H

#include <string>
#include <vector>

#include "recorder.h"

namespace tarsel_host {

// Rows of thumbnails, one per screenshot, boss sequence and speech window,
// linking the JPEGs by relative path. No scripts, nothing from elsewhere.
std::string ContactSheet(const std::vector<SavedFrame>& frames);

}  // namespace tarsel_host

#endif  // TARSEL_HOST_CONTACT_SHEET_H
