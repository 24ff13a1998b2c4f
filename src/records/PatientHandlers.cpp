// The patient list and the passage between list mode and patient mode.

#include "shell/SkinU.h"

void TForm1::connectRecordHandlers() {}
