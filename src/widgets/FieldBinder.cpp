// SPDX-License-Identifier: GPL-3.0-or-later
#include <widgets/Controls.h>
#include <widgets/FieldBinder.h>

#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QWidget>

FieldBinder::FieldBinder(QWidget *window, Counted counted, Action entered, Action left)
    : QObject(window)
    , m_window(window)
    , m_counted(counted)
    , m_entered(std::move(entered))
    , m_left(std::move(left))
{
}

void FieldBinder::bind(QWidget *control, int field)
{
    m_fields.append({field, control});
    if (!m_entered && !m_left) {
        return;
    }
    control->installEventFilter(this);
    if (auto *combo = qobject_cast<QComboBox *>(control); combo && combo->lineEdit()) {
        combo->lineEdit()->installEventFilter(this);
    }
}

int FieldBinder::fieldOf(const QObject *object) const
{
    if (!object) {
        return 0;
    }
    for (const auto &[field, control] : m_fields) {
        if (object == control) {
            return field;
        }
        if (auto *combo = qobject_cast<const QComboBox *>(control); combo && object == combo->lineEdit()) {
            return field;
        }
    }
    return 0;
}

QWidget *FieldBinder::control(int field) const
{
    for (const auto &[number, control] : m_fields) {
        if (number == field) {
            return control;
        }
    }
    return nullptr;
}

QString FieldBinder::text(int field) const
{
    return controlText(control(field));
}

void FieldBinder::commitFocused()
{
    if (const int field = fieldOf(m_window->focusWidget()); field > 0 && m_left) {
        m_left(field, text(field));
    }
}

bool FieldBinder::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::FocusIn && event->type() != QEvent::FocusOut) {
        return false;
    }
    const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
    if ((m_counted != Counted::Every && reason == Qt::PopupFocusReason) ||
        (m_counted == Counted::WithinWindow && reason == Qt::ActiveWindowFocusReason)) {
        return false;
    }
    const int field = fieldOf(watched);
    const Action &action = event->type() == QEvent::FocusIn ? m_entered : m_left;
    if (field > 0 && action) {
        action(field, text(field));
    }
    return false;
}
