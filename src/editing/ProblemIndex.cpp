#include "ProblemIndex.h"

#include "RecordFields.h"
#include "SpawnDocument.h"

#include <algorithm>
#include <iterator>
#include <unordered_map>

namespace spawn {

namespace {

// Up to this many hashes are looked for in one pass over the records; more take a full pass.
constexpr std::size_t kFewHashes = 16;

bool isDuplicate(const Problem& p) {
    return p.code == ProblemCode::Duplicate;
}

// The 0-based index of a record problem's record.
std::size_t indexOf(const Problem& p) {
    return static_cast<std::size_t>(*p.position - 1);
}

} // namespace

ProblemIndex::ProblemIndex(const SpawnDocument& document, const ElementNameTables* names)
    : m_document(document), m_checker(names),
      m_changes(document.changed.connect([this](const DocumentChange& change) { follow(change); })) {
    checkEverything();
}

void ProblemIndex::follow(const DocumentChange& change) {
    switch (change.kind) {
    case DocumentChange::Kind::Reset:
        checkEverything();
        break;
    case DocumentChange::Kind::Replaced:
        recheck(change.positions);
        break;
    case DocumentChange::Kind::Inserted:
    case DocumentChange::Kind::Removed:
        followRowsInsertedOrRemoved();
        break;
    }
    problemsChanged.notify();
}

void ProblemIndex::checkEverything() {
    const SpawnRecordList& records = m_document.records();
    m_slots.clear();
    m_slots.reserve(static_cast<std::size_t>(records.count()));
    m_recordProblems.clear();
    std::int32_t position = 0;
    for (const SpawnRecord& record : records) {
        m_slots.push_back({record.serial, recordBytesHash(record.bytes)});
        m_checker.appendProblems(record, ++position, m_recordProblems);
    }
    refreshDuplicates(std::nullopt);
    refreshFileProblems();
}

void ProblemIndex::recheck(const std::vector<std::int32_t>& positions) {
    const SpawnRecordList& records = m_document.records();
    std::vector<std::uint64_t> hashes;
    std::vector<Problem> fresh;
    for (const std::int32_t p : positions) {
        if (p < 1 || p > records.count() || static_cast<std::size_t>(p) > m_slots.size()) {
            continue;
        }
        Slot& slot = m_slots[static_cast<std::size_t>(p - 1)];
        const SpawnRecord& record = records.at(p);
        hashes.push_back(slot.hash);
        slot = {record.serial, recordBytesHash(record.bytes)};
        hashes.push_back(slot.hash);
        m_checker.appendProblems(record, p, fresh);
    }
    std::erase_if(m_recordProblems, [&](const Problem& problem) {
        return std::binary_search(positions.begin(), positions.end(), *problem.position);
    });
    mergeIn(std::move(fresh));
    refreshDuplicates(std::move(hashes));
    refreshFileProblems();
}

void ProblemIndex::followRowsInsertedOrRemoved() {
    const SpawnRecordList& records = m_document.records();
    const std::size_t oldCount = m_slots.size();
    const auto newCount = static_cast<std::size_t>(records.count());
    // The records before and after the span that changed kept their places' serials.
    std::size_t prefix = 0;
    while (prefix < oldCount && prefix < newCount &&
           m_slots[prefix].serial == records.atIndex(prefix).serial) {
        ++prefix;
    }
    if (prefix == oldCount && prefix == newCount) {
        refreshFileProblems(); // no record moved (the reset that follows a load)
        return;
    }
    std::size_t suffix = 0;
    while (suffix < oldCount - prefix && suffix < newCount - prefix &&
           m_slots[oldCount - 1 - suffix].serial == records.atIndex(newCount - 1 - suffix).serial) {
        ++suffix;
    }
    const std::size_t oldEnd = oldCount - suffix;
    const std::size_t newEnd = newCount - suffix;
    const auto shift = static_cast<std::int32_t>(newCount) - static_cast<std::int32_t>(oldCount);

    // Inside the span a record that was there before keeps its hash and problems: moving it
    // changes neither.
    std::unordered_map<std::uint64_t, std::size_t> oldIndexOfSerial;
    for (std::size_t i = prefix; i < oldEnd; ++i) {
        oldIndexOfSerial.emplace(m_slots[i].serial, i);
    }
    std::vector<std::uint64_t> hashes;
    std::vector<Problem> before;
    std::vector<Problem> after;
    std::unordered_map<std::size_t, std::vector<Problem>> spanProblems; // by old index
    for (Problem& p : m_recordProblems) {
        const std::size_t index = indexOf(p);
        if (index < prefix) {
            before.push_back(std::move(p));
        } else if (index >= oldEnd) {
            *p.position += shift;
            after.push_back(std::move(p));
        } else if (!isDuplicate(p)) {
            spanProblems[index].push_back(std::move(p));
        }
    }
    std::vector<Slot> span;
    for (std::size_t i = prefix; i < newEnd; ++i) {
        const SpawnRecord& record = records.atIndex(i);
        const auto position = static_cast<std::int32_t>(i + 1);
        const auto old = oldIndexOfSerial.find(record.serial);
        if (old != oldIndexOfSerial.end()) {
            span.push_back(m_slots[old->second]);
            for (Problem& p : spanProblems[old->second]) {
                p.position = position;
                before.push_back(std::move(p));
            }
        } else {
            span.push_back({record.serial, recordBytesHash(record.bytes)});
            m_checker.appendProblems(record, position, before);
        }
    }
    for (std::size_t i = prefix; i < oldEnd; ++i) {
        hashes.push_back(m_slots[i].hash);
    }
    for (const Slot& slot : span) {
        hashes.push_back(slot.hash);
    }
    m_slots.erase(m_slots.begin() + static_cast<std::ptrdiff_t>(prefix),
                  m_slots.begin() + static_cast<std::ptrdiff_t>(oldEnd));
    m_slots.insert(m_slots.begin() + static_cast<std::ptrdiff_t>(prefix), span.begin(), span.end());

    before.insert(before.end(), std::make_move_iterator(after.begin()), std::make_move_iterator(after.end()));
    m_recordProblems = std::move(before);
    // A duplicate names its earlier record, which may have moved too.
    for (const Problem& p : m_recordProblems) {
        if (isDuplicate(p)) {
            hashes.push_back(m_slots[indexOf(p)].hash);
        }
    }
    refreshDuplicates(std::move(hashes));
    refreshFileProblems();
}

void ProblemIndex::refreshFileProblems() {
    m_fileProblems = fileProblems(m_document.context().recordCountWord(), m_document.records().count(),
                                  m_document.loadStop());
}

void ProblemIndex::refreshDuplicates(std::optional<std::vector<std::uint64_t>> hashes) {
    if (hashes) {
        std::sort(hashes->begin(), hashes->end());
        hashes->erase(std::unique(hashes->begin(), hashes->end()), hashes->end());
        if (hashes->empty()) {
            return;
        }
        if (hashes->size() > kFewHashes) {
            hashes.reset();
        }
    }
    // The records of each hash looked for, in list order (1-based positions).
    std::vector<std::vector<std::int32_t>> groups;
    if (hashes) {
        groups.resize(hashes->size());
        for (std::size_t i = 0; i < m_slots.size(); ++i) {
            for (std::size_t k = 0; k < hashes->size(); ++k) {
                if (m_slots[i].hash == (*hashes)[k]) {
                    groups[k].push_back(static_cast<std::int32_t>(i + 1));
                }
            }
        }
        std::erase_if(m_recordProblems, [&](const Problem& p) {
            return isDuplicate(p) &&
                   std::binary_search(hashes->begin(), hashes->end(), m_slots[indexOf(p)].hash);
        });
    } else {
        std::unordered_map<std::uint64_t, std::vector<std::int32_t>> byHash;
        byHash.reserve(m_slots.size());
        for (std::size_t i = 0; i < m_slots.size(); ++i) {
            byHash[m_slots[i].hash].push_back(static_cast<std::int32_t>(i + 1));
        }
        for (auto& [hash, group] : byHash) {
            if (group.size() > 1) {
                groups.push_back(std::move(group));
            }
        }
        std::erase_if(m_recordProblems, isDuplicate);
    }

    const SpawnRecordList& records = m_document.records();
    std::vector<Problem> duplicates;
    for (const std::vector<std::int32_t>& group : groups) {
        // Equal hashes almost always mean equal bytes; the bytes decide.
        std::vector<std::int32_t> firsts;
        for (const std::int32_t position : group) {
            const auto earlier = std::find_if(firsts.begin(), firsts.end(), [&](std::int32_t p) {
                return records.at(p).bytes == records.at(position).bytes;
            });
            if (earlier != firsts.end()) {
                duplicates.push_back(duplicateProblem(position, *earlier));
            } else {
                firsts.push_back(position);
            }
        }
    }
    std::sort(duplicates.begin(), duplicates.end(), problemComesBefore);
    mergeIn(std::move(duplicates));
}

void ProblemIndex::mergeIn(std::vector<Problem> sorted) {
    if (sorted.empty()) {
        return;
    }
    std::vector<Problem> merged;
    merged.reserve(m_recordProblems.size() + sorted.size());
    std::merge(std::make_move_iterator(m_recordProblems.begin()),
               std::make_move_iterator(m_recordProblems.end()), std::make_move_iterator(sorted.begin()),
               std::make_move_iterator(sorted.end()), std::back_inserter(merged), problemComesBefore);
    m_recordProblems = std::move(merged);
}

const Problem& ProblemIndex::problemAt(int row) const {
    const auto r = static_cast<std::size_t>(row);
    return r < m_fileProblems.size() ? m_fileProblems[r] : m_recordProblems[r - m_fileProblems.size()];
}

std::vector<Problem> ProblemIndex::problems() const {
    std::vector<Problem> all = m_fileProblems;
    all.insert(all.end(), m_recordProblems.begin(), m_recordProblems.end());
    return all;
}

std::optional<std::int32_t> ProblemIndex::recordPositionOfRow(int row) const {
    if (row < 0 || row >= problemCount()) {
        return std::nullopt;
    }
    const Problem& p = problemAt(row);
    return isFileProblem(p.code) ? std::nullopt : p.position;
}

std::string ProblemIndex::cellText(int row, Column column) const {
    const Problem& p = problemAt(row);
    switch (column) {
    case PositionColumn:
        return p.position ? std::to_string(*p.position) : std::string();
    case FieldColumn: {
        if (!p.field) {
            return {};
        }
        std::string label = formFieldLabel(*p.field);
        const auto first = label.find_first_not_of(' ');
        const auto last = label.find_last_not_of(' ');
        return first == std::string::npos ? std::string() : label.substr(first, last - first + 1);
    }
    case TextColumn:
        return p.text;
    case ColumnCount:
        break;
    }
    return {};
}

} // namespace spawn
