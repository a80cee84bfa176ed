// SPDX-License-Identifier: GPL-3.0-or-later
#include <widgets/Controls.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

QLabel *label(QWidget *parent, const char *name, const QString &text, QRect geometry)
{
    auto *widget = control<QLabel>(parent, name, geometry);
    widget->setText(text);
    return widget;
}

QLineEdit *textBox(QWidget *parent, const char *name, QRect geometry, const QString &text)
{
    auto *widget = control<QLineEdit>(parent, name, geometry);
    widget->setText(text);
    return widget;
}

QPlainTextEdit *textArea(QWidget *parent, const char *name, QRect geometry, const QString &text)
{
    auto *widget = control<QPlainTextEdit>(parent, name, geometry);
    widget->setPlainText(text);
    widget->setTabChangesFocus(true);
    return widget;
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption, QRect geometry)
{
    auto *widget = control<QPushButton>(parent, name, geometry);
    widget->setText(caption);
    return widget;
}

QCheckBox *checkBox(QWidget *parent, const char *name, const QString &caption, QRect geometry)
{
    auto *widget = control<QCheckBox>(parent, name, geometry);
    widget->setText(caption);
    return widget;
}

QGroupBox *frame(QWidget *parent, const char *name, const QString &title, QRect geometry)
{
    auto *widget = control<QGroupBox>(parent, name, geometry);
    widget->setTitle(title);
    return widget;
}

QComboBox *comboBox(QWidget *parent, const char *name, QRect geometry, const QStringList &items, Completion completion)
{
    auto *widget = control<QComboBox>(parent, name, geometry);
    widget->setEditable(true);
    widget->setInsertPolicy(QComboBox::NoInsert);
    if (completion == Completion::None) {
        widget->setCompleter(nullptr);
    }
    widget->addItems(items);
    widget->setEditText(QString());
    return widget;
}

QString controlText(const QWidget *control)
{
    if (const auto *box = qobject_cast<const QCheckBox *>(control)) {
        return box->checkState() == Qt::Unchecked ? QStringLiteral("False") : QStringLiteral("True");
    }
    if (const auto *combo = qobject_cast<const QComboBox *>(control)) {
        return combo->currentText();
    }
    if (const auto *text = qobject_cast<const QPlainTextEdit *>(control)) {
        return text->toPlainText();
    }
    if (const auto *edit = qobject_cast<const QLineEdit *>(control)) {
        return edit->text();
    }
    return {};
}

void setControlText(QWidget *control, const QString &cell)
{
    if (auto *box = qobject_cast<QCheckBox *>(control)) {
        box->setCheckState(cell == QStringLiteral("True") ? Qt::Checked : Qt::Unchecked);
    } else if (auto *combo = qobject_cast<QComboBox *>(control)) {
        combo->setEditText(cell);
    } else if (auto *text = qobject_cast<QPlainTextEdit *>(control)) {
        text->setPlainText(cell);
    } else if (auto *edit = qobject_cast<QLineEdit *>(control)) {
        edit->setText(cell);
    }
}
