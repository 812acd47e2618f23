#pragma once
// The small builders the scope window's parts share: a text in the window's
// language, and labels, boxes, lists and buttons placed at a rectangle, each
// box and list named for screen readers by the label beside it.
#include "base/LocalText.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRect>
#include <QString>

namespace velt::scope_parts {

inline QString Tr(const LocalText& text, bool korean) {
    return QString::fromUtf8(text.Pick(korean));
}

inline QLabel* AddLabel(QWidget* parent, const QString& text, const QRect& rect) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(rect);
    return label;
}

inline QLineEdit* AddEdit(QWidget* parent, const QRect& rect, const QString& name, const QString& text = {}) {
    auto* edit = new QLineEdit(text, parent);
    edit->setGeometry(rect);
    edit->setAccessibleName(name);
    return edit;
}

// Read by its name; its choice is its value (controls/Accessible.h).
inline QComboBox* AddList(QWidget* parent, const QRect& rect, const QString& name) {
    auto* list = new QComboBox(parent);
    list->setGeometry(rect);
    list->setAccessibleName(name);
    return list;
}

// Never the window's default button: Enter in a box takes the box's value.
inline QPushButton* AddButton(QWidget* parent, const QString& caption, const QRect& rect) {
    auto* button = new QPushButton(caption, parent);
    button->setGeometry(rect);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

} // namespace velt::scope_parts
