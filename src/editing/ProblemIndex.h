#pragma once

#include "ElementNameTables.h"
#include "SpawnProblems.h"

#include "Notifier.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace spawn {

class SpawnDocument;
struct DocumentChange;

// The problems of the open file, one row each: its position, its field's label and its text. The
// list follows every step of the document, checking again only the records the step changed;
// duplicates are found among the records of the same hash, kept per record, so a step costs a
// pass over the hashes, not over the records' bytes.
class ProblemIndex {
public:
    enum Column { PositionColumn, FieldColumn, TextColumn, ColumnCount };
    static constexpr int kColumnWidths[ColumnCount] = {60, 90, 420};

    // `document` and `names` must outlive the model; the file's problems are listed at once.
    ProblemIndex(const SpawnDocument& document, const ElementNameTables* names);
    ProblemIndex(const ProblemIndex&) = delete;
    ProblemIndex& operator=(const ProblemIndex&) = delete;

    static constexpr const char* kHeaders[ColumnCount] = {"Num.", "Field", "Problem"};

    // Every problem in list order: the file's first, then the records'.
    std::vector<Problem> problems() const;
    // Precondition: 0 <= row < problemCount().
    const Problem& problemAt(int row) const;
    int problemCount() const { return static_cast<int>(m_fileProblems.size() + m_recordProblems.size()); }
    // What a cell shows. Precondition: 0 <= row < problemCount().
    std::string cellText(int row, Column column) const;

    // The record a row points to, for showing it: nothing for a file-level problem.
    std::optional<std::int32_t> recordPositionOfRow(int row) const;

    // After every change of the list.
    Notifier<> problemsChanged;

private:
    struct Slot {
        std::uint64_t serial = 0;
        std::uint64_t hash = 0;
    };

    void follow(const DocumentChange& change);
    void checkEverything();
    void recheck(const std::vector<std::int32_t>& positions);
    void followRowsInsertedOrRemoved();
    void refreshFileProblems();
    // Finds the duplicates again among the records whose hash is in `hashes` (all when nothing).
    void refreshDuplicates(std::optional<std::vector<std::uint64_t>> hashes);
    void mergeIn(std::vector<Problem> sorted);
    // Makes a change of the list, telling the views.
    template <class Update> void change(Update update);

    const SpawnDocument& m_document;
    RecordChecker m_checker;
    std::vector<Slot> m_slots; // one per record, in list order
    std::vector<Problem> m_fileProblems;
    std::vector<Problem> m_recordProblems; // in list order
    Subscription m_changes;
};

} // namespace spawn
