// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <initializer_list>

// The texts of one list row, kept compact: one block of UTF-8 with the cells' end offsets in
// front, so a row of 24 cells is one allocation rather than 24 strings. A long list of figures
// holds far more rows than anyone looks at; reading a cell makes its text when it is asked for.
// Cells hold text only: a cell that was read as "no value" reads back as the empty text.
class RowCells
{
public:
    RowCells() = default;
    RowCells(const QList<QString> &cells);
    RowCells(std::initializer_list<QString> cells);

    int size() const;
    bool isEmpty() const { return size() == 0; }
    QString operator[](int i) const;
    QByteArrayView utf8(int i) const;
    // Padded with empty cells or cut to n cells.
    void resize(int n);
    void set(int i, QStringView text);
    void append(QStringView text);

    QList<QString> toList() const;
    operator QList<QString>() const { return toList(); }

    friend bool operator==(const RowCells &a, const RowCells &b) { return a.m_block == b.m_block; }

private:
    friend class RowCellsBuilder;
    quint16 header() const;
    int offsetWidth() const { return header() & wideOffsets ? 4 : 2; }
    quint32 endOf(int i) const;
    quint32 startOf(int i) const { return i == 0 ? 0 : endOf(i - 1); }
    qsizetype textStart() const { return 2 + offsetWidth() * qsizetype(size()); }

    static constexpr quint16 wideOffsets = 0x8000;
    // [header: the cell count, and whether offsets take 4 bytes: 2 bytes][end offset of each cell:
    // 2 bytes each, or 4 when the row's text is 64 KiB or longer][the cells' UTF-8, one after another]
    QByteArray m_block;
};

Q_DECLARE_TYPEINFO(RowCells, Q_RELOCATABLE_TYPE);

// Builds a row cell by cell, straight from UTF-8 as the library hands it over.
class RowCellsBuilder
{
public:
    void appendUtf8(QByteArrayView text);
    void append(QStringView text);
    int size() const { return static_cast<int>(m_ends.size()); }
    // The row built so far; the builder starts a new one.
    RowCells take();

private:
    QByteArray m_text;
    QList<quint32> m_ends;
};
