// SPDX-License-Identifier: GPL-3.0-or-later
#include <samples/ChemicalFormula.h>
#include <samples/Expression.h>

#include <QCoreApplication>

#include <cmath>
#include <cstring>
#include <limits>

namespace samples {

namespace {

// A quiet NaN with the reason and a column in its payload: bits 32..39 the reason, 0..31 the
// column. A NaN without a payload (one the hardware made) reads as OutOfRange.
constexpr quint64 quietNaN = 0x7ff8000000000000ULL;
constexpr quint64 payloadMask = 0x0007ffffffffffffULL;

double noValue(NoValueReason reason, qsizetype column = 0)
{
    const quint64 bits = quietNaN | (quint64(reason) << 32) | quint64(quint32(column));
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

quint64 payload(double value)
{
    quint64 bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits & payloadMask;
}

constexpr qsizetype maxDepth = 64; // of nesting, in the text and through named columns

bool isNameStart(QChar c)
{
    return c.isLetter() || c == u'_';
}

bool isNamePart(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'.';
}

} // namespace

class ExpressionCompiler
{
public:
    ExpressionCompiler(const SampleTable &table, const QList<NamedColumn> &named)
        : m_table(table)
        , m_named(named)
    {
    }

    bool compile(QStringView text, const QString &namedColumn, std::vector<Expression::Instruction> &program)
    {
        const QStringView savedText = m_text;
        const qsizetype savedPos = m_pos;
        const QString savedNamed = m_namedColumn;
        m_text = text;
        m_pos = 0;
        m_namedColumn = namedColumn;
        bool ok = sum(program, 0);
        if (ok) {
            skipBlanks();
            if (m_pos < m_text.size()) {
                ok = expected(QCoreApplication::translate("Expression", "运算符（+ - * /）"));
            }
        }
        m_text = savedText;
        m_pos = savedPos;
        m_namedColumn = savedNamed;
        return ok;
    }

    ExpressionError error;

private:
    void skipBlanks()
    {
        while (m_pos < m_text.size() && m_text[m_pos].isSpace()) {
            ++m_pos;
        }
    }

    bool fail(QString message, qsizetype position)
    {
        if (error.message.isEmpty()) {
            error.message =
                m_namedColumn.isEmpty()
                    ? std::move(message)
                    : QCoreApplication::translate("Expression", "定义的列“%1”：%2").arg(m_namedColumn, message);
            error.position = position;
            error.namedColumn = m_namedColumn;
        }
        return false;
    }

    bool expected(const QString &what)
    {
        skipBlanks();
        if (m_pos >= m_text.size()) {
            return fail(QCoreApplication::translate("Expression", "表达式在第 %1 个字符处就结束了，这里应有%2。")
                            .arg(m_pos + 1)
                            .arg(what),
                        m_pos);
        }
        return fail(QCoreApplication::translate("Expression", "第 %1 个字符“%2”处应有%3。")
                        .arg(m_pos + 1)
                        .arg(m_text[m_pos])
                        .arg(what),
                    m_pos);
    }

    bool take(char16_t c)
    {
        skipBlanks();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }

    bool sum(std::vector<Expression::Instruction> &program, int depth)
    {
        if (!product(program, depth)) {
            return false;
        }
        for (;;) {
            const Expression::Op op = take(u'+')   ? Expression::Op::Add
                                      : take(u'-') ? Expression::Op::Subtract
                                                   : Expression::Op::Constant;
            if (op == Expression::Op::Constant) {
                return true;
            }
            if (!product(program, depth)) {
                return false;
            }
            program.push_back({op});
        }
    }

    bool product(std::vector<Expression::Instruction> &program, int depth)
    {
        if (!unary(program, depth)) {
            return false;
        }
        for (;;) {
            const Expression::Op op = take(u'*')   ? Expression::Op::Multiply
                                      : take(u'/') ? Expression::Op::Divide
                                                   : Expression::Op::Constant;
            if (op == Expression::Op::Constant) {
                return true;
            }
            if (!unary(program, depth)) {
                return false;
            }
            program.push_back({op});
        }
    }

    bool unary(std::vector<Expression::Instruction> &program, int depth)
    {
        if (depth > maxDepth) {
            return fail(QCoreApplication::translate("Expression", "第 %1 个字符处嵌套太深。").arg(m_pos + 1), m_pos);
        }
        if (take(u'-')) {
            if (!unary(program, depth + 1)) {
                return false;
            }
            program.push_back({Expression::Op::Negate});
            return true;
        }
        if (take(u'+')) {
            return unary(program, depth + 1);
        }
        return primary(program, depth);
    }

    bool number(std::vector<Expression::Instruction> &program)
    {
        const qsizetype start = m_pos;
        const auto digits = [&] {
            const qsizetype from = m_pos;
            while (m_pos < m_text.size() && m_text[m_pos].isDigit() && m_text[m_pos].unicode() < 128) {
                ++m_pos;
            }
            return m_pos - from;
        };
        qsizetype count = digits();
        if (m_pos < m_text.size() && m_text[m_pos] == u'.') {
            ++m_pos;
            count += digits();
        }
        if (count == 0) {
            m_pos = start;
            return expected(QCoreApplication::translate("Expression", "数"));
        }
        if (m_pos < m_text.size() && (m_text[m_pos] == u'e' || m_text[m_pos] == u'E')) {
            const qsizetype mark = m_pos++;
            if (m_pos < m_text.size() && (m_text[m_pos] == u'+' || m_text[m_pos] == u'-')) {
                ++m_pos;
            }
            if (digits() == 0) {
                m_pos = mark; // "2e" is 2 followed by a name: let the caller say what is wrong
            }
        }
        bool ok = false;
        const double value = m_text.sliced(start, m_pos - start).toDouble(&ok);
        if (!ok || !std::isfinite(value)) {
            return fail(QCoreApplication::translate("Expression", "第 %1 个字符起的数太大。").arg(start + 1), start);
        }
        program.push_back({Expression::Op::Constant, -1, value});
        return true;
    }

    bool primary(std::vector<Expression::Instruction> &program, int depth)
    {
        skipBlanks();
        if (m_pos >= m_text.size()) {
            return expected(QCoreApplication::translate("Expression", "数、列名、函数或左括号"));
        }
        const QChar c = m_text[m_pos];
        if (c == u'(') {
            ++m_pos;
            if (!sum(program, depth + 1)) {
                return false;
            }
            return take(u')') || expected(QCoreApplication::translate("Expression", "右括号"));
        }
        if ((c.isDigit() && c.unicode() < 128) || c == u'.') {
            return number(program);
        }
        if (c == u'"') {
            const qsizetype start = m_pos;
            const qsizetype close = m_text.indexOf(u'"', m_pos + 1);
            if (close < 0) {
                return fail(QCoreApplication::translate("Expression", "第 %1 个字符处的引号没有闭合。").arg(start + 1),
                            start);
            }
            m_pos = close + 1;
            return name(m_text.sliced(start + 1, close - start - 1), start, 1.0, program, Quoted::Yes);
        }
        if (!isNameStart(c)) {
            return expected(QCoreApplication::translate("Expression", "数、列名、函数或左括号"));
        }
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && isNamePart(m_text[m_pos])) {
            ++m_pos;
        }
        const QStringView word = m_text.sliced(start, m_pos - start);
        skipBlanks();
        if (m_pos < m_text.size() && m_text[m_pos] == u'(') {
            return function(word, start, program, depth);
        }
        return name(word, start, 1.0, program, Quoted::No);
    }

    bool function(QStringView word, qsizetype start, std::vector<Expression::Instruction> &program, int depth)
    {
        const QString lower = word.toString().toLower();
        ++m_pos; // the parenthesis
        if (lower == u"mol" || lower == u"cat") {
            skipBlanks();
            const qsizetype argument = m_pos;
            const qsizetype close = m_text.indexOf(u')', m_pos);
            if (close < 0) {
                m_pos = m_text.size();
                return expected(QCoreApplication::translate("Expression", "化学式和右括号"));
            }
            const QStringView formulaText = m_text.sliced(argument, close - argument).trimmed();
            if (formulaText.isEmpty()) {
                return expected(QCoreApplication::translate("Expression", "化学式"));
            }
            const ChemicalFormula formula = parseChemicalFormula(formulaText);
            if (!formula.ok()) {
                return fail(QCoreApplication::translate("Expression", "第 %1 个字符起：%2")
                                .arg(argument + 1)
                                .arg(formula.error),
                            argument);
            }
            if (lower == u"cat" && formula.cations == 0) {
                return fail(QCoreApplication::translate("Expression", "第 %1 个字符起：“%2”里没有阳离子。")
                                .arg(argument + 1)
                                .arg(formulaText),
                            argument);
            }
            m_pos = close + 1;
            const double factor = (lower == u"cat" ? formula.cations : 1.0) / formula.molarMass;
            return name(formulaText, argument, factor, program, Quoted::No);
        }
        const Expression::Op op = lower == u"log10"  ? Expression::Op::Log10
                                  : lower == u"ln"   ? Expression::Op::Ln
                                  : lower == u"sqrt" ? Expression::Op::Sqrt
                                                     : Expression::Op::Constant;
        if (op == Expression::Op::Constant) {
            return fail(QCoreApplication::translate("Expression",
                                                    "第 %1 个字符起的“%2”不是函数（有 log10、ln、sqrt、mol、cat）。")
                            .arg(start + 1)
                            .arg(word),
                        start);
        }
        if (!sum(program, depth + 1)) {
            return false;
        }
        if (!take(u')')) {
            return expected(QCoreApplication::translate("Expression", "右括号"));
        }
        program.push_back({op});
        return true;
    }

    enum class Quoted
    {
        No,
        Yes,
    };

    // A column of the table or a named column, times factor. A name in quotes that is one
    // column's whole name (case aside) is that column, whatever else its key matches.
    bool name(QStringView word, qsizetype start, double factor, std::vector<Expression::Instruction> &program,
              Quoted quoted)
    {
        if (quoted == Quoted::Yes) {
            qsizetype exact = -1;
            for (qsizetype i = 0; i < m_table.columnCount(); ++i) {
                if (m_table.column(i).name().compare(word.trimmed(), Qt::CaseInsensitive) == 0) {
                    exact = exact == -1 ? i : -2;
                }
            }
            if (exact >= 0) {
                program.push_back({Expression::Op::Load, exact, factor});
                return true;
            }
        }
        const QString key = columnKey(word);
        const NamedColumn *named = nullptr;
        for (const NamedColumn &candidate : m_named) {
            if (columnKey(candidate.name) == key) {
                named = &candidate;
                break;
            }
        }
        const ColumnMatch match = m_table.find(word);
        if (match.clash() || (named && !match.columns.isEmpty())) {
            QStringList names;
            for (const qsizetype column : match.columns) {
                names << QStringLiteral("“%1”").arg(m_table.column(column).name());
            }
            if (named) {
                names << QCoreApplication::translate("Expression", "定义的列“%1”").arg(named->name);
            }
            return fail(QCoreApplication::translate("Expression",
                                                    "第 %1 个字符起的“%2”可以指 %3，请改列名或用引号写出完整的列名。")
                            .arg(start + 1)
                            .arg(word)
                            .arg(names.join(QCoreApplication::translate("Expression", "、"))),
                        start);
        }
        if (match.found()) {
            program.push_back({Expression::Op::Load, match.index(), factor});
            return true;
        }
        if (!named) {
            return fail(QCoreApplication::translate("Expression", "没有名为“%1”的列（第 %2 个字符起）。")
                            .arg(word)
                            .arg(start + 1),
                        start);
        }
        if (m_active.contains(named->name) || m_active.size() > maxDepth) {
            QStringList chain = m_active;
            chain << named->name;
            return fail(QCoreApplication::translate("Expression", "定义的列循环引用：%1。")
                            .arg(chain.join(QStringLiteral(" → "))),
                        start);
        }
        m_active << named->name;
        const bool ok = compile(named->expression, named->name, program);
        m_active.removeLast();
        if (ok && factor != 1.0) {
            program.push_back({Expression::Op::Constant, -1, factor});
            program.push_back({Expression::Op::Multiply});
        }
        return ok;
    }

    const SampleTable &m_table;
    const QList<NamedColumn> &m_named;
    QStringView m_text;
    qsizetype m_pos = 0;
    QString m_namedColumn;
    QStringList m_active; // named columns being compiled, outermost first
};

Expression Expression::compile(QStringView text, const SampleTable &table, const QList<NamedColumn> &named)
{
    Expression expression;
    ExpressionCompiler compiler(table, named);
    if (text.trimmed().isEmpty()) {
        expression.m_error = {QCoreApplication::translate("Expression", "表达式是空的。"), 0, {}};
    } else if (!compiler.compile(text, {}, expression.m_program)) {
        expression.m_error = compiler.error;
        expression.m_program.clear();
    }
    return expression;
}

QList<qsizetype> Expression::columns() const
{
    QList<qsizetype> columns;
    for (const Instruction &instruction : m_program) {
        if (instruction.op == Op::Load && !columns.contains(instruction.column)) {
            columns << instruction.column;
        }
    }
    return columns;
}

namespace {

// Samples are evaluated a block at a time, every instruction over the block, so the stack's
// blocks stay in the processor's cache: each column is read once and the result written once.
constexpr size_t blockSize = 1024;

// One entry of the evaluation stack: a block of samples, or one number standing for all.
struct Slot
{
    bool scalar = true;
    double number = 0;
    double *block = nullptr;
};

double divide(double x, double y)
{
    const double r = x / y;
    return (y == 0 && x == x) ? noValue(NoValueReason::DivisionByZero) : r;
}

template <typename F>
void binary(Slot &a, Slot &b, size_t n, F f)
{
    if (a.scalar && b.scalar) {
        a.number = f(a.number, b.number);
    } else if (a.scalar) {
        const double x = a.number;
        double *y = b.block;
        for (size_t i = 0; i < n; ++i) {
            y[i] = f(x, y[i]);
        }
        std::swap(a, b);
    } else if (b.scalar) {
        const double y = b.number;
        double *x = a.block;
        for (size_t i = 0; i < n; ++i) {
            x[i] = f(x[i], y);
        }
    } else {
        double *x = a.block;
        const double *y = b.block;
        for (size_t i = 0; i < n; ++i) {
            x[i] = f(x[i], y[i]);
        }
    }
}

template <typename F>
void unaryOp(Slot &a, size_t n, F f)
{
    if (a.scalar) {
        a.number = f(a.number);
        return;
    }
    for (size_t i = 0; i < n; ++i) {
        a.block[i] = f(a.block[i]);
    }
}

size_t stackDepth(const std::vector<Expression::Instruction> &program)
{
    size_t depth = 0;
    size_t deepest = 0;
    for (const Expression::Instruction &instruction : program) {
        switch (instruction.op) {
        case Expression::Op::Load:
        case Expression::Op::Constant:
            deepest = std::max(deepest, ++depth);
            break;
        case Expression::Op::Add:
        case Expression::Op::Subtract:
        case Expression::Op::Multiply:
        case Expression::Op::Divide:
            --depth;
            break;
        default:
            break;
        }
    }
    return deepest;
}

} // namespace

ExpressionValues Expression::evaluate(const SampleTable &table) const
{
    ExpressionValues result;
    const size_t rows = size_t(table.rowCount());
    if (!ok()) {
        result.m_values.assign(rows, noValue(NoValueReason::OutOfRange));
        return result;
    }
    const size_t depth = stackDepth(m_program);
    std::vector<double> blocks(depth * blockSize);
    std::vector<Slot> stack(depth);
    result.m_values.resize(rows);
    const double outOfRange = noValue(NoValueReason::OutOfRange);
    qsizetype count = 0;
    for (size_t start = 0; start < rows; start += blockSize) {
        const size_t n = std::min(blockSize, rows - start);
        size_t top = 0; // slots in use
        for (size_t i = 0; i < depth; ++i) {
            stack[i].block = blocks.data() + i * blockSize;
        }
        for (const Instruction &instruction : m_program) {
            switch (instruction.op) {
            case Op::Load: {
                Slot &slot = stack[top++];
                slot.scalar = false;
                const double missing = noValue(NoValueReason::Missing, instruction.column);
                const double factor = instruction.number;
                const double *__restrict in = table.column(instruction.column).values().data() + start;
                double *__restrict out = slot.block;
                for (size_t i = 0; i < n; ++i) {
                    const double v = in[i];
                    out[i] = std::isnan(v) ? missing : v * factor;
                }
                break;
            }
            case Op::Constant:
                stack[top].scalar = true;
                stack[top++].number = instruction.number;
                break;
            case Op::Negate:
                unaryOp(stack[top - 1], n, [](double x) { return -x; });
                break;
            case Op::Log10: {
                const double invalid = noValue(NoValueReason::LogOfNonPositive);
                unaryOp(stack[top - 1], n, [invalid](double x) {
                    return x > 0 ? std::log10(x) : x == x ? invalid : x;
                });
                break;
            }
            case Op::Ln: {
                const double invalid = noValue(NoValueReason::LogOfNonPositive);
                unaryOp(stack[top - 1], n, [invalid](double x) { return x > 0 ? std::log(x) : x == x ? invalid : x; });
                break;
            }
            case Op::Sqrt: {
                const double invalid = noValue(NoValueReason::SqrtOfNegative);
                unaryOp(stack[top - 1], n, [invalid](double x) {
                    return x >= 0 ? std::sqrt(x) : x == x ? invalid : x;
                });
                break;
            }
            case Op::Add:
                binary(stack[top - 2], stack[top - 1], n, [](double x, double y) { return x + y; });
                --top;
                break;
            case Op::Subtract:
                binary(stack[top - 2], stack[top - 1], n, [](double x, double y) { return x - y; });
                --top;
                break;
            case Op::Multiply:
                binary(stack[top - 2], stack[top - 1], n, [](double x, double y) { return x * y; });
                --top;
                break;
            case Op::Divide:
                binary(stack[top - 2], stack[top - 1], n, divide);
                --top;
                break;
            }
        }
        const Slot &last = stack[0];
        double *out = result.m_values.data() + start;
        for (size_t i = 0; i < n; ++i) {
            double x = last.scalar ? last.number : last.block[i];
            x = std::isinf(x) ? outOfRange : x;
            count += x == x;
            out[i] = x;
        }
    }
    result.m_valueCount = count;
    return result;
}

NoValueReason ExpressionValues::reason(qsizetype row) const
{
    const double v = m_values[size_t(row)];
    if (v == v) {
        return NoValueReason::None;
    }
    const quint64 code = (payload(v) >> 32) & 0xff;
    if (code == 0 || code > quint64(NoValueReason::OutOfRange)) {
        return NoValueReason::OutOfRange;
    }
    return NoValueReason(code);
}

qsizetype ExpressionValues::missingColumn(qsizetype row) const
{
    if (reason(row) != NoValueReason::Missing) {
        return -1;
    }
    return qsizetype(quint32(payload(m_values[size_t(row)])));
}

QString ExpressionValues::reasonText(qsizetype row, const SampleTable &table) const
{
    switch (reason(row)) {
    case NoValueReason::None:
        return {};
    case NoValueReason::Missing: {
        const qsizetype column = missingColumn(row);
        const QString text = table.column(column).text(row);
        return text.isEmpty() ? QCoreApplication::translate("Expression", "%1 没有值").arg(table.column(column).name())
                              : QCoreApplication::translate("Expression", "%1 没有值（“%2”）")
                                    .arg(table.column(column).name(), text);
    }
    case NoValueReason::DivisionByZero:
        return QCoreApplication::translate("Expression", "除以 0");
    case NoValueReason::LogOfNonPositive:
        return QCoreApplication::translate("Expression", "对不大于 0 的数取对数");
    case NoValueReason::SqrtOfNegative:
        return QCoreApplication::translate("Expression", "对负数开平方");
    case NoValueReason::OutOfRange:
        break;
    }
    return QCoreApplication::translate("Expression", "结果超出数的范围");
}

} // namespace samples
