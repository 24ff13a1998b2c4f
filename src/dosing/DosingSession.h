#pragma once
// The dosing state of the open course, without widgets: the age and skin type behind the MED
// estimate, the three tone estimates, the plan columns of the schedule grid, the course graph's
// title and points, and what is enabled. The main window keeps one of these; each of its handlers
// copies the widget texts in, calls the operation of the same name, shows the result and does the
// database writes. Every rule about the estimate and the plan lives here, so that the window, the
// command-line tool and the tests all run the same code.
//
// The fields are public, as the window's own fields are: the loaders set loadingStoredCourse, the grid reads
// plannedDose and writes the "% Inc" column, the report reads the plan columns.

#include <QString>
#include <array>
#include <optional>
#include <span>
#include <vector>

#include "dosing/FactorTables.h"
#include "dosing/TreatmentPlan.h"

namespace dosing {

// Columns 2..5 of the schedule grid, rows 1..29 (row r at [r - 1]).
struct ScheduleColumns {
  RowTexts dose;      // "Dose (mJ)": the planned dose
  RowTexts erythema;  // "Erythema": the projected erythema dose
  RowTexts inc;       // "% Inc": the increments the plan follows, editable
  RowTexts defInc;    // "Def %Inc": the skin type's default increments
};

// What a click on a tone panel asks of the window.
struct ToneChoice {
  bool ageApplied = false;         // a typed age was taken first (store it, as on leaving the age box)
  std::optional<QString> medText;  // put this into the MED box; none for a type without estimates
};

class DosingSession {
 public:
  explicit DosingSession(FactorTables tables = {}) : tables_(std::move(tables)) {}

  const FactorTables& tables() const { return tables_; }

  // The MED estimate.
  double age() const { return age_; }                   // in years; 0 = no age entered
  int estimatedItem() const { return estimatedItem_; }  // skin-type item of the last estimate
  const std::array<double, kSkinTypes>& sensitiveMeds() const { return sensitiveMeds_; }
  const std::array<double, kSkinTypes>& averageMeds() const { return averageMeds_; }
  const std::array<double, kSkinTypes>& insensitiveMeds() const { return insensitiveMeds_; }
  int toneClass() const { return toneClass_; }  // skin-tone class 0..2

  // The plan.
  double lastWarnedMed() const { return lastWarnedMed_; }
  bool loadingStoredCourse() const { return loadingStoredCourse_; }
  const RowValues& plannedDose() const { return plannedDose_; }  // treatments 1..29 (row r at [r - 1])

  // What the widgets show.
  int skinTypeItem() const { return skinTypeItem_; }   // the chosen item of the skin-type list (-1 none)
  const QString& ageText() const { return ageText_; }  // the age box
  const ScheduleColumns& grid() const { return grid_; }
  const std::array<QString, 3>& toneLabels() const { return toneLabels_; }
  bool tonePanelsEnabled() const { return tonePanelsEnabled_; }
  // Per tone panel: whether its estimate may be chosen. An estimate that rounds to an MED outside
  // the clinical limits (0 or less, as a calibration's curve may give at an extreme age) is never
  // offered: its panel stays disabled and its label empty.
  const std::array<bool, 3>& toneOffered() const { return toneOffered_; }
  // Whether an estimate may be offered as a choice: its rounded value is an MED within the limits.
  static bool offered(double estimate);
  bool gridEnabled() const { return gridEnabled_; }
  bool printEnabled() const { return printEnabled_; }
  const QString& chartTitle() const { return chartTitle_; }
  const PlanSeries& series() const { return series_; }

  // While a stored course or a legacy file is loaded, a plan computed on the way gives no warnings.
  void setLoadingStoredCourse(bool loading) { loadingStoredCourse_ = loading; }

  // The age box shows `text` without the age being taken (an emptied box, a course being opened).
  void showAgeText(const QString& text) { ageText_ = text; }

  // The "% Inc" column as typed, read from a stored course or merged with another workstation's.
  void setIncrements(const RowTexts& increments) { grid_.inc = increments; }
  void setIncrement(int row, const QString& text) { grid_.inc[static_cast<std::size_t>(row)] = text; }

  // Takes a new age: unless it is the age already held, writes it into the age box ("%3.1F") and
  // recomputes the estimate. Returns whether the age changed (the window then stores it).
  bool setAge(double age);

  // Recomputes the three tone estimates of every skin type at the current age and shows those of
  // the chosen skin type. It clears the plan and does not recompute it.
  void updateEstimates();

  // Empties the plan display: columns 2 and 3, the graph and its title, the tone labels; the grid
  // and the tone panels are disabled (a panel is only ever clickable beside an estimate it shows)
  // and the last warned MED forgotten. The increments, the planned doses and the MED box stay.
  void clearPlan();

  // A skin type chosen (item -1..6; anything else counts as none): loads its default schedule into
  // "% Inc" and "Def %Inc", replacing edited increments, and recomputes the estimate once an age is
  // known.
  void chooseSkinType(int item);

  // The age box left with `text`: a number is taken as the age, anything else is ignored.
  // Returns whether the text was a number (the window then stores the age and re-reads the course).
  bool enterAge(const QString& text);

  // The birth date changed (`birth` and `now` as stored date-times, in days). It sets the age only
  // while the age box `ageBoxText` is empty; returns whether it did.
  bool takeBirthDate(const QString& ageBoxText, double birth, double now);

  // A click on the tone panel `tag` (0 Sensitive, 1 Average, 2 In-Sensitive). When the age box has
  // the focus, pass its text: the typed age is applied first. For types I..VI it selects the class
  // and returns the rounded estimate as the new MED text; it sets the chart title in every case.
  ToneChoice chooseTone(int tag, const QString& comboText, const std::optional<QString>& focusedAgeText = std::nullopt);

  // Recomputes the plan from the MED text and the increments in the grid. `records` are treatments
  // 1..29. An MED or an increment outside the clinical limits counts as unreadable: no plan is
  // built on it. Returns the warnings to show, in order. (Whether the plan is computed at all in a
  // given mode of the window is the caller's rule.)
  std::vector<PlanWarning> planForMed(const QString& medText, const QString& comboText,
                                      std::span<const TreatmentRecord> records = {});

 private:
  FactorTables tables_;

  double age_ = 0;
  int estimatedItem_ = 0;  // -1 none, 0..5 types I..VI, 6 "Agressive"
  std::array<double, kSkinTypes> sensitiveMeds_{}, averageMeds_{}, insensitiveMeds_{};
  int toneClass_ = 0;

  double lastWarnedMed_ = 0;  // MED of the last computation that reached the warnings
  bool loadingStoredCourse_ = false;
  RowValues plannedDose_{};

  int skinTypeItem_ = -1;
  QString ageText_;
  ScheduleColumns grid_;
  std::array<QString, 3> toneLabels_{QStringLiteral("**"), QStringLiteral("**"), QStringLiteral("**")};
  bool tonePanelsEnabled_ = false;
  std::array<bool, 3> toneOffered_{};
  bool gridEnabled_ = false;
  bool printEnabled_ = false;
  QString chartTitle_;
  PlanSeries series_;
};

}  // namespace dosing
