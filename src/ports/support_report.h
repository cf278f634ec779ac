#pragma once
// The support report: one UTF-8 text to hand to support when a cable or a modem does not work,
// with what support asks first: the program's version, the system and its kernel, the cable
// check and the files of the gsmprog package. It never holds the card database, and stays under
// SupportReportLimit bytes however long its parts grow.

#include <cstddef>
#include <string>

#include "ports/cable_check.h"

namespace gsmprog {

inline constexpr std::size_t SupportReportLimit = 1000 * 1000;

struct SupportReportInput {
    std::string program;     // "gsmprog-cli 1.38"
    std::string logNote;     // where the diagnostic log of a failure is to be found
    CheckPlaces places;
};

// A heading line per part ("== Проверка кабеля =="), the parts in the order above.
std::string SupportReportText(const SupportReportInput& input);

}  // namespace gsmprog
