// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <digitiser/DigitiserTarget.h>

// A working copy in memory with the data and label windows' marks: "#" new, "*" changed,
// deleted stored rows kept (hidden) until the save. What the digitiser sees of it is exactly
// what DigitiserTarget promises.
class InMemoryTarget final : public DigitiserTarget
{
public:
    enum class Mark
    {
        Stored,
        New,
        Changed,
        Deleted,
    };
    struct Row
    {
        int number = 0; // the point number shown in the list
        FigurePoint point;
        Mark mark = Mark::Stored;
    };

    explicit InMemoryTarget(QString figure = QStringLiteral("B001"))
        : m_figure(std::move(figure))
    {
    }

    bool pointsOpen = true;
    bool labelsOpen = true;
    QList<Row> rows;
    QList<FigureLabel> labelRows;
    QList<Mark> labelMarks;
    int selected = -1;

    void load(const QList<FigurePoint> &points)
    {
        rows.clear();
        for (const FigurePoint &p : points) {
            rows.append({static_cast<int>(rows.size()) + 1, p, Mark::Stored});
        }
        emit changed();
    }
    // What a save leaves: deleted rows gone, the others numbered 1..n and unmarked.
    void save()
    {
        rows.erase(std::remove_if(rows.begin(), rows.end(), [](const Row &r) { return r.mark == Mark::Deleted; }),
                   rows.end());
        for (int i = 0; i < rows.size(); ++i) {
            rows[i].number = i + 1;
            rows[i].mark = Mark::Stored;
        }
        emit changed();
    }
    // The list row of the visible point index.
    int rowOf(int index) const
    {
        for (int r = 0; r < rows.size(); ++r) {
            if (rows[r].mark != Mark::Deleted && index-- == 0) {
                return r;
            }
        }
        return -1;
    }
    const Row &visibleRow(int index) const { return rows[rowOf(index)]; }

    QString figureNumber() const override { return m_figure; }
    bool acceptsPoints() const override { return pointsOpen; }
    bool acceptsLabels() const override { return labelsOpen; }
    QList<FigurePoint> points() const override
    {
        QList<FigurePoint> result;
        for (const Row &r : rows) {
            if (r.mark != Mark::Deleted) {
                result.append(r.point);
            }
        }
        return result;
    }
    QList<FigureLabel> labels() const override { return labelRows; }

    int appendPoint(const FigurePoint &point) override
    {
        if (!pointsOpen) {
            return -1;
        }
        const int number = rows.isEmpty() ? 1 : rows.last().number + 1;
        rows.append({number, point, Mark::New});
        emit changed();
        return static_cast<int>(points().size()) - 1;
    }
    QVariant removePoint(int index) override
    {
        const int r = rowOf(index);
        if (r < 0) {
            return {};
        }
        const Row row = rows[r];
        if (row.mark == Mark::New) {
            rows.removeAt(r);
        } else {
            rows[r].mark = Mark::Deleted;
        }
        selected = -1;
        emit changed();
        return QVariant::fromValue(QList<QVariant>{row.number, static_cast<int>(row.mark), r});
    }
    bool restorePoint(int index, const QVariant &removed) override
    {
        const QList<QVariant> token = removed.toList();
        if (token.size() != 3) {
            return false;
        }
        const Mark mark = static_cast<Mark>(token[1].toInt());
        const int r = token[2].toInt();
        if (mark == Mark::New) {
            return false; // new rows are only removed by undo, never restored
        }
        if (r >= rows.size() || rows[r].mark != Mark::Deleted) {
            return false;
        }
        rows[r].mark = mark;
        Q_UNUSED(index);
        emit changed();
        return true;
    }
    bool movePoint(int index, const QString &x, const QString &y) override
    {
        const int r = rowOf(index);
        if (r < 0) {
            return false;
        }
        rows[r].point.x = x;
        rows[r].point.y = y;
        if (rows[r].mark == Mark::Stored) {
            rows[r].mark = Mark::Changed;
        }
        emit changed();
        return true;
    }
    void selectPoint(int index) override
    {
        selected = index;
        emit selectionChanged();
    }
    int selectedPoint() const override { return selected; }
    int appendLabel(const FigureLabel &label) override
    {
        if (!labelsOpen) {
            return -1;
        }
        labelRows.append(label);
        labelMarks.append(Mark::New);
        emit changed();
        return static_cast<int>(labelRows.size()) - 1;
    }
    QVariant removeLabel(int index) override
    {
        if (index < 0 || index >= labelRows.size()) {
            return {};
        }
        labelRows.removeAt(index);
        labelMarks.removeAt(index);
        emit changed();
        return true;
    }

private:
    QString m_figure;
};
