#pragma once
// Runs part of a test as a user of another language would meet the program: the C library's
// locale (which Qt sets from the environment at start-up, and which printf, strtod and number
// streams follow) and Qt's default locale both set to `name`, and both restored afterwards.

#include <gtest/gtest.h>
#include <QLocale>
#include <QString>
#include <clocale>
#include <string>

class LocaleScope {
 public:
  explicit LocaleScope(const char* name) : savedC_(std::setlocale(LC_ALL, nullptr)) {
    installed_ = std::setlocale(LC_ALL, name) != nullptr;
    EXPECT_TRUE(installed_) << "the locale " << name
                            << " is not installed on this machine; scripts/deps.sh generates it";
    const QString language = QString::fromLatin1(name).section(QLatin1Char('.'), 0, 0);
    QLocale::setDefault(language == QLatin1String("C") ? QLocale::c() : QLocale(language));
  }
  ~LocaleScope() {
    std::setlocale(LC_ALL, savedC_.c_str());
    QLocale::setDefault(savedQt_);
  }
  LocaleScope(const LocaleScope&) = delete;
  LocaleScope& operator=(const LocaleScope&) = delete;
  bool installed() const { return installed_; }

  // The locales the program is tried in: its own, and languages of its patients and users whose
  // decimal separator is a comma (Turkish also folds letter case its own way).
  static constexpr const char* kNames[] = {"C", "de_DE.UTF-8", "fr_FR.UTF-8", "tr_TR.UTF-8", "sk_SK.UTF-8"};

 private:
  std::string savedC_;
  QLocale savedQt_;
  bool installed_ = false;
};
