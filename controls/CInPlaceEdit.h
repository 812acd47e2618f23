#pragma once

#include <QLineEdit>
#include <QString>

namespace velt {

// Editor laid over a grid cell during in-place editing. Tab and Return end editing and keep the
// text; Escape puts back the text the cell had when editing began and ends editing. Arrow and
// page keys end editing in exit-on-arrows mode or while Control is held, otherwise they move the
// caret. Losing the focus ends editing and keeps the text. Alt (system) keystrokes are swallowed.
// Ending emits editEnded exactly once and then deletes the editor later.
class CInPlaceEdit : public QLineEdit {
    Q_OBJECT
public:
    // cellRect in the parent's coordinates; the editor never grows past maxRight.
    CInPlaceEdit(QWidget* parent, const QRect& cellRect, int row, int col, const QString& text,
                 const QString& originalText, bool exitOnArrows, int maxRight);

    int Row() const { return row_; }
    int Col() const { return col_; }
    bool ExitOnArrows() const { return exitOnArrows_; }
    const QString& OriginalText() const { return original_; }

    // Moves the editor over its cell's new rectangle (the grid's layout changed).
    void SetCellRect(const QRect& cellRect, int maxRight);

    // Ends editing with the given key (0: focus lost or ended by the grid).
    void EndEdit(int key);
    // Closes the editor without any notification (the grid's cell went away).
    void Discard();

signals:
    void editEnded(int row, int col, const QString& text, int key);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool event(QEvent* event) override;

private:
    void Widen();

    int row_;
    int col_;
    QString original_;
    bool exitOnArrows_;
    QRect cellRect_;
    int maxRight_;
    bool ended_ = false;
};

} // namespace velt
