#pragma once
// How "Load Data" on the Bulk Import tab asks for the patient files of the older system: a
// file-open dialog ("UVB Patient", several files at once), or a replacement set by a test.

#include <QStringList>
#include <functional>

class QWidget;

namespace ui {

// Returns the chosen files' full paths in the order chosen; none when the user cancels.
using LegacyFileChooser = std::function<QStringList(QWidget* parent)>;

// Replaces the dialog (for tests); an empty function brings the dialog back.
void setLegacyFileChooser(LegacyFileChooser chooser);

}  // namespace ui
