#pragma once
// The current patient's lifetime exposure, read from every course the course cursor lists (the
// patient's courses) without moving it.

#include "treatment/Exposure.h"

namespace records {

class Store;

// Sums the recorded treatments and delivered doses of all courses of the current patient; a
// course on which nothing was ever recorded counts as a course with no treatments.
treatment::Exposure lifetimeExposure(const records::Store& data);

}  // namespace records
