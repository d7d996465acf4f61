#pragma once

#include "ElementNameTables.h"
#include "RecordFields.h"
#include "SpawnRecord.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace spawn {

// Where the form's fields lie in the panel, in pixels, and how its scroll bar moves.
namespace FormGeometry {
inline constexpr int kColumnWidth = 200;
inline constexpr int kRowHeight = 20;
inline constexpr int kLabelWidth = 80;
inline constexpr int kEditWidth = kColumnWidth - kLabelWidth;
inline constexpr int kAreaRows = 20;  // column 0: the area header
inline constexpr int kEntryRows = 18; // every further column: one creature entry
inline constexpr int kLineStep = 1;
inline constexpr int kPageStep = 10;

// Control IDs of field j's label and edit box (1-based j).
inline constexpr int kLabelIdBase = 1820;
inline constexpr int kEditIdBase = 2820;

struct Cell {
    int column = 0;
    int row = 0;
};

// The column and row of form field j (1-based).
Cell cellOf(std::size_t j);

// The 1-based number of the field in `column`, `row`; 0 when that cell holds no field of a form
// with `fieldCount` fields.
std::size_t fieldAt(int column, int row, std::size_t fieldCount);

// The scroll bar's largest position for a form of `columns` columns in a frame `frameWidth`
// pixels wide: 200 x columns - frameWidth + 1 (the range 0..200 x columns with a page of
// frameWidth). Nothing when the form fits and the bar is hidden.
std::optional<int> scrollMaximum(int columns, int frameWidth);

enum class ScrollRequest { LineLeft, LineRight, PageLeft, PageRight, ThumbTrack, Other };

// The bar's position after `request` from `position`, held within 0..maximum.
int scrollPosition(ScrollRequest request, int position, int thumbPosition, int maximum);

// A window gives controls only to the form's columns in view, `first` to `last` (none when last <
// first). `shown[i]` is the form column that the window's control column i shows, -1 for none.
// Columns still in view keep their controls; those that left give theirs to those that came in,
// in order, and new control columns are added at the end when there are too few. Gives the
// control columns that now show another form column (to be filled), in the order of those columns.
std::vector<std::size_t> assignColumns(std::vector<int>& shown, int first, int last);

// The same over a window's control columns, each with a `formColumn` member: `make()` gives a new
// control column, `show(column, formColumn)` fills one that now shows another form column.
template <class Column, class Make, class Show>
void realiseColumns(std::vector<Column>& columns, int first, int last, Make make, Show show) {
    std::vector<int> shown;
    shown.reserve(columns.size());
    for (const Column& column : columns) {
        shown.push_back(column.formColumn);
    }
    const std::vector<std::size_t> filled = assignColumns(shown, first, last);
    while (columns.size() < shown.size()) {
        columns.push_back(make());
    }
    for (std::size_t i = 0; i < shown.size(); ++i) {
        columns[i].formColumn = shown[i];
    }
    for (const std::size_t i : filled) {
        show(columns[i], shown[i]);
    }
}
} // namespace FormGeometry

// One field of the form: what its box holds now and what it was filled with.
struct FormFieldState {
    std::string label;
    char type = '2';
    std::string text;
    // The text and bytes the field had when a record filled it. While the text is unchanged the
    // field keeps these bytes: a float shown with 18 decimals does not always read back to the
    // same bits (tiny magnitudes, NaN payloads, infinities).
    std::string filledText;
    FieldBytes filledBytes;
    bool filled = false;
};

// The record form's state: one labelled text per field of the record shown, without widgets.
// Fields are numbered from 1 as their labels are.
class RecordForm {
public:
    bool isEmpty() const { return m_fields.empty(); }
    std::size_t fieldCount() const { return m_fields.size(); }
    // 1 + the entries the grid holds.
    int columnCount() const;

    // Precondition: 1 <= j <= fieldCount().
    const FormFieldState& field(std::size_t j) const { return m_fields[j - 1]; }
    const std::string& text(std::size_t j) const { return field(j).text; }
    void setText(std::size_t j, std::string text) { m_fields[j - 1].text = std::move(text); }
    // Only the entry-count box (field 2) is read-only.
    static bool isReadOnly(std::size_t j) { return j == kEntryCountField; }

    // An empty grid of `fieldCount` fields with their labels; every text empty.
    // Precondition: fieldCount = 20 + 18 x k for some k >= 0.
    void build(std::size_t fieldCount);

    // Writes the first fields from the record's bytes. Precondition: the grid has at least the
    // record's number of fields.
    void fill(const SpawnRecord& record);

    // The grid read back into a new record: as many entries as the entry-count box says (no more
    // than the grid holds), each field parsed by its type, or its filled bytes while its text is
    // unchanged. The display name is looked up for the first creature ID.
    SpawnRecord toRecord(const ElementNameTables& names) const;

    // Writes field j anew from the record's bytes, as fill does, leaving every other field as it
    // is. Precondition: 1 <= j <= fieldCount() and the record has field j.
    void refillField(const SpawnRecord& record, std::size_t j);

    // Whether some box is empty; the commands that store the form refuse then.
    bool hasEmptyField() const;

    // The bytes the form stands for while nothing is typed: those of the record it was last
    // filled from or stored into.
    void setBaseline(std::vector<std::uint8_t> bytes) { m_baseline = std::move(bytes); }
    const std::vector<std::uint8_t>& baseline() const { return m_baseline; }
    // Typed, unapplied work: the form reads back to other bytes than its baseline (a box typed
    // into or emptied, an entry added or removed, a position copied in). Text typed and typed
    // back to what it was is none.
    bool hasUnappliedText() const;

    // The world position the X, Y and Z boxes (fields 3 to 5) read as.
    struct Position {
        double x = 0;
        double y = 0;
        double z = 0;
    };
    Position position() const;

    // Which record the form was last filled from (its serial), if any.
    std::optional<std::uint64_t> sourceSerial() const { return m_sourceSerial; }
    void setSourceSerial(std::optional<std::uint64_t> serial) { m_sourceSerial = serial; }

    static constexpr std::size_t kEntryCountField = 2;
    static constexpr std::size_t kXField = 3;
    static constexpr std::size_t kYField = 4;
    static constexpr std::size_t kZField = 5;
    static constexpr std::size_t kFirstCreatureIdField = 21;

private:
    // The grid read back into a record's bytes and entry count, as toRecord reads it.
    SpawnRecord readBack() const;

    std::vector<FormFieldState> m_fields;
    std::optional<std::uint64_t> m_sourceSerial;
    std::vector<std::uint8_t> m_baseline;
};

} // namespace spawn
