#include "heights/row_rules.h"

#include <algorithm>
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

bool IsRestrictedModel(std::string_view receiver) {
  return std::find(restricted_models.begin(), restricted_models.end(),
                   receiver) != restricted_models.end();
}

Choices AccessoryChoices(std::string_view tipo) {
  if (tipo == "INCLINADA") {
    return {{"TRÍPODE", "BÍPODE Y BASTÓN"}, true, std::nullopt};
  }
  if (tipo == "VERTICAL") {
    return {{"BÍPODE Y BASTÓN", "BASTÓN"}, true, std::nullopt};
  }
  return {{}, false, std::nullopt};
}

Choices ReferenceChoices(std::string_view receiver, std::string_view tipo,
                         std::string_view accesorio) {
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
  if (IsRestrictedModel(receiver)) std::erase(values, "R1");
  return Offer(std::move(values));
}

}  // namespace zarvek
