#pragma once
// The record of one treatment, and the colours that response and burn codes are shown in.
//
// A record is recorded exactly when its response is not 0; the other fields of a record that is
// not recorded carry no meaning and nobody reads them.

#include <QColor>
#include <array>
#include <cstdint>
#include <string>

struct TreatmentRecord {
  std::int8_t burn = 0;      // 0 none, 5 "Burn I", 6 "Burn II", 7 "Burn III"
  std::int8_t response = 0;  // 0 not recorded, 1 "Missed", 2 "Worse", 3 "Same", 4 "Clearing"
  float Temperature = 0;     // degrees Celsius; 0 when none was entered
  float Dose = 0;            // delivered dose, mJ/cm2; 0 when none was entered
  std::string time;          // treatment time "mm:ss", at most 5 single-byte characters
  std::string Initials;      // therapist's initials, at most 3 single-byte characters
  double When = 0;           // date of the treatment (days since 1899-12-30); only the day counts

  bool recorded() const { return response != 0; }
  // A visit the patient did not come to: recorded, but no treatment was given.
  bool missed() const { return response == 1; }
  // What reached the patient's skin, mJ/cm2: the dose entered for a treatment given, nothing for
  // a missed visit or a row not recorded.
  double deliveredDose() const { return recorded() && !missed() ? Dose : 0.0; }
};

constexpr int kTreatments = 29;  // rows 1..29 of the schedule

// One numbering for response codes 1..4 and burn codes 5..7; index 0 is "no burn".
enum ResponseCode : std::int8_t {
  NoBurn = 0,
  Missed = 1,
  Worse = 2,
  Same = 3,
  Clearing = 4,
  BurnI = 5,
  BurnII = 6,
  BurnIII = 7
};

// The colour of a response or burn code (index 0..7). Any other index gives white.
QColor responseColour(int code);
