// The Bulk Import tab: legacy patient files read into the store, with a log and progress.

#include "shell/SkinU.h"

void TForm1::connectImportHandlers() {}
