#include "RecordListView.h"

#include "RecordDiff.h"

#include <algorithm>

namespace spawn {

RecordListView::RecordListView(const SpawnDocument& document)
    : m_document(document),
      m_changes(document.changed.connect([this](const DocumentChange& change) { follow(change); })) {}

void RecordListView::showAll() {
    m_filter = ListFilter{};
    m_positions.clear();
    reset.notify();
}

void RecordListView::setFiltered(ListFilter filter, std::vector<std::int32_t> positions) {
    m_filter = std::move(filter);
    m_positions = std::move(positions);
    reset.notify();
}

void RecordListView::showSearch(SearchMode mode, std::string text) {
    auto hits = searchRecords(m_document.records(), mode, text);
    for (std::int32_t& hit : hits) {
        ++hit; // the search counts from 0
    }
    setFiltered(ListFilter{ListFilter::Kind::Search, mode, std::move(text), {}}, std::move(hits));
}

void RecordListView::showChanged() {
    auto changed =
        changedRecordIndexes(m_document.savedRecords().views(), recordBytesViews(m_document.records()));
    for (std::int32_t& position : changed) {
        ++position;
    }
    setFiltered(ListFilter{ListFilter::Kind::Changed, SearchMode::Id, {}, {}}, std::move(changed));
}

void RecordListView::showArea(std::vector<std::int32_t> positions) {
    const SpawnRecordList& records = m_document.records();
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    std::erase_if(positions, [&](std::int32_t p) { return p < 1 || p > records.count(); });
    ListFilter filter{ListFilter::Kind::Area, SearchMode::Id, {}, {}};
    filter.serials.reserve(positions.size());
    for (const std::int32_t position : positions) {
        filter.serials.push_back(records.at(position).serial);
    }
    std::sort(filter.serials.begin(), filter.serials.end());
    setFiltered(std::move(filter), std::move(positions));
}

void RecordListView::refresh() {
    switch (m_filter.kind) {
    case ListFilter::Kind::All:
        showAll();
        break;
    case ListFilter::Kind::Search:
        showSearch(m_filter.mode, m_filter.text);
        break;
    case ListFilter::Kind::Changed:
        showChanged();
        break;
    case ListFilter::Kind::Area: {
        // The records gathered on the map, wherever they now stand; those since removed are gone.
        const SpawnRecordList& records = m_document.records();
        std::vector<std::int32_t> positions;
        for (std::int32_t position = 1; position <= records.count(); ++position) {
            if (std::binary_search(m_filter.serials.begin(), m_filter.serials.end(), records.at(position).serial)) {
                positions.push_back(position);
            }
        }
        showArea(std::move(positions));
        break;
    }
    }
}

void RecordListView::follow(const DocumentChange& change) {
    using Kind = DocumentChange::Kind;
    if (change.kind == Kind::Reset) {
        showAll();
        return;
    }
    if (change.kind == Kind::Replaced) {
        if (!isFiltered()) {
            rowsChanged.notify(change.positions.front() - 1, change.positions.back() - 1);
            return;
        }
        int first = -1;
        int last = -1;
        for (const std::int32_t position : change.positions) {
            const int row = rowOfPosition(position);
            if (row >= 0) {
                first = first < 0 ? row : first;
                last = row;
            }
        }
        if (first >= 0) {
            rowsChanged.notify(first, last);
        }
        return;
    }
    // Records came or went: every listed record that stays keeps its row, at its new position.
    std::vector<std::int32_t> moved;
    moved.reserve(m_positions.size());
    for (const std::int32_t position : m_positions) {
        if (const auto after = change.positionAfter(position)) {
            moved.push_back(*after);
        }
    }
    m_positions = std::move(moved);
    reset.notify();
}

int RecordListView::rowCount() const {
    return isFiltered() ? static_cast<int>(m_positions.size()) : m_document.records().count();
}

std::optional<std::int32_t> RecordListView::positionOfRow(int row) const {
    if (row < 0 || row >= rowCount()) {
        return std::nullopt;
    }
    return isFiltered() ? m_positions[static_cast<std::size_t>(row)] : row + 1;
}

int RecordListView::rowOfPosition(std::int32_t position) const {
    if (position < 1 || position > m_document.records().count()) {
        return -1;
    }
    if (!isFiltered()) {
        return position - 1;
    }
    const auto it = std::lower_bound(m_positions.begin(), m_positions.end(), position);
    return it != m_positions.end() && *it == position ? static_cast<int>(it - m_positions.begin()) : -1;
}

std::vector<std::int32_t> RecordListView::listed() const {
    if (isFiltered()) {
        return m_positions;
    }
    std::vector<std::int32_t> all(static_cast<std::size_t>(m_document.records().count()));
    for (std::size_t i = 0; i < all.size(); ++i) {
        all[i] = static_cast<std::int32_t>(i + 1);
    }
    return all;
}

std::string RecordListView::cellText(int row, Column column) const {
    const SpawnRecord& record = m_document.records().at(*positionOfRow(row));
    switch (column) {
    case NumberColumn:
        return std::to_string(row + 1);
    case IdColumn:
        return std::to_string(record.creatureId);
    case EntriesColumn:
        return std::to_string(record.entryCount);
    case NameColumn:
        return record.displayName;
    case ColumnCount:
        break;
    }
    return {};
}

} // namespace spawn
