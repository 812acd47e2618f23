#include "controls/Accessible.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QToolButton>
#include <QWidget>

namespace velt {

namespace {

// A combo box: its name is the label's, its value the current text. The children are the drop-down
// list and, for an editable box, its edit field.
class NamedComboBox : public QAccessibleWidget {
public:
    explicit NamedComboBox(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return Box()->currentText();
        QString text = QAccessibleWidget::text(t);
        // A box that nobody named is better read by its value than not at all.
        if (t == QAccessible::Name && text.isEmpty()) text = Box()->currentText();
        return text;
    }
    void setText(QAccessible::Text t, const QString& text) override {
        if (t == QAccessible::Value && Box()->isEditable())
            Box()->setEditText(text);
        else
            QAccessibleWidget::setText(t, text);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = Box()->view()->isVisible();
        s.editable = Box()->isEditable();
        return s;
    }
    int childCount() const override { return Box()->isEditable() ? 2 : 1; }
    QAccessibleInterface* child(int index) const override {
        if (index == 0) return QAccessible::queryAccessibleInterface(Box()->view());
        if (index == 1 && Box()->isEditable())
            return QAccessible::queryAccessibleInterface(Box()->lineEdit());
        return nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (child == nullptr) return -1;
        if (child->object() == Box()->view()) return 0;
        if (Box()->isEditable() && child->object() == Box()->lineEdit()) return 1;
        return -1;
    }
    QStringList actionNames() const override {
        QStringList names;
        if (Box()->isEnabled()) names << showMenuAction() << pressAction();
        return names + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == showMenuAction() || action == pressAction()) {
            if (Box()->isEnabled()) Box()->showPopup();
            return;
        }
        QAccessibleWidget::doAction(action);
    }

private:
    QComboBox* Box() const { return static_cast<QComboBox*>(object()); }
};

// A check box or radio button whose toggle and press actions click it.
class ClickedToggle : public QAccessibleWidget {
public:
    ClickedToggle(QAbstractButton* button, QAccessible::Role role) : QAccessibleWidget(button, role) {}

    QString text(QAccessible::Text t) const override {
        QString text = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && text.isEmpty()) text = AccessibleCaption(Button()->text());
        return text;
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = Button()->isChecked();
        s.pressed = Button()->isDown();
        if (const auto* box = qobject_cast<const QCheckBox*>(Button()))
            s.checkStateMixed = box->checkState() == Qt::PartiallyChecked;
        return s;
    }
    QStringList actionNames() const override {
        QStringList names;
        if (Button()->isEnabled()) {
            names << toggleAction();
            if (role() == QAccessible::CheckBox) names << pressAction();
        }
        return names + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == toggleAction() || action == pressAction()) {
            if (Button()->isEnabled()) Button()->click();
            return;
        }
        QAccessibleWidget::doAction(action);
    }

private:
    QAbstractButton* Button() const { return static_cast<QAbstractButton*>(object()); }
};

QAccessibleInterface* InterfaceFor(const QString& className, QObject* object) {
    if (object == nullptr || !object->isWidgetType()) return nullptr;
    if (className == QLatin1String("QComboBox")) return new NamedComboBox(static_cast<QComboBox*>(object));
    if (className == QLatin1String("QCheckBox"))
        return new ClickedToggle(static_cast<QAbstractButton*>(object), QAccessible::CheckBox);
    if (className == QLatin1String("QRadioButton"))
        return new ClickedToggle(static_cast<QAbstractButton*>(object), QAccessible::RadioButton);
    return nullptr;
}

// Enter on a focused button presses it. A push button that presses itself on Enter (the default or
// auto-default button of a dialog) is left to do so.
class EnterPressesButton : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier || key->isAutoRepeat()) return false;
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (button == nullptr || !button->isEnabled()) return false;
        if (const auto* push = qobject_cast<QPushButton*>(button)) {
            if (push->autoDefault() || push->isDefault()) return false;
        } else if (qobject_cast<QToolButton*>(button) == nullptr) {
            return false; // a check box or radio button leaves Enter to its window
        }
        button->click();
        return true;
    }
};

} // namespace

void InstallAccessibility() {
    static const bool factory = [] {
        QAccessible::installFactory(&InterfaceFor);
        return true;
    }();
    (void)factory;
    // One filter per application object (a test program may make more than one in turn).
    static QPointer<EnterPressesButton> keys;
    if (keys.isNull() && QCoreApplication::instance() != nullptr) {
        keys = new EnterPressesButton(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(keys);
    }
}

QString AccessibleCaption(const QString& caption) {
    QString text = caption;
    text.replace(QLatin1String("&&"), QStringLiteral("\x01"));
    // A Korean caption carries its mnemonic as "(&T)" after the words.
    static const QRegularExpression kMnemonicSuffix(QStringLiteral("\\(&[^&\\s]\\)"));
    text.remove(kMnemonicSuffix);
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return text.simplified();
}

void NameAfterCaption(QWidget* control, const QString& caption) {
    InstallAccessibility();
    if (control == nullptr) return;
    const QString name = AccessibleCaption(caption);
    if (control->accessibleName() != name) control->setAccessibleName(name);
}

void NameAfterLabel(QWidget* control, QLabel* label) {
    InstallAccessibility();
    if (control == nullptr || label == nullptr) return;
    QString name = AccessibleCaption(label->text());
    while (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    label->setBuddy(control);
    control->setAccessibleName(name.trimmed());
}

void DescribeState(QWidget* control, const QString& state) {
    if (control != nullptr && control->accessibleDescription() != state)
        control->setAccessibleDescription(state);
}

void ShowValue(QLabel* label, const QString& text) {
    if (label == nullptr) return;
    if (label->text() != text) label->setText(text);
    DescribeState(label, text);
}

} // namespace velt
