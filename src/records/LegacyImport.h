#pragma once
// Importing one patient file of the older system (*.UVB) into the store: the same code for the
// Bulk Import tab and for `halcyra-tool import`.
//
// The whole file is read and checked before anything is written. A file that cannot be opened, is
// malformed, has a MED that is not a whole number or an NHI that no patient row can hold is
// skipped with its reason, and nothing of it reaches the store. A good file gives, in one
// transaction, its patient (found by the exact NHI, or created with the file's names) and one new,
// finished course holding the file's assessment: the file's last-write time as the assessment
// date, the age, how long the condition has lasted, the skin type, the MED and the 29 increments.
// If the store refuses any of it, none of the file's rows remain and the cursors read the file
// anew.

#include <QString>
#include <cstdint>

#include "records/LegacyFile.h"

namespace records {

class Store;

struct LegacyImport {
  enum class Status {
    Skipped,   // the file cannot be imported; `reason` says why
    Checked,   // read and checked, ready to be stored
    Imported,  // its patient and course are in the store
  };
  Status status = Status::Skipped;
  QString path;    // the file as given
  QString reason;  // why it was skipped; starts with the file's path

  // Once checked: the file's fields and what they give.
  LegacyPatient file;
  QString key;      // the patient key the NHI gives ("BLANK" for none)
  NameParts names;  // the full name split into first name and surname
  std::int32_t med = 0;

  // Once imported: where the course went.
  QString hosp;      // the NHI of the patient as stored (an existing patient's own spelling)
  int courseId = 0;  // the new course's number within the patient
  bool newPatient = false;

  bool imported() const { return status == Status::Imported; }
};

// The most characters an NHI can have (the width of the patients' key column).
inline constexpr int kLongestNhi = 8;

// Reads and checks the file at `path`; writes nothing. Status Checked, or Skipped with a reason.
LegacyImport checkLegacyFile(const QString& path);
// The same checks on a file already read; `path` names the file in the reason.
LegacyImport checkLegacyRead(const QString& path, LegacyRead read);

// Stores a checked file in the store of `data` (see the top of this file) and sets the status to
// Imported, or to Skipped with the store's reason. Afterwards the imported patient and course are current, the patient list is not
// filtered; after a refusal the patient that was current before is current again when it still
// exists. Never throws for a refusal of the store.
void storeLegacyImport(records::Store& data, LegacyImport& import);

// checkLegacyFile, then storeLegacyImport when the file passed.
LegacyImport importLegacyFile(records::Store& data, const QString& path);

// The lines of a batch's log, the same in the window and the tool.
// "SMITH.UVB   2": the file's name without its folder, three blanks, its index in the batch from 0.
QString legacyFileLine(const QString& path, int index);
// The line under a skipped file's line.
QString legacySkipLine(const LegacyImport& import);
// The last line of a batch: "Import finished: 3 files imported, 1 file skipped."
QString legacySummaryLine(int imported, int skipped);

}  // namespace records
