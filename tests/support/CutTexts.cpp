// Measures each control's text against the room its painting gives it.
#include "CutTexts.h"

#include "controls/CButtonST.h"
#include "controls/CGridCtrl.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionGroupBox>

#include <algorithm>

namespace velt::test {

namespace {

// Width and height of a text of one or more lines ('\n'), mnemonics removed.
QSize TextSize(const QFontMetrics& fm, QString text, bool mnemonic) {
    if (mnemonic) text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    const QStringList lines = text.split(QLatin1Char('\n'));
    int width = 0;
    for (const QString& line : lines)
        width = std::max(width, fm.horizontalAdvance(line));
    return {width, static_cast<int>(lines.size()) * fm.height()};
}

void Check(std::vector<CutText>* cuts, const char* control, const QString& text, QSize needed, QSize room) {
    if (text.trimmed().isEmpty()) return;
    if (needed.width() > room.width())
        cuts->push_back({QString::fromLatin1(control), text, needed.width(), room.width()});
    else if (needed.height() > room.height())
        cuts->push_back({QString::fromLatin1(control) + QStringLiteral(" (height)"), text, needed.height(),
                         room.height()});
}

// A cell's text lies inside its rectangle less the grid line at its right
// and bottom and the cell's margin at either side.
void CheckGrid(CGridCtrl* grid, std::vector<CutText>* cuts) {
    const GridModel& model = grid->Model();
    for (int row = 0; row < grid->GetRowCount(); ++row) {
        for (int col = 0; col < grid->GetColumnCount(); ++col) {
            if (model.MergeOrigin(row, col) != GridCellId{row, col}) continue;
            const QString text = grid->GetItemText(row, col);
            const QRect rect = grid->CellRect(row, col);
            const int margin = model.EffectiveMargin(row, col);
            const QFontMetrics fm(grid->CellFont(row, col));
            Check(cuts, "grid", text, QSize(fm.horizontalAdvance(text), fm.height()),
                  QSize(rect.width() - 1 - 2 * margin, rect.height() - 1));
        }
    }
}

void CheckLabel(QLabel* label, std::vector<CutText>* cuts) {
    if (label->text().isEmpty() || label->textFormat() == Qt::RichText) return;
    const QFontMetrics fm(label->font());
    QRect room =
        label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(), -label->margin());
    int indent = label->indent();
    if (indent < 0 && label->frameWidth() > 0) indent = fm.horizontalAdvance(QLatin1Char('x')) / 2;
    if (indent > 0) room.setWidth(room.width() - indent);
    if (label->wordWrap()) {
        const int height = label->heightForWidth(label->width());
        Check(cuts, "label", label->text(), QSize(0, height), QSize(1, label->height()));
        return;
    }
    Check(cuts, "label", label->text(), TextSize(fm, label->text(), label->buddy() != nullptr), room.size());
}

void CheckImageButton(CButtonST* button, std::vector<CutText>* cuts) {
    const QSize text = QFontMetrics(button->font()).size(0, button->text());
    const int icon = button->HasIcon() ? button->IconSide() + CButtonST::kGap : 0;
    Check(cuts, "button", button->text(), QSize(text.width() + icon, text.height()),
          QSize(button->width() - 2 * CButtonST::kEdge, button->height()));
}

void CheckButton(QAbstractButton* button, std::vector<CutText>* cuts) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    QStyle::SubElement element = QStyle::SE_PushButtonContents;
    if (qobject_cast<QRadioButton*>(button) != nullptr) element = QStyle::SE_RadioButtonContents;
    if (qobject_cast<QCheckBox*>(button) != nullptr) element = QStyle::SE_CheckBoxContents;
    const QRect contents = button->style()->subElementRect(element, &option, button);
    QSize needed = TextSize(QFontMetrics(button->font()), button->text(), true);
    if (!button->icon().isNull()) needed.rwidth() += button->iconSize().width() + 4;
    Check(cuts, "button", button->text(), needed, contents.size());
}

void CheckList(QComboBox* box, std::vector<CutText>* cuts) {
    if (box->isEditable() || box->currentText().isEmpty()) return;
    QStyleOptionComboBox option;
    option.initFrom(box);
    option.editable = false;
    option.currentText = box->currentText();
    const QRect field =
        box->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box);
    const QFontMetrics fm(box->font());
    Check(cuts, "list", box->currentText(), QSize(fm.horizontalAdvance(box->currentText()), fm.height()),
          field.size());
}

void CheckGroup(QGroupBox* group, std::vector<CutText>* cuts) {
    if (group->title().isEmpty()) return;
    QStyleOptionGroupBox option;
    option.initFrom(group);
    option.text = group->title();
    option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
    const QRect label =
        group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group);
    const QFontMetrics fm(group->font());
    const QSize needed = TextSize(fm, group->title(), true);
    Check(cuts, "group", group->title(), needed,
          QSize(std::min(label.width(), group->width()), label.height()));
}

void CheckWidget(QWidget* widget, std::vector<CutText>* cuts) {
    if (auto* grid = qobject_cast<CGridCtrl*>(widget)) return CheckGrid(grid, cuts);
    if (auto* label = qobject_cast<QLabel*>(widget)) return CheckLabel(label, cuts);
    if (auto* image = qobject_cast<CButtonST*>(widget)) return CheckImageButton(image, cuts);
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return CheckButton(button, cuts);
    if (auto* box = qobject_cast<QComboBox*>(widget)) return CheckList(box, cuts);
    if (auto* group = qobject_cast<QGroupBox*>(widget)) return CheckGroup(group, cuts);
}

} // namespace

std::vector<CutText> CutTextsOf(QWidget* window) {
    std::vector<CutText> cuts;
    CheckWidget(window, &cuts);
    for (QWidget* child : window->findChildren<QWidget*>()) {
        // Windows of their own (the page's compare window) are walked apart.
        if (!child->isVisibleTo(window) || child->window() != window->window()) continue;
        CheckWidget(child, &cuts);
    }
    return cuts;
}

QString Describe(const std::vector<CutText>& cuts) {
    QString out;
    for (const CutText& c : cuts)
        out += QStringLiteral("  %1 '%2' %3 > %4\n")
                   .arg(c.control, QString(c.text).replace(QLatin1Char('\n'), QLatin1Char('|')))
                   .arg(c.needed)
                   .arg(c.room);
    return out;
}

} // namespace velt::test
