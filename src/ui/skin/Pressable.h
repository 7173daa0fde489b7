#pragma once
// Controls drawn as pictures act like buttons, check boxes, list items or
// links: this gives them what those have for the keyboard and for screen
// readers. Tab reaches them, Enter and Space press them, the keyboard focus
// hovers them as the mouse does, and the accessibility bus sees their name,
// their role and a press action. The mouse keeps going its own way.
#include <QAccessible>
#include <QString>
#include <QWidget>
#include <functional>

namespace veltod {

struct PressableControl {
    QAccessible::Role role = QAccessible::Button;
    // What the control does or shows, as a screen reader says it.
    QString name = {};
    // Runs on Enter, Space and the screen reader's press action.
    std::function<void()> press = nullptr;
    // Runs when the keyboard focus arrives, as the mouse entering would.
    std::function<void()> hover = nullptr;
    // Runs when the keyboard takes the focus elsewhere: the hover undone.
    std::function<void()> leave = nullptr;
    // Reached by Tab; a row of a list that arrows move through is not.
    bool tab_stop = true;
};

void MakePressable(QWidget* control, PressableControl what);

// A new name for a pressable control (a row that shows another entry, a
// filter that became selected); the bus hears of it.
void RenamePressable(QWidget* control, const QString& name);

// The checked state a check box role reports.
void SetPressableChecked(QWidget* control, bool checked);

// True when the control has been made pressable.
bool IsPressable(const QWidget* control);

// Presses the control as Enter would; false when it is not pressable.
bool PressControl(QWidget* control);

// A control that only shows (the message line): its role on the bus and its
// name, which the bus hears of when it changes.
void MakeShown(QWidget* control, QAccessible::Role role, const QString& name);

// Makes the bus build the controls' interfaces from the above; once per
// application, before any window exists.
void InstallPressableAccessibility();

}  // namespace veltod
