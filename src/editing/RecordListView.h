#pragma once

#include "Notifier.h"
#include "RecordSearch.h"
#include "SpawnDocument.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace spawn {

// What the record list shows, as one value: every record, a search's hits, the records changed
// since the file was loaded or saved, or the areas gathered on the map.
struct ListFilter {
    enum class Kind { All, Search, Changed, Area };
    Kind kind = Kind::All;
    SearchMode mode = SearchMode::Id; // Search: how `text` is read
    std::string text;                  // Search: as typed
    std::vector<std::uint64_t> serials; // Area: the gathered records, sorted, found again by serial
};

// The record list: one row per record it shows, with its number, creature ID, entry count and
// display name. Records are named by their 1-based position in the file; row r (0-based) of the
// full view shows position r + 1, row k of a filtered view its k-th listed record, numbered k + 1.
// The rows follow every change of the document at once (a removed record leaves its row, the
// others keep theirs); which records a filter picks is worked out again by refresh().
class RecordListView {
public:
    enum Column { NumberColumn, IdColumn, EntriesColumn, NameColumn, ColumnCount };
    static constexpr int kColumnWidths[ColumnCount] = {40, 40, 40, 300};
    static constexpr const char* kHeaders[ColumnCount] = {"Num.", "ID", "----", "Name"};

    // `document` must outlive the view; every record is listed.
    explicit RecordListView(const SpawnDocument& document);

    const ListFilter& filter() const { return m_filter; }
    bool isFiltered() const { return m_filter.kind != ListFilter::Kind::All; }

    // Every record.
    void showAll();
    // The hits of a search for `text` over the whole file.
    void showSearch(SearchMode mode, std::string text);
    // The records added or changed since the file was loaded or last saved.
    void showChanged();
    // The records at these 1-based positions (any order; invalid ones left out).
    void showArea(std::vector<std::int32_t> positions);
    // The filter's records worked out again over the file as it is now.
    void refresh();

    int rowCount() const;
    // The 1-based position of the record a row shows; nothing for a row not shown.
    std::optional<std::int32_t> positionOfRow(int row) const;
    // The row that shows the record at a 1-based position, or -1.
    int rowOfPosition(std::int32_t position) const;
    // The positions of every row, in list order.
    std::vector<std::int32_t> listed() const;
    // What a cell shows. Precondition: 0 <= row < rowCount().
    std::string cellText(int row, Column column) const;

    // The rows were laid out anew (another filter, records in or out).
    Notifier<> reset;
    // Rows first..last (0-based, inclusive) show other values.
    Notifier<int, int> rowsChanged;

private:
    void follow(const DocumentChange& change);
    void setFiltered(ListFilter filter, std::vector<std::int32_t> positions);

    const SpawnDocument& m_document;
    ListFilter m_filter;
    std::vector<std::int32_t> m_positions; // the filtered view's, ascending
    Subscription m_changes;
};

} // namespace spawn
