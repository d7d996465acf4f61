#pragma once

#include <QWidget>

#include <array>
#include <cstddef>
#include <vector>

class QLabel;
class QLineEdit;

namespace spawn {

class RecordEditor;

// The record form's grid inside frame 1001: a label and an edit box per field, 200-pixel columns
// of 20-pixel rows, scrolled sideways by moving the panel to x = -position. Only the columns in
// view have widgets: a few columns of label/edit pairs are reused as the panel scrolls, each pair
// carrying its field's control IDs (label 1820 + j, edit box 2820 + j) as object names. The texts
// live in the editor's form; the boxes show them and pass typing back.
class FieldPanel : public QWidget {
    Q_OBJECT
public:
    // `editor` must outlive the panel; `frame` becomes its parent. `boxEvents`, when given,
    // filters the events of every edit box (the window's keys pass the boxes by).
    FieldPanel(RecordEditor& editor, QWidget* frame, QObject* boxEvents = nullptr);

    // The grid got another number of fields: back to position 0, every box shown afresh.
    void rebuild();
    // The texts were written by the program: the boxes in view show them.
    void refill();
    // Moves the grid so that x = position of the grid lies at the frame's left edge.
    void scrollTo(int position);

private:
    struct Column {
        int formColumn = -1; // which column of the form it shows, -1 for none
        std::vector<QLabel*> labels;
        std::vector<QLineEdit*> edits;
    };

    Column makeColumn();
    void realise();
    void showColumn(Column& column, int formColumn);
    void fitToFrame();

    RecordEditor& m_editor;
    QWidget* m_frame;
    QObject* m_boxEvents;
    std::vector<Column> m_columns;
    int m_position = 0;
    QFont m_formFont;
};

} // namespace spawn
