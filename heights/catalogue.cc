#include "heights/catalogue.h"

namespace zarvek {

Catalogue BuildEquiposSpecs() {
  // radio, h_r1, placa, L1, L2, alias. The R700 family has a radius of
  // 0.0667 and an HR1 of 0.0665: two different constants.
  return {
      {"QUENTARO R300", {0.067, 0.07, 0.12, 0.084, 0.08, "R300"}},
      {"QUENTARO R350", {0.067, 0.07, 0.12, 0.084, 0.08, "R350"}},
      {"QUENTARO R700", {0.0667, 0.0665, 0.13, 0.087, 0.087, "R700"}},
      {"QUENTARO R750", {0.0667, 0.0665, 0.13, 0.087, 0.087, "R750"}},
      {"QUENTARO M200 PLUS", {0.04, 0.0, 0.12, 0.161, 0.163, "M200 PLUS"}},
      {"QUENTARO R100", {0.025, 0.0, 0.12, 0.262, 0.264, "R100"}},
  };
}

const ReceiverSpec* FindReceiver(const Catalogue& catalogue,
                                 std::string_view model) {
  for (const auto& [name, spec] : catalogue) {
    if (name == model) return &spec;
  }
  return nullptr;
}

}  // namespace zarvek
