// The integer value of one key of an INI file, read as the Windows profile
// functions read it.
#ifndef TARSEL_CONFIG_INI_READER_H
#define TARSEL_CONFIG_INI_READER_H

#include <string>

namespace tarsel {

// Section and key compared without case, blanks around names and "=" ignored,
// lines starting with ";" skipped, the value's leading integer with its sign;
// defaultValue when the section or key is missing, 0 when the value has no
// digits.
int ParseIniInt(const std::string& text, const std::string& section, const std::string& key,
                int defaultValue);

// The same for a file; defaultValue when it cannot be read.
int ReadIniInt(const std::string& path, const std::string& section, const std::string& key,
               int defaultValue);

}  // namespace tarsel

#endif  // TARSEL_CONFIG_INI_READER_H
