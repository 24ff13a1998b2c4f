#pragma once
// The spots of the current course row (SpotsLength and Spots), read and written the one way the
// window and the command-line tool both use.

#include <QPoint>
#include <optional>
#include <vector>

namespace records {
class Store;
}

namespace diagram {

// The stored spots of the current course; nothing when its Spots column is null (never written).
// A count larger than the stored bytes gives (0, 0) for the spots the bytes do not reach.
std::optional<std::vector<QPoint>> loadCourseSpots(const records::Store& data);

// Cuts `spots` to the first 20 and writes them into the current course row (in edit mode).
void storeCourseSpots(records::Store& data, std::vector<QPoint>& spots);

}  // namespace diagram
