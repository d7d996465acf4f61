#include "RecordForm.h"

#include "ByteReader.h"
#include "NumberText.h"
#include "SpawnLayout.h"

#include <algorithm>

namespace spawn {

using namespace SpawnLayout;

namespace FormGeometry {

Cell cellOf(std::size_t j) {
    if (j <= kAreaFieldCount) {
        return {0, static_cast<int>(j - 1)};
    }
    const std::size_t inEntries = j - kAreaFieldCount - 1;
    return {1 + static_cast<int>(inEntries / kEntryFieldCount),
            static_cast<int>(inEntries % kEntryFieldCount)};
}

std::size_t fieldAt(int column, int row, std::size_t fieldCount) {
    if (column < 0 || row < 0) {
        return 0;
    }
    std::size_t j = 0;
    if (column == 0) {
        j = row < kAreaRows ? static_cast<std::size_t>(row) + 1 : 0;
    } else {
        j = row < kEntryRows ? kAreaFieldCount + static_cast<std::size_t>(column - 1) * kEntryFieldCount +
                                   static_cast<std::size_t>(row) + 1
                             : 0;
    }
    return j <= fieldCount ? j : 0;
}

std::optional<int> scrollMaximum(int columns, int frameWidth) {
    const int width = kColumnWidth * columns;
    if (width <= frameWidth) {
        return std::nullopt;
    }
    return width - frameWidth + 1;
}

std::vector<std::size_t> assignColumns(std::vector<int>& shown, int first, int last) {
    std::vector<int> needed;
    for (int c = first; c <= last; ++c) {
        if (std::find(shown.begin(), shown.end(), c) == shown.end()) {
            needed.push_back(c);
        }
    }
    for (int& column : shown) {
        if (column >= 0 && (column < first || column > last)) {
            column = -1;
        }
    }
    std::vector<std::size_t> filled;
    for (const int c : needed) {
        auto free = std::find(shown.begin(), shown.end(), -1);
        if (free == shown.end()) {
            shown.push_back(-1);
            free = shown.end() - 1;
        }
        *free = c;
        filled.push_back(static_cast<std::size_t>(free - shown.begin()));
    }
    return filled;
}

int scrollPosition(ScrollRequest request, int position, int thumbPosition, int maximum) {
    int p = position;
    switch (request) {
    case ScrollRequest::LineLeft:
        p -= kLineStep;
        break;
    case ScrollRequest::LineRight:
        p += kLineStep;
        break;
    case ScrollRequest::PageLeft:
        p -= kPageStep;
        break;
    case ScrollRequest::PageRight:
        p += kPageStep;
        break;
    case ScrollRequest::ThumbTrack:
        p = thumbPosition;
        break;
    case ScrollRequest::Other:
        break;
    }
    return std::clamp(p, 0, std::max(0, maximum));
}

} // namespace FormGeometry

int RecordForm::columnCount() const {
    if (m_fields.size() <= kAreaFieldCount) {
        return 1;
    }
    return 1 + static_cast<int>((m_fields.size() - kAreaFieldCount) / kEntryFieldCount);
}

void RecordForm::build(std::size_t fieldCount) {
    m_fields.assign(fieldCount, {});
    const std::string types = recordFieldTypes(static_cast<std::int32_t>(
        fieldCount > kAreaFieldCount ? (fieldCount - kAreaFieldCount) / kEntryFieldCount : 0));
    for (std::size_t j = 1; j <= fieldCount; ++j) {
        m_fields[j - 1].label = formFieldLabel(j);
        m_fields[j - 1].type = types[j - 1];
    }
}

namespace {

void fillField(FormFieldState& state, const SpawnRecord& record, FormField&& f) {
    state.filledBytes = recordFieldBytes(record, f.number);
    state.filledText = f.text;
    state.text = std::move(f.text);
    state.filled = true;
}

} // namespace

void RecordForm::fill(const SpawnRecord& record) {
    for (FormField& f : recordFormFields(record)) {
        if (f.number > m_fields.size()) {
            break;
        }
        fillField(m_fields[f.number - 1], record, std::move(f));
    }
}

void RecordForm::refillField(const SpawnRecord& record, std::size_t j) {
    for (FormField& f : recordFormFields(record)) {
        if (f.number == j) {
            fillField(m_fields[j - 1], record, std::move(f));
            return;
        }
    }
}

bool RecordForm::hasUnappliedText() const {
    return !isEmpty() && readBack().bytes != m_baseline;
}

SpawnRecord RecordForm::toRecord(const ElementNameTables& names) const {
    SpawnRecord record = readBack();
    if (record.entryCount > 0) {
        record.applyName(names);
    }
    return record;
}

SpawnRecord RecordForm::readBack() const {
    SpawnRecord record;
    if (m_fields.size() < kAreaFieldCount) {
        return record;
    }
    const auto gridEntries =
        static_cast<std::int32_t>((m_fields.size() - kAreaFieldCount) / kEntryFieldCount);
    const std::int32_t n = std::clamp(parseCInt(text(kEntryCountField)), 0, gridEntries);
    record.entryCount = n;
    record.bytes.assign(recordSize(n), 0);
    std::size_t offset = 0;
    for (std::size_t j = 1; j <= formFieldCount(n); ++j) {
        const FormFieldState& f = field(j);
        const FieldBytes bytes =
            f.filled && f.text == f.filledText ? f.filledBytes : fieldBytesFromText(f.type, f.text);
        std::copy_n(bytes.bytes.begin(), bytes.size,
                    record.bytes.begin() + static_cast<std::ptrdiff_t>(offset));
        offset += bytes.size;
    }
    // The count box is the grid's own; the record always agrees with the entries it holds.
    writeI32At(record.bytes, kEntryCountOffset, n);
    if (n > 0) {
        record.creatureId = readI32At(record.bytes, kAreaHeaderSize + kCreatureIdOffset);
    }
    return record;
}

bool RecordForm::hasEmptyField() const {
    return std::any_of(m_fields.begin(), m_fields.end(),
                       [](const FormFieldState& f) { return f.text.empty(); });
}

RecordForm::Position RecordForm::position() const {
    if (m_fields.size() < kZField) {
        return {};
    }
    return {parseCDouble(text(kXField)), parseCDouble(text(kYField)), parseCDouble(text(kZField))};
}

} // namespace spawn
