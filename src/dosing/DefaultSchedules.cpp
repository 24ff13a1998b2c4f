#include "dosing/DefaultSchedules.h"

namespace dosing {

// clang-format off
const std::array<std::array<int, kTreatments>, kSchedules> DefIncTable = {{
  // 0: no skin type chosen
  {30, 20, 19, 18, 17, 16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0},
  // 1: types I and II
  {70, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 0, 0, 0, 0, 0},
  // 2: types III and IV
  {70, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 0, 0},
  // 3: types V and VI
  {70, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 0, 0},
  // 4: "Agressive"
  {70, 40, 30, 30, 30, 30, 30, 30, 30, 25, 25, 25, 25, 25, 25, 20, 20, 15, 10, 10, 10, 8, 6, 5, 4, 3, 2, 1, 0},
}};
// clang-format on

int SkinTypeSchedule(int item) {
  static constexpr std::array<int, 8> byItem = {0, 1, 1, 2, 2, 3, 3, 4};  // items -1..6
  if (item < -1 || item > 6) item = -1;
  return byItem[item + 1];
}

}  // namespace dosing
