#pragma once
// The names the PDF export proposes. A name comes from the patient's NHI, or from a prepared
// report's file, which may come from anywhere: either way it becomes a plain file name that ends in
// ".pdf", so that it can only name a file in the folder it is put into, never a folder above it,
// another folder, a hidden file or a file of another kind (the database among them).

#include <QString>

namespace report {

// `stem` made fit to start a file name: "/", "\" and control characters become "_", as do dots at
// its start; an empty stem becomes "report"; a stem longer than 100 characters is cut to 100.
QString plainFileStem(const QString& stem);

// A stored name reduced to a plain file name ending in ".pdf": a final ".pdf" (any letter case) is
// taken off, the rest made a plain stem, and ".pdf" put after it. "ABC1234.pdf" stays as it is;
// "../../.bashrc" becomes "___.._.bashrc.pdf", "/srv/halcyra/Brell_Data.db" "_srv_halcyra_Brell_Data.db.pdf".
QString plainPdfFileName(const QString& stored);

}  // namespace report
