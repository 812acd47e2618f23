#pragma once
// Keyboard walks through a window, as a user without a mouse makes them:
// Tab from control to control, keys sent to the control that has the focus.
// Used by the window tests of every area.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QString>
#include <QTest>
#include <QTextEdit>
#include <QWidget>

#include <string>
#include <vector>

namespace velt::test {

// Shows the window in front and waits until it is the active window, so that
// the focus and the keys go where they go for a user.
inline bool ShowActive(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
    QApplication::setActiveWindow(window);
    return QTest::qWaitForWindowActive(window, 2000);
}

// The widget that receives a key sent to the window.
inline QWidget* FocusIn(QWidget* window) {
    QWidget* focus = window->focusWidget();
    return focus != nullptr ? focus : window;
}

inline void PressKey(QWidget* window, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(FocusIn(window), static_cast<Qt::Key>(key), mods);
}

// The widget that takes the focus for this one (an editable list's field is
// the list's, say).
inline QWidget* FocusTarget(QWidget* w) {
    while (w != nullptr && w->focusProxy() != nullptr)
        w = w->focusProxy();
    return w;
}

inline bool InsideItemView(const QWidget* w, const QWidget* window) {
    for (const QWidget* p = w->parentWidget(); p != nullptr && p != window; p = p->parentWidget())
        if (qobject_cast<const QAbstractItemView*>(p) != nullptr ||
            qobject_cast<const QComboBox*>(p) != nullptr ||
            qobject_cast<const QAbstractSpinBox*>(p) != nullptr)
            return true;
    return false;
}

// The controls of the window (not of windows it owns) that a user operates:
// buttons, boxes, lists, edits, tables and any widget of our own that takes
// the focus; those shown and enabled.
inline std::vector<QWidget*> OperableControls(QWidget* window) {
    std::vector<QWidget*> found;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->window() != window || !w->isVisibleTo(window) || !w->isEnabled()) continue;
        if (qobject_cast<QHeaderView*>(w) != nullptr || InsideItemView(w, window)) continue;
        const bool standard =
            qobject_cast<QAbstractButton*>(w) != nullptr || qobject_cast<QComboBox*>(w) != nullptr ||
            qobject_cast<QLineEdit*>(w) != nullptr || qobject_cast<QAbstractSpinBox*>(w) != nullptr ||
            qobject_cast<QAbstractItemView*>(w) != nullptr || qobject_cast<QPlainTextEdit*>(w) != nullptr ||
            qobject_cast<QTextEdit*>(w) != nullptr;
        const bool ours =
            (w->focusPolicy() & Qt::TabFocus) != 0 &&
            QString::fromLatin1(w->metaObject()->className()).startsWith(QLatin1String("velt::"));
        if (standard || ours) found.push_back(w);
    }
    return found;
}

// Tab from the first control until the focus comes back (or `limit` presses):
// the focus widgets in the order reached.
inline std::vector<QWidget*> TabChain(QWidget* window, int limit = 400) {
    std::vector<QWidget*> reached;
    window->setFocus(Qt::OtherFocusReason);
    PressKey(window, Qt::Key_Tab);
    QWidget* first = window->focusWidget();
    if (first == nullptr) return reached;
    reached.push_back(first);
    for (int i = 0; i < limit; ++i) {
        PressKey(window, Qt::Key_Tab);
        QWidget* now = window->focusWidget();
        if (now == nullptr || now == first) break;
        reached.push_back(now);
    }
    return reached;
}

// How a control is known in a failure message.
inline std::string Describe(const QWidget* w) {
    QString text = QString::fromLatin1(w->metaObject()->className());
    if (!w->objectName().isEmpty()) text += QLatin1Char(' ') + w->objectName();
    if (!w->accessibleName().isEmpty())
        text += QStringLiteral(" \"") + w->accessibleName() + QLatin1Char('"');
    if (const auto* b = qobject_cast<const QAbstractButton*>(w);
        b != nullptr && w->accessibleName().isEmpty())
        text += QStringLiteral(" [") + b->text() + QLatin1Char(']');
    return text.toStdString();
}

// The operable controls of the window that Tab never reaches, described.
// Of a group of exclusive radio buttons one is enough: the arrows move
// within the group.
inline std::vector<std::string> UnreachedByTab(QWidget* window) {
    const std::vector<QWidget*> reached = TabChain(window);
    const auto wasReached = [&](QWidget* w) {
        QWidget* target = FocusTarget(w);
        for (QWidget* r : reached)
            if (r == target || FocusTarget(r) == target) return true;
        return false;
    };
    std::vector<std::string> missing;
    for (QWidget* w : OperableControls(window)) {
        if (wasReached(w)) continue;
        if (const auto* b = qobject_cast<QAbstractButton*>(w); b != nullptr && b->autoExclusive()) {
            bool sibling = false;
            for (QWidget* r : reached) {
                const auto* rb = qobject_cast<QAbstractButton*>(r);
                sibling = sibling || (rb != nullptr && rb->autoExclusive() && rb->group() == b->group() &&
                                      rb->group() != nullptr);
            }
            if (sibling) continue;
        }
        missing.push_back(Describe(w));
    }
    return missing;
}

} // namespace velt::test
