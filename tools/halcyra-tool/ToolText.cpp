#include "ToolText.h"

#include <QDir>
#include <cstdio>

#include "base/OneLine.h"
#include "dosing/CalibrationCheck.h"
#include "dosing/FactorTables.h"

namespace tool {

void error(const char* command, const QString& message) {
  const QByteArray line =
      QStringLiteral("halcyra-tool %1: %2\n").arg(QLatin1String(command), text::printable(message)).toLocal8Bit();
  std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stderr);
}

void out(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
}

void warnIfDemonstration(const char* command, const FactorTables& calibration) {
  if (!calibration.Demonstration) return;
  error(command, QStringLiteral("%1 (%2)").arg(dosing::kDemonstrationWarning, calibration.SourcePath));
}

}  // namespace tool
