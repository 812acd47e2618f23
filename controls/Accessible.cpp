#include "controls/Accessible.h"

#include <QLabel>
#include <QRegularExpression>
#include <QWidget>

namespace velt {

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
    if (control == nullptr) return;
    const QString name = AccessibleCaption(caption);
    if (control->accessibleName() != name) control->setAccessibleName(name);
}

void NameAfterLabel(QWidget* control, QLabel* label) {
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

} // namespace velt
