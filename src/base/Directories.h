#pragma once
// The two directories the program works from: where it was started (the dose factor file and the
// help are found there) and where the patient database lies.

#include <QString>

extern QString StartDir;  // the process's current directory when the program started
extern QString DBDir;     // the directory of the database file; empty when none is set
