#pragma once

#include <QLocale>

namespace velloxa {

// The locale whose forms "Regional settings" stands for: the system's, or the C locale where
// the system takes its date and time forms from C or POSIX, which has no regional settings
// (ValueText.h gives the ISO forms for it). On Unix the time forms follow LC_ALL, LC_TIME or
// LANG, whatever LANGUAGE says: "LANG=C.UTF-8 LANGUAGE=en" is C for dates, English by name.
QLocale RegionalSettings();

} // namespace velloxa
