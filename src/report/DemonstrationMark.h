#pragma once
// The reports of a demonstration calibration say so on every page: "Demonstration calibration:
// not for clinical use", in red, centred in the top margin above the page's header, where no
// other object of the report lies.

#include "report/Layout.h"

namespace report {

// Puts the line on every page of `layout` that prints on its own.
void markDemonstration(ReportLayout& layout);

}  // namespace report
