#include "base/Directories.h"

QString StartDir;
QString DBDir;
