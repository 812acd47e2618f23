#include "monitor/FrameLogList.h"

#include "monitor/MonitorTexts.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>

#include <algorithm>

namespace velt {

FrameLogList::FrameLogList(bool korean, QWidget* parent) : QListWidget(parent), menu_(this) {
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setUniformItemSizes(true); // every line has the same height: no per-item layout on each add

    copy_ = menu_.addAction(QString::fromUtf8(kCopyAction.Pick(korean)), this, &FrameLogList::CopySelected);
    copy_->setShortcut(QKeySequence::Copy);
    copy_->setShortcutContext(Qt::WidgetShortcut);
    addAction(copy_);
    clear_ = menu_.addAction(QString::fromUtf8(kClearAction.Pick(korean)), this, &FrameLogList::ClearLines);
    menu_.addSeparator();
    saveAs_ =
        menu_.addAction(QString::fromUtf8(kSaveAsAction.Pick(korean)), this, &FrameLogList::saveAsRequested);
    connect(&menu_, &QMenu::aboutToShow, this, [this] {
        copy_->setEnabled(!selectedItems().isEmpty());
        clear_->setEnabled(count() > 0);
    });
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { menu_.popup(viewport()->mapToGlobal(pos)); });
}

void FrameLogList::AddLine(LogLine line) {
    const QString text = QString::fromStdString(line.Text);
    if (lines_.Append(std::move(line))) delete takeItem(0);
    addItem(text);
    scrollToItem(item(count() - 1), QAbstractItemView::PositionAtTop);
}

void FrameLogList::ClearLines() {
    lines_.Clear();
    clear();
}

QString FrameLogList::SelectedText() const {
    QList<int> rows;
    for (const QListWidgetItem* it : selectedItems())
        rows.push_back(row(it));
    std::sort(rows.begin(), rows.end());
    QStringList texts;
    for (int r : rows)
        texts.push_back(item(r)->text());
    return texts.join(QLatin1Char('\n'));
}

void FrameLogList::CopySelected() const {
    const QString text = SelectedText();
    if (!text.isEmpty()) QApplication::clipboard()->setText(text);
}

} // namespace velt
