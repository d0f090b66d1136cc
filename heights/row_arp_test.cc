#include "heights/row_arp.h"

#include <gtest/gtest.h>

#include <string>

#include "heights/catalogue.h"

namespace zarvek {
namespace {

TEST(RowArpTest, WhatTheTableShowsOfEachRow) {
  const Catalogue catalogue = BuildEquiposSpecs();
  struct Case {
    RowValues row;
    ArpState state;
    const char* cell;
    const char* line;
  } cases[] = {
      // Each formula with the row's numbers, then the phase centre.
      {{"QUENTARO R300", "INCLINADA", "TRÍPODE", "R1", "1.5"},
       ArpState::kPlausible,
       "1.4285",
       "ARP = √(H² - r²) - HR1 = √(1.5000² - 0.0670²) - 0.0700 = 1.4285 m · "
       "CENTRO DE FASE = ARP + OFFSET = 1.4285 + 0.0820 = 1.5105 m"},
      {{"QUENTARO M200 PLUS", "INCLINADA", "BÍPODE Y BASTÓN", "R2", " 1.45 "},
       ArpState::kPlausible,
       "1.4450",
       "ARP = √(H² - Placa²) = √(1.4500² - 0.1200²) = 1.4450 m · "
       "CENTRO DE FASE = ARP + OFFSET = 1.4450 + 0.1620 = 1.6070 m"},
      {{"QUENTARO R100", "VERTICAL", "BASTÓN", "R3", "2"},
       ArpState::kPlausible,
       "2.0000",
       "ARP = H (MEDIDA DIRECTA) = 2.0000 m · "
       "CENTRO DE FASE = ARP + OFFSET = 2.0000 + 0.2630 = 2.2630 m"},
      // The limits of the plausible range are inside it.
      {{"QUENTARO R300", "VERTICAL", "BASTÓN", "R3", "5"},
       ArpState::kPlausible,
       "5.0000",
       "ARP = H (MEDIDA DIRECTA) = 5.0000 m · "
       "CENTRO DE FASE = ARP + OFFSET = 5.0000 + 0.0820 = 5.0820 m"},
      {{"QUENTARO R300", "INCLINADA", "TRÍPODE", "R2", "0.12"},
       ArpState::kPlausible,
       "0.0000",
       "ARP = √(H² - Placa²) = √(0.1200² - 0.1200²) = 0.0000 m · "
       "CENTRO DE FASE = ARP + OFFSET = 0.0000 + 0.0820 = 0.0820 m"},
      // Centimetres, and a slant to R1 as long as the radius (ARP -HR1).
      {{"QUENTARO R300", "VERTICAL", "BASTÓN", "R3", "150"},
       ArpState::kImplausible,
       "150.0000",
       "ALTURA ARP FUERA DEL RANGO DE 0 A 5 m. ARP = H (MEDIDA DIRECTA) = "
       "150.0000 m · CENTRO DE FASE = ARP + OFFSET = 150.0000 + 0.0820 = "
       "150.0820 m"},
      {{"QUENTARO R300", "INCLINADA", "TRÍPODE", "R1", "0.067"},
       ArpState::kImplausible,
       "-0.0700",
       "ALTURA ARP FUERA DEL RANGO DE 0 A 5 m. ARP = √(H² - r²) - HR1 = "
       "√(0.0670² - 0.0670²) - 0.0700 = -0.0700 m · CENTRO DE FASE = ARP + "
       "OFFSET = -0.0700 + 0.0820 = 0.0120 m"},
      // Complete rows that do not convert: the report's reasons.
      {{"QUENTARO R300", "INCLINADA", "TRÍPODE", "R1", "1.5,2"},
       ArpState::kFault,
       "ERROR",
       "LA ALTURA NO ES UN NÚMERO (ESCRIBA, POR EJEMPLO, 1.52)."},
      {{"QUENTARO R300", "INCLINADA", "TRÍPODE", "R1", "0.05"},
       ArpState::kFault,
       "ERROR",
       "LA ALTURA INCLINADA ES MENOR QUE EL RADIO DE LA ANTENA (0.067 m)."},
      {{"QUENTARO R300", "VERTICAL", "BASTÓN", "R3", "abc"},
       ArpState::kFault,
       "ERROR",
       "LA ALTURA NO ES UN NÚMERO (ESCRIBA, POR EJEMPLO, 1.52)."},
      {{"QUENTARO R300", "VERTICAL", "BASTÓN", "R3", "1e9"},
       ArpState::kFault,
       "ERROR",
       "LA ALTURA ESTÁ FUERA DE ±1000 m; NO ES UNA ALTURA DE ANTENA."},
      // Complete rows that give no height for another reason: the report
      // refuses them too, and not as a height of 0.
      {{"QUENTARO R300", "INCLINADA", "TRÍPODE", "R3", "1.5"},
       ArpState::kFault,
       "ERROR",
       "NO HAY FÓRMULA PARA UNA MEDIDA INCLINADA CON LA REFERENCIA R3."},
      {{"OTRO", "VERTICAL", "BASTÓN", "R3", "1.5"},
       ArpState::kFault,
       "ERROR",
       "RECEPTOR NO ENCONTRADO EN EL CATÁLOGO: OTRO"},
      // Nothing while a row is incomplete.
      {{"QUENTARO R300", "INCLINADA", "TRÍPODE", "R1", ""},
       ArpState::kEmpty,
       "",
       ""},
      {{"QUENTARO R300", "INCLINADA", "TRÍPODE", "", "1.5"},
       ArpState::kEmpty,
       "",
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row.rec + " " + c.row.tipo + " " + c.row.ref + " '" +
                 c.row.h + "'");
    const RowArp arp = DescribeRowArp(c.row, catalogue);
    EXPECT_EQ(arp.state, c.state);
    EXPECT_EQ(arp.cell, c.cell);
    EXPECT_EQ(arp.line, c.line);
  }
}

}  // namespace
}  // namespace zarvek
