// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QString>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;

// The controls of the windows, made as their layouts give them: each has its name (which the
// tests find it by) and its place inside its parent. Geometries are pixels; twipsRect() gives
// them from a layout's twips.

template <typename T>
T *control(QWidget *parent, const char *name, QRect geometry)
{
    auto *widget = new T(parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

QLabel *label(QWidget *parent, const char *name, const QString &text, QRect geometry);
QLineEdit *textBox(QWidget *parent, const char *name, QRect geometry, const QString &text = {});
// A text box of several lines in which Tab moves on to the next control.
QPlainTextEdit *textArea(QWidget *parent, const char *name, QRect geometry, const QString &text = {});
QPushButton *button(QWidget *parent, const char *name, const QString &caption, QRect geometry);
QCheckBox *checkBox(QWidget *parent, const char *name, const QString &caption, QRect geometry);
QGroupBox *frame(QWidget *parent, const char *name, const QString &title, QRect geometry);

// Whether typing into a combo box completes from its items.
enum class Completion
{
    FromItems,
    None, // what is typed stays as typed
};
// A combo box the user can also type into, offering the items, its text empty at first.
QComboBox *comboBox(QWidget *parent, const char *name, QRect geometry, const QStringList &items,
                    Completion completion = Completion::FromItems);

// The text of an edit control as a list cell holds it, whatever kind of control it is: a ticked
// or greyed check box is "True", an unticked one "False".
QString controlText(const QWidget *control);
void setControlText(QWidget *control, const QString &cell);
