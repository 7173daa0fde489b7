#include "ui/skin/Pressable.h"

#include <QAccessibleWidget>
#include <QFocusEvent>
#include <QKeyEvent>

#include "ui/skin/ReportedError.h"

namespace veltod {
namespace {

// Kept as a child of the control, so it lives and dies with it; it also
// listens to the control's keys and focus.
class TPressAction : public QObject {
public:
    TPressAction(QWidget* control, PressableControl what) : QObject(control), what_(std::move(what)) {
        control->installEventFilter(this);
    }

    const PressableControl& What() const { return what_; }
    void SetWhat(PressableControl what) { what_ = std::move(what); }
    bool Checked() const { return checked_; }
    void SetChecked(bool checked) { checked_ = checked; }

    void Press() const {
        if (what_.press) what_.press();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != parent()) return false;
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
            if (plain && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Space)) {
                Press();
                return true;
            }
        } else if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
            // The focus a window gets back on activation, or a click, is not
            // the user moving to the control.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (event->type() == QEvent::FocusIn) {
                const bool by_keyboard = reason != Qt::MouseFocusReason && reason != Qt::ActiveWindowFocusReason &&
                                         reason != Qt::PopupFocusReason;
                if (by_keyboard && what_.hover) what_.hover();
            } else if (reason != Qt::PopupFocusReason && what_.leave) {
                // Also when another window takes the keyboard: a button
                // lit by the keyboard does not stay lit behind it.
                what_.leave();
            }
        }
        return false;
    }

private:
    PressableControl what_;
    bool checked_ = false;
};

TPressAction* ActionOf(const QWidget* control) {
    for (QObject* child : control->children())
        if (auto* action = dynamic_cast<TPressAction*>(child)) return action;
    return nullptr;
}

class TPressableAccessible : public QAccessibleWidget {
public:
    TPressableAccessible(QWidget* control, QAccessible::Role role) : QAccessibleWidget(control, role) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name) return widget()->accessibleName();
        return QAccessibleWidget::text(kind);
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        const TPressAction* action = ActionOf(widget());
        // A list row is reached by the arrow keys, not by Tab: still focusable.
        state.focusable = action && action->What().press;
        state.focused = widget()->hasFocus();
        if (action && role() == QAccessible::CheckBox) {
            state.checkable = true;
            state.checked = action->Checked();
        }
        return state;
    }

    QStringList actionNames() const override {
        const TPressAction* action = ActionOf(widget());
        if (!action || !action->What().press) return QAccessibleWidget::actionNames();
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override {
        if (name != pressAction()) {
            QAccessibleWidget::doAction(name);
            return;
        }
        // The bus calls in outside any event handler: errors are reported here.
        if (const TPressAction* action = ActionOf(widget())) RunReported([action] { action->Press(); });
    }

    QStringList keyBindingsForAction(const QString& name) const override {
        if (name == pressAction()) return {QStringLiteral("Return"), QStringLiteral("Space")};
        return QAccessibleWidget::keyBindingsForAction(name);
    }
};

QAccessibleInterface* PressableFactory(const QString&, QObject* object) {
    auto* control = qobject_cast<QWidget*>(object);
    if (!control) return nullptr;
    if (const TPressAction* action = ActionOf(control)) return new TPressableAccessible(control, action->What().role);
    // The skinned windows draw no frame, but they are windows to a reader.
    if (control->isWindow() && control->inherits("veltod::TSkinWindow"))
        return new QAccessibleWidget(control, QAccessible::Window);
    return nullptr;
}

// An interface built before the control became pressable (the toolkit may
// build one while a label is being set up) would keep its old role: it is
// dropped, and the next query builds the right one.
void ForgetPlainInterface(QWidget* control) {
    QAccessibleInterface* known = QAccessible::queryAccessibleInterface(control);
    if (known && !dynamic_cast<TPressableAccessible*>(known))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(known));
}

}  // namespace

void MakePressable(QWidget* control, PressableControl what) {
    control->setFocusPolicy(what.tab_stop ? Qt::TabFocus : Qt::NoFocus);
    const QString name = what.name;
    if (TPressAction* action = ActionOf(control)) {
        action->SetWhat(std::move(what));
    } else {
        new TPressAction(control, std::move(what));
        ForgetPlainInterface(control);
    }
    control->setAccessibleName(name);
}

void MakeShown(QWidget* control, QAccessible::Role role, const QString& name) {
    PressableControl what;
    what.role = role;
    what.name = name;
    what.tab_stop = false;
    MakePressable(control, std::move(what));
}

void RenamePressable(QWidget* control, const QString& name) {
    if (control->accessibleName() != name) control->setAccessibleName(name);
}

void SetPressableChecked(QWidget* control, bool checked) {
    TPressAction* action = ActionOf(control);
    if (!action || action->Checked() == checked) return;
    action->SetChecked(checked);
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(control, changed);
    QAccessible::updateAccessibility(&event);
}

bool IsPressable(const QWidget* control) { return ActionOf(control) != nullptr; }

bool PressControl(QWidget* control) {
    const TPressAction* action = ActionOf(control);
    if (!action) return false;
    action->Press();
    return true;
}

void InstallPressableAccessibility() { QAccessible::installFactory(&PressableFactory); }

}  // namespace veltod
