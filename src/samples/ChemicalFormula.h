// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Formulas of oxides and the like (Al2O3, Fe2O3, P2O5, H2O, Ca3(PO4)2): element symbols with
// counts, groups in parentheses. Masses are IUPAC's standard atomic weights (conventional values
// where IUPAC gives an interval).
namespace samples {

struct ChemicalFormula
{
    double molarMass = 0; // g/mol
    double cations = 0;   // atoms other than oxygen: 2 for Al2O3 and K2O, 1 for CaO
    QString error;        // empty when the formula was read

    bool ok() const { return error.isEmpty(); }
};

ChemicalFormula parseChemicalFormula(QStringView formula);

// The standard atomic weight of an element symbol ("Fe"); 0 for no element.
double atomicMass(QStringView symbol);

} // namespace samples
