// SPDX-License-Identifier: GPL-3.0-or-later
#include <samples/ChemicalFormula.h>

#include <QCoreApplication>
#include <QList>

namespace samples {

namespace {

struct Element
{
    const char16_t *symbol;
    double mass;
};

// IUPAC standard atomic weights (2021); for elements given as an interval, the conventional
// value. Elements without a stable isotope that geochemists never analyse are left out.
constexpr Element elements[] = {
    {u"H", 1.008},        {u"He", 4.002602},   {u"Li", 6.94},       {u"Be", 9.0121831},    {u"B", 10.81},
    {u"C", 12.011},       {u"N", 14.007},      {u"O", 15.999},      {u"F", 18.998403162},  {u"Ne", 20.1797},
    {u"Na", 22.98976928}, {u"Mg", 24.305},     {u"Al", 26.9815384}, {u"Si", 28.085},       {u"P", 30.973761998},
    {u"S", 32.06},        {u"Cl", 35.45},      {u"Ar", 39.95},      {u"K", 39.0983},       {u"Ca", 40.078},
    {u"Sc", 44.955907},   {u"Ti", 47.867},     {u"V", 50.9415},     {u"Cr", 51.9961},      {u"Mn", 54.938043},
    {u"Fe", 55.845},      {u"Co", 58.933194},  {u"Ni", 58.6934},    {u"Cu", 63.546},       {u"Zn", 65.38},
    {u"Ga", 69.723},      {u"Ge", 72.630},     {u"As", 74.921595},  {u"Se", 78.971},       {u"Br", 79.904},
    {u"Kr", 83.798},      {u"Rb", 85.4678},    {u"Sr", 87.62},      {u"Y", 88.905838},     {u"Zr", 91.224},
    {u"Nb", 92.90637},    {u"Mo", 95.95},      {u"Ru", 101.07},     {u"Rh", 102.90549},    {u"Pd", 106.42},
    {u"Ag", 107.8682},    {u"Cd", 112.414},    {u"In", 114.818},    {u"Sn", 118.710},      {u"Sb", 121.760},
    {u"Te", 127.60},      {u"I", 126.90447},   {u"Xe", 131.293},    {u"Cs", 132.90545196}, {u"Ba", 137.327},
    {u"La", 138.90547},   {u"Ce", 140.116},    {u"Pr", 140.90766},  {u"Nd", 144.242},      {u"Sm", 150.36},
    {u"Eu", 151.964},     {u"Gd", 157.249},    {u"Tb", 158.925354}, {u"Dy", 162.500},      {u"Ho", 164.930329},
    {u"Er", 167.259},     {u"Tm", 168.934219}, {u"Yb", 173.045},    {u"Lu", 174.9668},     {u"Hf", 178.486},
    {u"Ta", 180.94788},   {u"W", 183.84},      {u"Re", 186.207},    {u"Os", 190.23},       {u"Ir", 192.217},
    {u"Pt", 195.084},     {u"Au", 196.966570}, {u"Hg", 200.592},    {u"Tl", 204.38},       {u"Pb", 207.2},
    {u"Bi", 208.98040},   {u"Th", 232.0377},   {u"Pa", 231.03588},  {u"U", 238.02891},
};

struct Parser
{
    QStringView text;
    qsizetype pos = 0;
    QString error;

    bool isUpper() const { return pos < text.size() && text[pos] >= u'A' && text[pos] <= u'Z'; }
    bool isLower() const { return pos < text.size() && text[pos] >= u'a' && text[pos] <= u'z'; }
    bool isDigit() const { return pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9'; }

    double count()
    {
        if (!isDigit()) {
            return 1;
        }
        const qsizetype start = pos;
        while (isDigit() || (pos < text.size() && text[pos] == u'.')) {
            ++pos;
        }
        return text.sliced(start, pos - start).toDouble();
    }

    // Mass and cations of a sequence up to a closing parenthesis or the end.
    bool sequence(double &mass, double &cations, int depth)
    {
        mass = 0;
        cations = 0;
        bool any = false;
        while (pos < text.size() && text[pos] != u')') {
            double partMass = 0;
            double partCations = 0;
            if (text[pos] == u'(') {
                if (depth > 8) {
                    error = QCoreApplication::translate("ChemicalFormula", "化学式“%1”的括号套得太深。").arg(text);
                    return false;
                }
                ++pos;
                if (!sequence(partMass, partCations, depth + 1)) {
                    return false;
                }
                if (pos >= text.size()) {
                    error = QCoreApplication::translate("ChemicalFormula", "化学式“%1”缺少右括号。").arg(text);
                    return false;
                }
                ++pos;
            } else if (isUpper()) {
                const qsizetype start = pos++;
                if (isLower()) {
                    ++pos;
                }
                const QStringView symbol = text.sliced(start, pos - start);
                partMass = atomicMass(symbol);
                if (partMass == 0) {
                    error = QCoreApplication::translate("ChemicalFormula", "化学式“%1”里的“%2”不是元素符号。")
                                .arg(text)
                                .arg(symbol);
                    return false;
                }
                partCations = symbol == u"O" ? 0 : 1;
            } else {
                error = QCoreApplication::translate("ChemicalFormula", "化学式“%1”的第 %2 个字符“%3”不是元素符号。")
                            .arg(text)
                            .arg(pos + 1)
                            .arg(text[pos]);
                return false;
            }
            const double n = count();
            if (!(n > 0)) {
                error = QCoreApplication::translate("ChemicalFormula", "化学式“%1”里有个数为 0 的元素。").arg(text);
                return false;
            }
            mass += partMass * n;
            cations += partCations * n;
            any = true;
        }
        if (!any) {
            error = QCoreApplication::translate("ChemicalFormula", "化学式“%1”是空的。").arg(text);
            return false;
        }
        return true;
    }
};

} // namespace

double atomicMass(QStringView symbol)
{
    for (const Element &element : elements) {
        if (symbol == QStringView(element.symbol)) {
            return element.mass;
        }
    }
    return 0;
}

ChemicalFormula parseChemicalFormula(QStringView formula)
{
    ChemicalFormula result;
    Parser parser;
    parser.text = formula.trimmed();
    if (!parser.sequence(result.molarMass, result.cations, 0)) {
        result.error = parser.error;
    } else if (parser.pos < parser.text.size()) {
        result.error = QCoreApplication::translate("ChemicalFormula", "化学式“%1”多了右括号。").arg(parser.text);
    }
    return result;
}

} // namespace samples
