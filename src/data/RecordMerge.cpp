#include "RecordMerge.h"

#include "ByteText.h"
#include "NumberText.h"
#include "RecordDiff.h"
#include "RecordFields.h"
#include "SpawnLayout.h"

#include <algorithm>
#include <set>

namespace spawn {

namespace {

// --- Each side against the base ------------------------------------------------------------------

// What became of a base record on one side.
struct Fate {
    std::int32_t index = -1; // 0-based index of the side's record; -1 when the side removed it
    bool changed = false;
};

struct SideAlignment {
    std::vector<Fate> fates; // per base record
    // Records the side inserted, in its order: (slot, 0-based index) where slot k means "after
    // base record k", slot 0 before the first.
    std::vector<std::pair<std::size_t, std::int32_t>> inserted;
};

SideAlignment alignWithBase(const SpawnRecordList& base, const SpawnRecordList& side) {
    const RecordDiff diff = diffRecords(recordBytesViews(base), recordBytesViews(side));
    SideAlignment out;
    out.fates.resize(static_cast<std::size_t>(base.count()));
    // Records the diff does not name are matched, in order on both sides.
    std::size_t i = 0;
    std::int32_t j = 0;
    auto matchUpTo = [&](std::size_t baseEnd) {
        for (; i < baseEnd; ++i, ++j) {
            out.fates[i] = {j, false};
        }
    };
    auto matchUpToSide = [&](std::int32_t sideEnd) {
        for (; j < sideEnd; ++i, ++j) {
            out.fates[i] = {j, false};
        }
    };
    for (const RecordChange& change : diff.changes) {
        switch (change.kind) {
        case RecordChangeKind::Changed:
            matchUpTo(static_cast<std::size_t>(change.a - 1));
            out.fates[i++] = {j++, true};
            break;
        case RecordChangeKind::Removed:
            matchUpTo(static_cast<std::size_t>(change.a - 1));
            out.fates[i++] = {-1, false};
            break;
        case RecordChangeKind::Added:
            matchUpToSide(change.b - 1);
            out.inserted.emplace_back(i, j++);
            break;
        }
    }
    matchUpTo(out.fates.size());
    return out;
}

// --- Field by field --------------------------------------------------------------------------------

// Where field f (0-based over the whole record) lies in a record's bytes, and its type.
struct FieldPlace {
    std::size_t offset = 0;
    std::size_t size = 0;
    char type = SpawnLayout::kIntField;
};

constexpr FieldPlace fieldPlace(std::size_t f) {
    using namespace SpawnLayout;
    std::size_t offset = 0;
    std::string_view types = kAreaFieldTypes;
    std::size_t k = f;
    if (f >= kAreaFieldCount) {
        k = (f - kAreaFieldCount) % kEntryFieldCount;
        offset = kAreaHeaderSize + (f - kAreaFieldCount) / kEntryFieldCount * kCreatureEntrySize;
        types = kEntryFieldTypes;
    }
    for (std::size_t t = 0; t < k; ++t) {
        offset += fieldSize(types[t]);
    }
    return {offset, fieldSize(types[k]), types[k]};
}

// The entry count's field, 0-based.
constexpr std::size_t kEntryCountField = 1;
static_assert(fieldPlace(kEntryCountField).offset == SpawnLayout::kEntryCountOffset);

// A field's bytes in one record, or nothing when the record has no such field.
using FieldValue = std::optional<std::span<const std::uint8_t>>;

FieldValue fieldValue(const SpawnRecord& record, std::size_t f) {
    if (f >= formFieldCount(record.entryCount)) {
        return std::nullopt;
    }
    const FieldPlace place = fieldPlace(f);
    return std::span<const std::uint8_t>(record.bytes).subspan(place.offset, place.size);
}

bool sameValue(const FieldValue& x, const FieldValue& y) {
    return x.has_value() == y.has_value() && (!x || std::ranges::equal(*x, *y));
}

std::optional<std::string> valueText(const FieldValue& value, char type) {
    return value ? std::optional(fieldText(type, *value)) : std::nullopt;
}

// --- The merge -------------------------------------------------------------------------------------

// Which of the three files a record is taken from.
enum class Source { Base, Ours, Theirs };

class Merger {
public:
    Merger(const SpawnFile& base, const SpawnFile& ours, const SpawnFile& theirs,
           std::optional<MergeSide> prefer)
        : m_base(base.records), m_ours(ours.records), m_theirs(theirs.records), m_prefer(prefer),
          m_oursSide(alignWithBase(m_base, m_ours)), m_theirsSide(alignWithBase(m_base, m_theirs)) {
        mergeHeader(base.context, ours.context, theirs.context);
    }

    SpawnMerge run() {
        m_out.records.reserve(static_cast<std::size_t>(std::max(m_ours.count(), m_theirs.count())));
        std::size_t nextOurs = 0;
        std::size_t nextTheirs = 0;
        const auto baseCount = static_cast<std::size_t>(m_base.count());
        for (std::size_t slot = 0; slot <= baseCount; ++slot) {
            const std::size_t oursFrom = nextOurs;
            const std::size_t theirsFrom = nextTheirs;
            while (nextOurs < m_oursSide.inserted.size() && m_oursSide.inserted[nextOurs].first == slot) {
                ++nextOurs;
            }
            while (nextTheirs < m_theirsSide.inserted.size() &&
                   m_theirsSide.inserted[nextTheirs].first == slot) {
                ++nextTheirs;
            }
            insertAt(oursFrom, nextOurs, theirsFrom, nextTheirs);
            if (slot < baseCount) {
                mergeRecord(slot);
            }
        }
        finishHeader();
        return std::move(m_out);
    }

private:
    const SpawnRecordList& records(Source s) const {
        return s == Source::Base ? m_base : s == Source::Ours ? m_ours : m_theirs;
    }

    void emit(Source s, std::int32_t index) {
        m_out.records.append(records(s).atIndex(static_cast<std::size_t>(index)));
    }
    std::int32_t lastPosition() const { return m_out.records.count(); }

    // Ours' inserts at one slot, then those of theirs that ours did not insert alike.
    void insertAt(std::size_t oursFrom, std::size_t oursTo, std::size_t theirsFrom, std::size_t theirsTo) {
        for (std::size_t k = oursFrom; k < oursTo; ++k) {
            emit(Source::Ours, m_oursSide.inserted[k].second);
            ++m_out.fromOurs;
        }
        if (theirsFrom == theirsTo) {
            return;
        }
        auto less = [](RecordBytesView x, RecordBytesView y) {
            return std::ranges::lexicographical_compare(x, y);
        };
        std::multiset<RecordBytesView, decltype(less)> oursInserted(less);
        for (std::size_t k = oursFrom; k < oursTo; ++k) {
            oursInserted.insert(RecordBytesView(
                m_ours.atIndex(static_cast<std::size_t>(m_oursSide.inserted[k].second)).bytes));
        }
        for (std::size_t k = theirsFrom; k < theirsTo; ++k) {
            const std::int32_t index = m_theirsSide.inserted[k].second;
            const auto alike =
                oursInserted.find(RecordBytesView(m_theirs.atIndex(static_cast<std::size_t>(index)).bytes));
            if (alike != oursInserted.end()) {
                oursInserted.erase(alike);
                ++m_out.fromTheirs;
                continue;
            }
            emit(Source::Theirs, index);
            ++m_out.fromTheirs;
        }
    }

    MergeConflict conflictFor(MergeConflictKind kind, std::size_t baseIndex) const {
        MergeConflict c;
        c.kind = kind;
        c.baseRecord = static_cast<std::int32_t>(baseIndex + 1);
        const Fate o = m_oursSide.fates[baseIndex];
        const Fate t = m_theirsSide.fates[baseIndex];
        c.oursRecord = o.index + 1;
        c.theirsRecord = t.index + 1;
        c.resolvedBy = m_prefer;
        return c;
    }

    void mergeRecord(std::size_t b) {
        const Fate o = m_oursSide.fates[b];
        const Fate t = m_theirsSide.fates[b];
        const bool oursRemoved = o.index < 0;
        const bool theirsRemoved = t.index < 0;
        if (oursRemoved || theirsRemoved) {
            mergeRemoval(b, o, t);
            return;
        }
        if (!o.changed && !t.changed) {
            emit(Source::Base, static_cast<std::int32_t>(b));
            return;
        }
        if (!t.changed) {
            emit(Source::Ours, o.index);
            ++m_out.fromOurs;
            return;
        }
        if (!o.changed) {
            emit(Source::Theirs, t.index);
            ++m_out.fromTheirs;
            return;
        }
        const SpawnRecord& ours = m_ours.atIndex(static_cast<std::size_t>(o.index));
        const SpawnRecord& theirs = m_theirs.atIndex(static_cast<std::size_t>(t.index));
        if (ours.bytes == theirs.bytes) {
            emit(Source::Ours, o.index);
            ++m_out.fromOurs;
            ++m_out.fromTheirs;
            return;
        }
        mergeFields(b, ours, theirs);
    }

    // Removed on one side at least: unchanged or removed on the other, it goes; changed there, the
    // change is kept unless the remover is preferred.
    void mergeRemoval(std::size_t b, Fate o, Fate t) {
        const bool oursChanged = o.index >= 0 && o.changed;
        const bool theirsChanged = t.index >= 0 && t.changed;
        if (!oursChanged && !theirsChanged) {
            return;
        }
        const MergeSide changer = oursChanged ? MergeSide::Ours : MergeSide::Theirs;
        MergeConflict c = conflictFor(
            oursChanged ? MergeConflictKind::ChangedRemoved : MergeConflictKind::RemovedChanged, b);
        if (m_prefer.value_or(changer) == changer) {
            if (oursChanged) {
                emit(Source::Ours, o.index);
                ++m_out.fromOurs;
            } else {
                emit(Source::Theirs, t.index);
                ++m_out.fromTheirs;
            }
            c.record = lastPosition();
        }
        m_out.conflicts.push_back(std::move(c));
    }

    void mergeFields(std::size_t b, const SpawnRecord& ours, const SpawnRecord& theirs) {
        const SpawnRecord& base = m_base.atIndex(b);
        const bool countsApart = ours.entryCount != base.entryCount && theirs.entryCount != base.entryCount &&
                                 ours.entryCount != theirs.entryCount;
        std::vector<std::uint8_t> merged;
        merged.reserve(std::max(ours.bytes.size(), theirs.bytes.size()));
        std::vector<MergeConflict> fieldConflicts;
        bool tookOurs = false;
        bool tookTheirs = false;
        bool whole = countsApart;
        const std::size_t fields =
            formFieldCount(std::max({base.entryCount, ours.entryCount, theirs.entryCount}));
        for (std::size_t f = 0; f < fields && !whole; ++f) {
            const FieldValue vb = fieldValue(base, f);
            const FieldValue vo = fieldValue(ours, f);
            const FieldValue vt = fieldValue(theirs, f);
            FieldValue taken;
            if (sameValue(vo, vb)) {
                taken = vt;
                tookTheirs = tookTheirs || !sameValue(vt, vb);
            } else if (sameValue(vt, vb) || sameValue(vo, vt)) {
                taken = vo;
                tookOurs = true;
                tookTheirs = tookTheirs || sameValue(vo, vt);
            } else if (!vo || !vt) {
                // One side dropped an entry the other changed: only whole records fit.
                whole = true;
                break;
            } else {
                const char type = fieldPlace(f).type;
                MergeConflict c = conflictFor(MergeConflictKind::Field, b);
                c.field = f + 1;
                c.label = formFieldLabel(f + 1);
                c.base = valueText(vb, type);
                c.ours = valueText(vo, type);
                c.theirs = valueText(vt, type);
                fieldConflicts.push_back(std::move(c));
                const bool theirsTaken = m_prefer == MergeSide::Theirs;
                taken = theirsTaken ? vt : vo;
                (theirsTaken ? tookTheirs : tookOurs) = true;
            }
            if (taken) {
                merged.insert(merged.end(), taken->begin(), taken->end());
            }
        }
        if (whole) {
            const bool theirsTaken = m_prefer == MergeSide::Theirs;
            MergeConflict c = conflictFor(MergeConflictKind::Entries, b);
            const char type = fieldPlace(kEntryCountField).type;
            c.field = kEntryCountField + 1;
            c.label = formFieldLabel(c.field);
            c.base = valueText(fieldValue(base, kEntryCountField), type);
            c.ours = valueText(fieldValue(ours, kEntryCountField), type);
            c.theirs = valueText(fieldValue(theirs, kEntryCountField), type);
            m_out.records.append(theirsTaken ? theirs : ours);
            ++(theirsTaken ? m_out.fromTheirs : m_out.fromOurs);
            c.record = lastPosition();
            m_out.conflicts.push_back(std::move(c));
            return;
        }
        // The merged entry count is that of the side whose entries came, so the bytes are a record.
        m_out.records.append(SpawnRecord::fromBytes(std::move(merged)).value());
        m_out.fromOurs += tookOurs ? 1 : 0;
        m_out.fromTheirs += tookTheirs ? 1 : 0;
        for (MergeConflict& c : fieldConflicts) {
            c.record = lastPosition();
            m_out.conflicts.push_back(std::move(c));
        }
    }

    // The parts around the records: each taken from the side that changed it, ours where both did
    // differently (a conflict unless preferred otherwise).
    template <typename T>
    T mergePart(const T& base, const T& ours, const T& theirs, MergeHeaderPart part, std::size_t word,
                std::string (*text)(const T&)) {
        if (ours == base || ours == theirs) {
            return theirs;
        }
        if (theirs == base) {
            return ours;
        }
        MergeConflict c;
        c.kind = MergeConflictKind::Header;
        c.part = part;
        c.field = word;
        c.base = text(base);
        c.ours = text(ours);
        c.theirs = text(theirs);
        c.resolvedBy = m_prefer;
        m_out.conflicts.push_back(std::move(c));
        return m_prefer == MergeSide::Theirs ? theirs : ours;
    }

    void mergeHeader(const SpawnFileContext& base, const SpawnFileContext& ours,
                     const SpawnFileContext& theirs) {
        using Block = decltype(base.leadingBlock);
        m_out.context.leadingBlock = mergePart<Block>(base.leadingBlock, ours.leadingBlock,
                                                      theirs.leadingBlock, MergeHeaderPart::LeadingBlock, 0,
                                                      [](const Block& b) { return bytesSummaryText(b); });
        for (std::size_t w = 0; w < SpawnLayout::kHeaderWordCount; ++w) {
            if (w == SpawnLayout::kRecordCountWordIndex) {
                continue;
            }
            // Words are numbered as they follow the count word.
            const std::size_t number = w < SpawnLayout::kRecordCountWordIndex ? w + 1 : w;
            m_out.context.headerWords[w] = mergePart<std::int32_t>(
                base.headerWords[w], ours.headerWords[w], theirs.headerWords[w], MergeHeaderPart::HeaderWord,
                number, [](const std::int32_t& v) { return formatInt(v); });
        }
        m_out.context.remainder = mergePart<std::vector<std::uint8_t>>(
            base.remainder, ours.remainder, theirs.remainder, MergeHeaderPart::Remainder, 0,
            [](const std::vector<std::uint8_t>& b) { return bytesSummaryText(b); });
        // A count word below zero reads no record either; while no record is merged, such a word
        // merges as the others do rather than become a zero that no side wrote.
        const std::int32_t o = ours.recordCountWord();
        m_emptyCountWord = o == base.recordCountWord() ? theirs.recordCountWord() : o;
    }

    void finishHeader() {
        const std::int32_t n = m_out.records.count();
        m_out.context.setRecordCountWord(n == 0 && m_emptyCountWord < 0 ? m_emptyCountWord : n);
    }

    const SpawnRecordList& m_base;
    const SpawnRecordList& m_ours;
    const SpawnRecordList& m_theirs;
    std::optional<MergeSide> m_prefer;
    SideAlignment m_oursSide;
    SideAlignment m_theirsSide;
    std::int32_t m_emptyCountWord = 0;
    SpawnMerge m_out;
};

} // namespace

bool SpawnMerge::hasOpenConflicts() const {
    return std::ranges::any_of(conflicts, [](const MergeConflict& c) { return !c.resolvedBy; });
}

SpawnMerge mergeSpawnFiles(const SpawnFile& base, const SpawnFile& ours, const SpawnFile& theirs,
                           std::optional<MergeSide> prefer) {
    return Merger(base, ours, theirs, prefer).run();
}

} // namespace spawn
