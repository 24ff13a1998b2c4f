#include "base/AppState.h"

std::uint8_t AppState = ListMode;
QString StartDir;
QString DBDir;
