#include "FieldPanel.h"

#include "RecordEditor.h"

#include <QLabel>
#include <QLineEdit>

#include <algorithm>

namespace spawn {

using namespace FormGeometry;

namespace {

// The form's font: 10-point SimSun, or what the system offers in its place.
constexpr auto kFormFontFamily = "SimSun";
constexpr int kFormFontPoints = 10;

} // namespace

FieldPanel::FieldPanel(RecordEditor& editor, QWidget* frame, QObject* boxEvents)
    : QWidget(frame), m_editor(editor), m_frame(frame), m_boxEvents(boxEvents),
      m_formFont(QString::fromLatin1(kFormFontFamily), kFormFontPoints) {
    setObjectName(QStringLiteral("FieldPanel"));
    m_formFont.setStyleHint(QFont::SansSerif);
    fitToFrame();
}

FieldPanel::Column FieldPanel::makeColumn() {
    Column column;
    for (int row = 0; row < kAreaRows; ++row) {
        auto* label = new QLabel(this);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setFont(m_formFont);
        auto* edit = new QLineEdit(this);
        edit->setFont(m_formFont);
        edit->setFocusPolicy(Qt::ClickFocus); // the boxes are no tab stops
        if (m_boxEvents) {
            edit->installEventFilter(m_boxEvents);
        }
        // Typing goes to the form at once, so the form always holds what the boxes show.
        connect(edit, &QLineEdit::textEdited, this, [this, edit](const QString& text) {
            const std::size_t j = static_cast<std::size_t>(edit->objectName().toInt() - kEditIdBase);
            m_editor.typeIntoField(j, text.toStdString());
        });
        column.labels.push_back(label);
        column.edits.push_back(edit);
    }
    return column;
}

void FieldPanel::rebuild() {
    m_position = 0;
    for (Column& column : m_columns) {
        column.formColumn = -1;
    }
    fitToFrame();
    realise();
}

void FieldPanel::refill() {
    for (Column& column : m_columns) {
        if (column.formColumn >= 0) {
            showColumn(column, column.formColumn);
        }
    }
}

void FieldPanel::scrollTo(int position) {
    m_position = std::max(0, position);
    fitToFrame();
    realise();
}

void FieldPanel::fitToFrame() {
    const QRect frame = m_frame->contentsRect();
    setGeometry(frame.left() - m_position, frame.top(), frame.width() + m_position, frame.height());
}

void FieldPanel::realise() {
    const RecordForm& form = m_editor.form();
    const int width = m_frame->contentsRect().width();
    const int first = m_position / kColumnWidth;
    const int last = std::min(form.columnCount() - 1, (m_position + width - 1) / kColumnWidth);
    const bool any = !form.isEmpty();

    // Columns that scrolled out of view are free for the ones that came in.
    realiseColumns(
        m_columns, first, any ? last : first - 1, [this] { return makeColumn(); },
        [this](Column& column, int formColumn) { showColumn(column, formColumn); });
    for (Column& column : m_columns) {
        if (column.formColumn < 0) {
            for (std::size_t row = 0; row < column.edits.size(); ++row) {
                column.labels[row]->hide();
                column.edits[row]->hide();
                column.edits[row]->setObjectName(QString());
                column.labels[row]->setObjectName(QString());
            }
        }
    }
}

void FieldPanel::showColumn(Column& column, int formColumn) {
    const RecordForm& form = m_editor.form();
    column.formColumn = formColumn;
    for (std::size_t row = 0; row < column.edits.size(); ++row) {
        QLabel* label = column.labels[row];
        QLineEdit* edit = column.edits[row];
        const std::size_t j = fieldAt(formColumn, static_cast<int>(row), form.fieldCount());
        if (j == 0) {
            label->hide();
            edit->hide();
            edit->setObjectName(QString());
            label->setObjectName(QString());
            continue;
        }
        const int x = kColumnWidth * formColumn;
        const int y = kRowHeight * static_cast<int>(row);
        const FormFieldState& field = form.field(j);
        label->setObjectName(QString::number(kLabelIdBase + static_cast<int>(j)));
        label->setText(QString::fromStdString(field.label));
        label->setGeometry(x, y, kLabelWidth, kRowHeight);
        edit->setObjectName(QString::number(kEditIdBase + static_cast<int>(j)));
        // A box shows a field anew here: given another field, or the program wrote the form. Its
        // text is set even when equal, which also forgets its undo history, so that Ctrl+Z in it
        // never brings back what was typed for another field or record.
        edit->setText(QString::fromStdString(field.text));
        edit->setCursorPosition(0);
        edit->setReadOnly(RecordForm::isReadOnly(j));
        edit->setGeometry(x + kLabelWidth, y, kEditWidth, kRowHeight);
        label->show();
        edit->show();
    }
}

} // namespace spawn
