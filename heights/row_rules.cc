#include "heights/row_rules.h"

#include <utility>

namespace zarvek {
namespace {

Choices Offer(std::vector<std::string> values) {
  Choices choices{std::move(values), false, std::nullopt};
  choices.enabled = !choices.values.empty();
  if (choices.values.size() == 1) choices.preselect = choices.values.front();
  return choices;
}

}  // namespace

Choices AccessoryChoices(std::string_view tipo) {
  if (tipo == "INCLINADA") {
    return {{"TRÍPODE", "BÍPODE Y BASTÓN"}, true, std::nullopt};
  }
  if (tipo == "VERTICAL") {
    return {{"BÍPODE Y BASTÓN", "BASTÓN"}, true, std::nullopt};
  }
  return {{}, false, std::nullopt};
}

Choices ReferenceChoices(const Catalogue& catalogue, std::string_view receiver,
                         std::string_view tipo, std::string_view accesorio) {
  std::vector<std::string> values;
  if (tipo == "VERTICAL") {
    values = {"R3"};
  } else if (accesorio == "TRÍPODE") {
    values = {"R1", "R2"};
  } else if (accesorio == "BÍPODE Y BASTÓN") {
    if (tipo == "INCLINADA") {
      values = {"R1", "R2"};
    } else {
      values = {"R3"};
    }
  }
  const ReceiverSpec* spec = FindReceiver(catalogue, receiver);
  if (spec != nullptr && !HasR1(*spec)) std::erase(values, "R1");
  return Offer(std::move(values));
}

}  // namespace zarvek
