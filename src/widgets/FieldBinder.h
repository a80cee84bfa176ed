// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <utility>

class QWidget;

// The edit fields of a list window, each bound to a number (the list column it shows): what a
// field shows as a cell's text, and the two moments a list window acts on: a field receives the
// focus (it takes a snapshot of its text) and loses it (it commits its text into the current
// row). One event filter serves all the fields of a window; a combo box's own text box counts
// as the combo box.
class FieldBinder : public QObject
{
    Q_OBJECT

public:
    // Which focus changes are entering or leaving a field.
    enum class Counted
    {
        Every,
        NotPopups,    // not the field's own popup (a combo box's list, a menu) opening or closing
        WithinWindow, // nor another window becoming active: the edit waits for the focus to move
    };
    using Action = std::function<void(int field, const QString &text)>;

    // entered and left may be empty: the binder then only maps fields to their numbers.
    FieldBinder(QWidget *window, Counted counted, Action entered, Action left);

    void bind(QWidget *control, int field);
    // The bound controls with their numbers, in the order they were bound.
    const QList<std::pair<int, QWidget *>> &fields() const { return m_fields; }

    // The number of the field the object is (or is the text box of), 0 for none.
    int fieldOf(const QObject *object) const;
    QWidget *control(int field) const;
    // The field's text as a cell holds it (see controlText()).
    QString text(int field) const;
    // The field that has the window's focus commits, as if it lost the focus: the close box and
    // other windows take no focus.
    void commitFocused();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    Counted m_counted;
    Action m_entered;
    Action m_left;
    QList<std::pair<int, QWidget *>> m_fields;
};
