#pragma once
// The calibration the program reads once at start-up from the dose factor file "UVB_Factors.Dat".
// Every field starts at zero, empty or none: a field the file does not reach keeps that value.

#include <QImage>
#include <QString>
#include <array>
#include <cstdint>
#include <string>

struct FactorTables {
  double ESF = 0;                         // every tone estimate is multiplied by it
  std::array<double, 24> Lighter{};       // Sensitive: 4 coefficients c0..c3 per skin type I..VI
  std::array<double, 24> Average{};       // Average
  std::array<double, 24> Darker{};        // In-Sensitive
  std::array<std::int32_t, 6> MED_Min{};  // smallest deliverable first dose per skin type, mJ/cm2
  std::array<std::int32_t, 6> MED_Max{};  // largest deliverable first dose per skin type, mJ/cm2
  std::array<std::uint8_t, 8> Min_DA{};   // kept, used by no computation
  std::array<std::uint8_t, 8> Max_DA{};   // kept, used by no computation
  std::int32_t Default_Lang = 0;          // default item of the language list
  std::string Default_Format;             // patient-ID pattern, single-byte characters
  QImage Logo;                            // report logo; null when the file carries none
  bool Demonstration = false;             // the file marks itself as a demonstration calibration

  // Where the tables were read from (the About tab shows it): the file's full path and the SHA-256
  // of its bytes in hexadecimal; empty when the tables were not read from a file.
  QString SourcePath;
  QString SourceSha256;
};
