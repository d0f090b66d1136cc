// The receiver catalogue: the only source of instrument constants. It is a
// fixed, ordered table; its order is the order of the receiver choices in the
// measurement table, and its first entry is every new row's receiver.
#ifndef ZARVEK_HEIGHTS_CATALOGUE_H_
#define ZARVEK_HEIGHTS_CATALOGUE_H_

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zarvek {

/// Antenna geometry of one receiver model, lengths in metres.
struct ReceiverSpec {
  double radio;       ///< antenna radius r (slant reduction to R1)
  double h_r1;        ///< HR1: from the ARP up to R1; 0 for a model without R1
  double placa;       ///< plate constant (slant reduction to R2)
  double L1;          ///< L1 phase centre above the ARP
  double L2;          ///< L2 phase centre above the ARP
  std::string alias;  ///< short model name, used in picture file names
};

/// Model name -> record, in catalogue order.
using Catalogue = std::vector<std::pair<std::string, ReceiverSpec>>;

/// Builds the catalogue of the six supported receivers.
Catalogue BuildEquiposSpecs();

/// Whether the model has the reference point R1 on its antenna's edge. A
/// model without one has no HR1 (0 in the catalogue: "QUENTARO M200 PLUS"
/// and "QUENTARO R100"), and the table never offers R1 for it.
inline bool HasR1(const ReceiverSpec& spec) { return spec.h_r1 != 0.0; }

/// The record of `model`, or nullptr when the catalogue has no such model.
const ReceiverSpec* FindReceiver(const Catalogue& catalogue,
                                 std::string_view model);

}  // namespace zarvek

#endif  // ZARVEK_HEIGHTS_CATALOGUE_H_
