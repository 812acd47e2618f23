#pragma once
// One of the monitoring page's two frame lists ("Send", "Receive"): an
// unsorted list that keeps the newest 51 lines, each with its arrival time,
// and a context menu with Copy (the selected lines), Clear and Save As….
// User-interface thread only.
#include "monitor/FrameLog.h"

#include <QListWidget>
#include <QMenu>

class QAction;

namespace velt {

class FrameLogList : public QListWidget {
    Q_OBJECT
public:
    FrameLogList(bool korean, QWidget* parent);

    // Adds the line at the end, removing the oldest when the list already
    // holds more than 50, and scrolls so that the new line is the top
    // visible line (as far as the list can scroll).
    void AddLine(LogLine line);
    void ClearLines();
    const LogLines& Lines() const { return lines_; }

    // The selected lines in list order, one per line ("" when none).
    QString SelectedText() const;
    void CopySelected() const;

    QMenu* ContextMenu() { return &menu_; }
    QAction* CopyAction() const { return copy_; }
    QAction* ClearAction() const { return clear_; }
    QAction* SaveAsAction() const { return saveAs_; }

signals:
    void saveAsRequested();

private:
    LogLines lines_;
    QMenu menu_;
    QAction* copy_ = nullptr;
    QAction* clear_ = nullptr;
    QAction* saveAs_ = nullptr;
};

} // namespace velt
