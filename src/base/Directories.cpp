#include "base/Directories.h"

namespace settings {

void DatabaseSetting::set(const QString& value) {
  if (value == value_) return;
  value_ = value;
  emit changed(value_);
}

}  // namespace settings
