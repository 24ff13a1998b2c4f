#pragma once
// The skin-type choices and the names of the three skin-tone classes, spelled as the window
// shows them.

#include <QString>
#include <array>

namespace dosing {

constexpr int kSkinTypes = 6;  // types I..VI have estimates; "Agressive" (item 6) has none

// The items of the skin-type list, index 0..6.
inline const std::array<QString, 7> SkinTypeItems = {
    QStringLiteral("I    Always burns, never tans"),
    QStringLiteral("II   Always burns, sometimes tans"),
    QStringLiteral("III  Sometimes burns, always tans"),
    QStringLiteral("IV  Never burns, always tans"),
    QStringLiteral("V   Moderately pigmented"),
    QStringLiteral("VI  Black"),
    QStringLiteral("Agressive"),
};

// The text the skin-type list shows for an item; empty when nothing is chosen.
inline QString skinTypeText(int item) {
  return item >= 0 && item < static_cast<int>(SkinTypeItems.size()) ? SkinTypeItems[item] : QString();
}

// True for the items that have tone estimates and a deliverable range: types I..VI.
constexpr bool hasEstimates(int item) { return item >= 0 && item < kSkinTypes; }

// Skin-tone classes 0..2, the word the chart title uses for each.
inline const std::array<QString, 3> ToneNames = {QStringLiteral("Sensitive"), QStringLiteral("Average"),
                                                 QStringLiteral("In-Sensitive")};

}  // namespace dosing
