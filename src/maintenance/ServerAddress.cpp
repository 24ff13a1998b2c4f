#include "maintenance/ServerAddress.h"

namespace maintenance {

bool isServerAddress(const QString& location) {
  return location.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
         location.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

}  // namespace maintenance
