// The treatment schedule on the main window: recording a treatment from a row, painting recorded
// rows, and following the increments as they are typed.

#include "shell/SkinU.h"

void TForm1::connectScheduleHandlers() {}
