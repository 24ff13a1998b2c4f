#pragma once
// What the open course is doing at the moment. The program's own changes to the screen never start
// a user's operation; the mode says what the operations and the store's signals may do meanwhile.

namespace course {

enum class Mode {
  List,     // no patient open: the top strip searches the patient list
  Patient,  // a patient and a course are open: every change is stored at once
  Loading,  // a course is being opened: the estimate, plan and photograph are worked out, nothing stored
  Import,   // patient files of the older system are being imported: the importer writes its own rows
  Quiet,    // the store is being re-read or the window cleared or closed: nothing is worked out or stored
};

}  // namespace course
