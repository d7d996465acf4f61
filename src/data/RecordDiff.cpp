#include "RecordDiff.h"

#include "RecordFields.h"
#include "SpawnLayout.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

namespace spawn {

namespace {

using Index = std::ptrdiff_t;

// --- Content numbers -------------------------------------------------------------------------

std::uint64_t hashBytes(RecordBytesView bytes) {
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ULL;
    constexpr std::size_t kWord = 8;
    std::uint64_t h = kMultiplier ^ bytes.size();
    std::size_t i = 0;
    auto mix = [&h](std::uint64_t word) {
        h = (h ^ word) * kMultiplier;
        h ^= h >> 29;
    };
    // A hash only has to be equal for equal bytes, so words load in the host's byte order, at once.
    for (; i + kWord <= bytes.size(); i += kWord) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes.data() + i, kWord);
        mix(word);
    }
    std::uint64_t tail = 0;
    for (std::size_t k = 0; i + k < bytes.size(); ++k) {
        tail |= std::uint64_t{bytes[i + k]} << (8 * k);
    }
    mix(tail);
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDULL;
    h ^= h >> 33;
    return h;
}

// Gives every distinct record content a small number, so that the alignment compares numbers:
// records with the same bytes get the same number, others never do (a hash match is confirmed on
// the bytes).
class ContentNumbers {
public:
    explicit ContentNumbers(std::size_t expected) {
        std::size_t size = 16;
        while (size < 2 * expected) {
            size *= 2;
        }
        m_slots.resize(size);
        m_mask = size - 1;
    }

    std::uint32_t numberOf(RecordBytesView bytes) {
        const std::uint64_t hash = hashBytes(bytes);
        for (std::size_t i = hash & m_mask;; i = (i + 1) & m_mask) {
            Slot& slot = m_slots[i];
            if (slot.numberPlusOne == 0) {
                slot = {hash, static_cast<std::uint32_t>(m_contents.size() + 1)};
                m_contents.push_back(bytes);
                return slot.numberPlusOne - 1;
            }
            const RecordBytesView known = m_contents[slot.numberPlusOne - 1];
            if (slot.hash == hash && std::ranges::equal(known, bytes)) {
                return slot.numberPlusOne - 1;
            }
        }
    }

    std::size_t count() const { return m_contents.size(); }

private:
    struct Slot {
        std::uint64_t hash = 0;
        std::uint32_t numberPlusOne = 0; // 0: empty
    };
    std::vector<Slot> m_slots;
    std::size_t m_mask = 0;
    std::vector<RecordBytesView> m_contents;
};

// --- Myers' algorithm, linear space ----------------------------------------------------------
//
// Finds which elements of two number sequences are left out of a common subsequence, by the
// divide-and-conquer form of "An O(ND) Difference Algorithm and Its Variations" (Myers, 1986):
// the furthest-reaching paths from both corners of a box meet in a middle snake, which splits the
// box in two. Past a cost limit the search stops and splits at the furthest point reached, as
// git's xdiff does, so the result stays an edit script but no longer a minimal one.

constexpr Index kMinCostLimit = 256;

struct Split {
    Index x = 0;
    Index y = 0;
    bool minimalLow = true;  // the box before the split is to be solved exactly
    bool minimalHigh = true; // the box after it
};

class MyersAligner {
public:
    MyersAligner(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b)
        : m_a(a), m_b(b), m_n(static_cast<Index>(a.size())), m_m(static_cast<Index>(b.size())),
          m_forward(a.size() + b.size() + 3), m_backward(a.size() + b.size() + 3), m_removed(a.size(), false),
          m_added(b.size(), false) {
        const auto diagonals = static_cast<double>(m_n + m_m + 3);
        m_costLimit = std::max(kMinCostLimit, static_cast<Index>(std::sqrt(diagonals)));
    }

    void run() {
        struct Box {
            Index x0, x1, y0, y1;
            bool minimal;
        };
        std::vector<Box> work{{0, m_n, 0, m_m, false}};
        while (!work.empty()) {
            Box box = work.back();
            work.pop_back();
            while (box.x0 < box.x1 && box.y0 < box.y1 && a(box.x0) == b(box.y0)) {
                ++box.x0;
                ++box.y0;
            }
            while (box.x0 < box.x1 && box.y0 < box.y1 && a(box.x1 - 1) == b(box.y1 - 1)) {
                --box.x1;
                --box.y1;
            }
            if (box.x0 == box.x1 || box.y0 == box.y1) {
                markAll(box.x0, box.x1, box.y0, box.y1);
                continue;
            }
            const Split s = split(box.x0, box.x1, box.y0, box.y1, box.minimal);
            const bool atCorner = (s.x == box.x0 && s.y == box.y0) || (s.x == box.x1 && s.y == box.y1);
            if (atCorner) {
                // No progress to be had here: a valid if poor script for this box.
                markAll(box.x0, box.x1, box.y0, box.y1);
                continue;
            }
            work.push_back({s.x, box.x1, s.y, box.y1, s.minimalHigh});
            work.push_back({box.x0, s.x, box.y0, s.y, s.minimalLow});
        }
    }

    const std::vector<bool>& removed() const { return m_removed; }
    const std::vector<bool>& added() const { return m_added; }

private:
    std::uint32_t a(Index i) const { return m_a[static_cast<std::size_t>(i)]; }
    std::uint32_t b(Index i) const { return m_b[static_cast<std::size_t>(i)]; }
    // Furthest x reached on diagonal k = x - y, forward and backward.
    Index& fwd(Index k) { return m_forward[static_cast<std::size_t>(k + m_m + 1)]; }
    Index& bwd(Index k) { return m_backward[static_cast<std::size_t>(k + m_m + 1)]; }

    void markAll(Index x0, Index x1, Index y0, Index y1) {
        for (Index x = x0; x < x1; ++x) {
            m_removed[static_cast<std::size_t>(x)] = true;
        }
        for (Index y = y0; y < y1; ++y) {
            m_added[static_cast<std::size_t>(y)] = true;
        }
    }

    // Precondition: the box is not empty on either side and starts and ends with a mismatch.
    Split split(Index x0, Index x1, Index y0, Index y1, bool minimal) {
        constexpr Index kFar = std::numeric_limits<Index>::max();
        const Index kMin = x0 - y1;
        const Index kMax = x1 - y0;
        const Index forwardMid = x0 - y0;
        const Index backwardMid = x1 - y1;
        const bool odd = ((forwardMid - backwardMid) & 1) != 0;
        Index fMin = forwardMid;
        Index fMax = forwardMid;
        Index bMin = backwardMid;
        Index bMax = backwardMid;
        fwd(forwardMid) = x0;
        bwd(backwardMid) = x1;

        for (Index cost = 1;; ++cost) {
            // One more step forward on every diagonal in reach.
            fMin > kMin ? (void)(fwd(--fMin - 1) = -1) : (void)++fMin;
            fMax < kMax ? (void)(fwd(++fMax + 1) = -1) : (void)--fMax;
            for (Index k = fMax; k >= fMin; k -= 2) {
                Index x = fwd(k - 1) >= fwd(k + 1) ? fwd(k - 1) + 1 : fwd(k + 1);
                Index y = x - k;
                while (x < x1 && y < y1 && a(x) == b(y)) {
                    ++x;
                    ++y;
                }
                fwd(k) = x;
                if (odd && bMin <= k && k <= bMax && bwd(k) <= x) {
                    return {x, y, true, true};
                }
            }
            // And backward.
            bMin > kMin ? (void)(bwd(--bMin - 1) = kFar) : (void)++bMin;
            bMax < kMax ? (void)(bwd(++bMax + 1) = kFar) : (void)--bMax;
            for (Index k = bMax; k >= bMin; k -= 2) {
                Index x = bwd(k - 1) < bwd(k + 1) ? bwd(k - 1) : bwd(k + 1) - 1;
                Index y = x - k;
                while (x > x0 && y > y0 && a(x - 1) == b(y - 1)) {
                    --x;
                    --y;
                }
                bwd(k) = x;
                if (!odd && fMin <= k && k <= fMax && x <= fwd(k)) {
                    return {x, y, true, true};
                }
            }
            if (!minimal && cost >= m_costLimit) {
                return furthestPoint(x0, x1, y0, y1, fMin, fMax, bMin, bMax);
            }
        }
    }

    // The cut-short split: the point furthest from its own corner, forward or backward. The part
    // the path reached is solved exactly (its cost is at most the limit); the rest is not.
    Split furthestPoint(Index x0, Index x1, Index y0, Index y1, Index fMin, Index fMax, Index bMin,
                        Index bMax) {
        Index forwardBest = -1;
        Index forwardX = x0;
        for (Index k = fMax; k >= fMin; k -= 2) {
            Index x = std::min(fwd(k), x1);
            Index y = x - k;
            if (y > y1) {
                x = y1 + k;
                y = y1;
            }
            if (x + y > forwardBest) {
                forwardBest = x + y;
                forwardX = x;
            }
        }
        Index backwardBest = std::numeric_limits<Index>::max();
        Index backwardX = x1;
        for (Index k = bMax; k >= bMin; k -= 2) {
            Index x = std::max(x0, bwd(k));
            Index y = x - k;
            if (y < y0) {
                x = y0 + k;
                y = y0;
            }
            if (x + y < backwardBest) {
                backwardBest = x + y;
                backwardX = x;
            }
        }
        if ((x1 + y1) - backwardBest < forwardBest - (x0 + y0)) {
            return {forwardX, forwardBest - forwardX, true, false};
        }
        return {backwardX, backwardBest - backwardX, false, true};
    }

    const std::vector<std::uint32_t>& m_a;
    const std::vector<std::uint32_t>& m_b;
    Index m_n;
    Index m_m;
    Index m_costLimit = kMinCostLimit;
    std::vector<Index> m_forward;
    std::vector<Index> m_backward;
    std::vector<bool> m_removed;
    std::vector<bool> m_added;
};

// Which records of each side belong to the common subsequence.
struct Matched {
    std::vector<bool> a;
    std::vector<bool> b;
};

Matched matchRecords(std::span<const RecordBytesView> a, std::span<const RecordBytesView> b) {
    ContentNumbers numbers(a.size() + b.size());
    std::vector<std::uint32_t> numbersA;
    std::vector<std::uint32_t> numbersB;
    numbersA.reserve(a.size());
    numbersB.reserve(b.size());
    for (const RecordBytesView r : a) {
        numbersA.push_back(numbers.numberOf(r));
    }
    for (const RecordBytesView r : b) {
        numbersB.push_back(numbers.numberOf(r));
    }
    // A record whose content the other side lacks is in no common subsequence; leaving such
    // records out before the search keeps the longest one and makes two unrelated files cheap.
    std::vector<std::uint8_t> inA(numbers.count(), 0);
    std::vector<std::uint8_t> inB(numbers.count(), 0);
    for (const std::uint32_t n : numbersA) {
        inA[n] = 1;
    }
    for (const std::uint32_t n : numbersB) {
        inB[n] = 1;
    }
    std::vector<std::size_t> keptA;
    std::vector<std::size_t> keptB;
    std::vector<std::uint32_t> sequenceA;
    std::vector<std::uint32_t> sequenceB;
    for (std::size_t i = 0; i < numbersA.size(); ++i) {
        if (inB[numbersA[i]] != 0) {
            keptA.push_back(i);
            sequenceA.push_back(numbersA[i]);
        }
    }
    for (std::size_t j = 0; j < numbersB.size(); ++j) {
        if (inA[numbersB[j]] != 0) {
            keptB.push_back(j);
            sequenceB.push_back(numbersB[j]);
        }
    }
    MyersAligner aligner(sequenceA, sequenceB);
    aligner.run();
    Matched matched{std::vector<bool>(a.size(), false), std::vector<bool>(b.size(), false)};
    for (std::size_t i = 0; i < keptA.size(); ++i) {
        matched.a[keptA[i]] = !aligner.removed()[i];
    }
    for (std::size_t j = 0; j < keptB.size(); ++j) {
        matched.b[keptB[j]] = !aligner.added()[j];
    }
    return matched;
}

std::int32_t position(std::size_t index) {
    return static_cast<std::int32_t>(index + 1);
}

// --- Pairing the unmatched records of a gap by likeness -----------------------------------------
//
// Between two matched records, the records left on each side pair up in order so that the pairs
// hold as many fields with equal bytes as they can; two records may pair only when their area
// headers share at least half of their fields, and those that pair with none were removed or
// added. This is a longest common subsequence with weights, solved over the gap's grid from its
// far corner back; ties go to pairing, then to removing, so that alike records pair in order as
// they did by position. A gap of up to kExactPairingLimit records a side uses the whole grid; a
// larger one only a band along the line from corner to corner, which keeps time and memory linear
// in its length and still finds the pairs of a list where few records came or went.

constexpr std::size_t kExactPairingLimit = 2000;
constexpr std::size_t kBandHalfWidth = 64;
constexpr std::int32_t kMinSharedAreaFields = static_cast<std::int32_t>(SpawnLayout::kAreaFieldCount / 2);

struct FieldSpan {
    std::size_t offset = 0;
    std::size_t size = 0;
};

template <std::size_t N> constexpr std::array<FieldSpan, N> fieldSpans(std::string_view types) {
    std::array<FieldSpan, N> spans{};
    std::size_t offset = 0;
    for (std::size_t k = 0; k < N; ++k) {
        spans[k] = {offset, SpawnLayout::fieldSize(types[k])};
        offset += spans[k].size;
    }
    return spans;
}

constexpr auto kAreaFieldSpans = fieldSpans<SpawnLayout::kAreaFieldCount>(SpawnLayout::kAreaFieldTypes);
constexpr auto kEntryFieldSpans = fieldSpans<SpawnLayout::kEntryFieldCount>(SpawnLayout::kEntryFieldTypes);

// A field's bytes as one number; two fields at the same place are equal exactly when these are.
std::uint32_t fieldValue(const std::uint8_t* at, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t k = 0; k < size; ++k) {
        value |= std::uint32_t{at[k]} << (8 * k);
    }
    return value;
}

using AreaValues = std::array<std::uint32_t, SpawnLayout::kAreaFieldCount>;

// What the pairing compares of one record, taken once per gap.
struct Likeness {
    AreaValues area{};
    std::ptrdiff_t entries = -1; // whole entries in the bytes; -1 without a whole area header
};

Likeness likenessOf(RecordBytesView bytes) {
    Likeness l;
    if (bytes.size() < SpawnLayout::kAreaHeaderSize) {
        return l;
    }
    for (std::size_t k = 0; k < kAreaFieldSpans.size(); ++k) {
        l.area[k] = fieldValue(bytes.data() + kAreaFieldSpans[k].offset, kAreaFieldSpans[k].size);
    }
    l.entries = static_cast<std::ptrdiff_t>((bytes.size() - SpawnLayout::kAreaHeaderSize) /
                                            SpawnLayout::kCreatureEntrySize);
    return l;
}

// An entry is int32 fields but for a run of byte fields that fill one word: compared word by word,
// that word byte by byte.
constexpr std::size_t kWord = 4;
constexpr std::size_t kEntryWords = SpawnLayout::kCreatureEntrySize / kWord;

constexpr std::size_t firstByteFieldOffset() {
    for (const FieldSpan f : kEntryFieldSpans) {
        if (f.size == 1) {
            return f.offset;
        }
    }
    return SpawnLayout::kCreatureEntrySize;
}
constexpr std::size_t kByteFieldsWord = firstByteFieldOffset() / kWord;

constexpr bool entryIsWordsAndOneWordOfBytes() {
    std::size_t bytes = 0;
    for (const FieldSpan f : kEntryFieldSpans) {
        const bool inByteWord = f.offset / kWord == kByteFieldsWord;
        if (f.size != (inByteWord ? 1 : kWord)) {
            return false;
        }
        bytes += inByteWord ? 1 : 0;
    }
    return bytes == kWord && firstByteFieldOffset() % kWord == 0;
}
static_assert(entryIsWordsAndOneWordOfBytes());

std::uint32_t wordAt(const std::uint8_t* at) {
    // Only compared for equality, so the host's byte order serves.
    std::uint32_t word = 0;
    std::memcpy(&word, at, kWord);
    return word;
}

std::int32_t sharedEntryFields(RecordBytesView x, RecordBytesView y, std::size_t entries) {
    std::int32_t shared = 0;
    const std::uint8_t* a = x.data() + SpawnLayout::kAreaHeaderSize;
    const std::uint8_t* b = y.data() + SpawnLayout::kAreaHeaderSize;
    for (std::size_t e = 0; e < entries; ++e) {
        for (std::size_t w = 0; w < kEntryWords; ++w) {
            shared += w != kByteFieldsWord && wordAt(a + w * kWord) == wordAt(b + w * kWord) ? 1 : 0;
        }
        for (std::size_t k = 0; k < kWord; ++k) {
            shared += a[kByteFieldsWord * kWord + k] == b[kByteFieldsWord * kWord + k] ? 1 : 0;
        }
        a += SpawnLayout::kCreatureEntrySize;
        b += SpawnLayout::kCreatureEntrySize;
    }
    return shared;
}

class GapPairing {
public:
    // Appends the changes of the gap between `a` and `b` in file order; `offsetA` and `offsetB`
    // are the 0-based positions of the gap's first records in their lists.
    void pair(std::span<const RecordBytesView> a, std::span<const RecordBytesView> b, std::size_t offsetA,
              std::size_t offsetB, std::vector<RecordChange>& out) {
        if (a.empty() || b.empty()) {
            for (std::size_t i = 0; i < a.size(); ++i) {
                out.push_back({RecordChangeKind::Removed, position(offsetA + i), 0});
            }
            for (std::size_t j = 0; j < b.size(); ++j) {
                out.push_back({RecordChangeKind::Added, 0, position(offsetB + j)});
            }
            return;
        }
        prepare(a, b);
        solve(a, b);
        // Forward from the near corner along the chosen moves.
        std::size_t i = 0;
        std::size_t j = 0;
        while (i < m_n || j < m_m) {
            switch (moveAt(i, j)) {
            case Move::Pair:
                out.push_back({RecordChangeKind::Changed, position(offsetA + i), position(offsetB + j)});
                ++i;
                ++j;
                break;
            case Move::Remove:
                out.push_back({RecordChangeKind::Removed, position(offsetA + i), 0});
                ++i;
                break;
            case Move::Add:
                out.push_back({RecordChangeKind::Added, 0, position(offsetB + j)});
                ++j;
                break;
            }
        }
    }

private:
    enum class Move : std::uint8_t { Pair, Remove, Add };

    void prepare(std::span<const RecordBytesView> a, std::span<const RecordBytesView> b) {
        m_n = a.size();
        m_m = b.size();
        m_whole = m_n <= kExactPairingLimit && m_m <= kExactPairingLimit;
        m_a.clear();
        m_b.clear();
        for (const RecordBytesView r : a) {
            m_a.push_back(likenessOf(r));
        }
        for (const RecordBytesView r : b) {
            m_b.push_back(likenessOf(r));
        }
        m_rowStart.resize(m_n + 2);
        m_rowStart[0] = 0;
        for (std::size_t i = 0; i <= m_n; ++i) {
            m_rowStart[i + 1] = m_rowStart[i] + (high(i) - low(i) + 1);
        }
        m_moves.resize(m_rowStart[m_n + 1]);
        m_below.assign(m_m + 1, 0);
        m_row.assign(m_m + 1, 0);
    }

    // The columns of row i inside the band: every path from the near corner to the far one along
    // the line stays inside, and from every cell inside one move leads on inside.
    std::size_t centre(std::size_t i) const { return i * m_m / m_n; }
    std::size_t low(std::size_t i) const {
        return m_whole || centre(i) < kBandHalfWidth ? 0 : centre(i) - kBandHalfWidth;
    }
    std::size_t high(std::size_t i) const {
        return m_whole ? m_m : std::min(m_m, centre(i + 1) + kBandHalfWidth);
    }
    Move moveAt(std::size_t i, std::size_t j) const { return m_moves[m_rowStart[i] + (j - low(i))]; }

    // The fields two records share when they may pair, else 0.
    std::int32_t likeness(std::span<const RecordBytesView> a, std::span<const RecordBytesView> b,
                          std::size_t i, std::size_t j) const {
        const Likeness& x = m_a[i];
        const Likeness& y = m_b[j];
        if (x.entries < 0 || y.entries < 0) {
            return 0;
        }
        std::int32_t shared = 0;
        for (std::size_t k = 0; k < x.area.size(); ++k) {
            shared += x.area[k] == y.area[k] ? 1 : 0;
        }
        if (shared < kMinSharedAreaFields) {
            return 0;
        }
        return shared +
               sharedEntryFields(a[i], b[j], static_cast<std::size_t>(std::min(x.entries, y.entries)));
    }

    // The best total from every cell of the band to the far corner, row by row from the last,
    // keeping each cell's move.
    void solve(std::span<const RecordBytesView> a, std::span<const RecordBytesView> b) {
        for (std::size_t i = m_n + 1; i-- > 0;) {
            const std::size_t lo = low(i);
            const std::size_t hi = high(i);
            const std::size_t belowLo = i < m_n ? low(i + 1) : 0;
            const std::size_t belowHi = i < m_n ? high(i + 1) : 0;
            Move* const moves = m_moves.data() + m_rowStart[i];
            for (std::size_t j = hi + 1; j-- > lo;) {
                std::int64_t best = std::numeric_limits<std::int64_t>::min();
                Move move = Move::Add;
                if (i == m_n && j == m_m) {
                    best = 0;
                }
                if (i < m_n && j < m_m && j + 1 >= belowLo && j + 1 <= belowHi) {
                    if (const std::int32_t w = likeness(a, b, i, j); w > 0) {
                        best = w + m_below[j + 1];
                        move = Move::Pair;
                    }
                }
                if (i < m_n && j >= belowLo && j <= belowHi && m_below[j] > best) {
                    best = m_below[j];
                    move = Move::Remove;
                }
                if (j < hi && m_row[j + 1] > best) {
                    best = m_row[j + 1];
                    move = Move::Add;
                }
                m_row[j] = best;
                moves[j - lo] = move;
            }
            std::swap(m_row, m_below);
        }
    }

    std::size_t m_n = 0;
    std::size_t m_m = 0;
    bool m_whole = true;
    std::vector<Likeness> m_a;
    std::vector<Likeness> m_b;
    std::vector<std::size_t> m_rowStart; // where each row's cells begin in m_moves
    std::vector<Move> m_moves;
    std::vector<std::int64_t> m_below; // best totals of the row below, by column
    std::vector<std::int64_t> m_row;   // and of the row being solved
};

} // namespace

std::vector<RecordBytesView> recordBytesViews(const SpawnRecordList& records) {
    std::vector<RecordBytesView> views;
    views.reserve(static_cast<std::size_t>(records.count()));
    for (const SpawnRecord& r : records) {
        views.emplace_back(r.bytes);
    }
    return views;
}

RecordBytesSnapshot::RecordBytesSnapshot(const SpawnRecordList& records) {
    m_bytes.reserve(records.byteSize());
    m_ends.reserve(static_cast<std::size_t>(records.count()));
    for (const SpawnRecord& r : records) {
        m_bytes.insert(m_bytes.end(), r.bytes.begin(), r.bytes.end());
        m_ends.push_back(m_bytes.size());
    }
}

std::vector<RecordBytesView> RecordBytesSnapshot::views() const {
    std::vector<RecordBytesView> views;
    views.reserve(m_ends.size());
    std::size_t begin = 0;
    for (const std::size_t end : m_ends) {
        views.push_back(RecordBytesView(m_bytes).subspan(begin, end - begin));
        begin = end;
    }
    return views;
}

RecordDiff diffRecords(std::span<const RecordBytesView> a, std::span<const RecordBytesView> b) {
    const Matched matched = matchRecords(a, b);
    RecordDiff diff;
    GapPairing pairing;
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() || j < b.size()) {
        // The unmatched run on each side up to the next matched pair.
        const std::size_t runA = i;
        const std::size_t runB = j;
        while (i < a.size() && !matched.a[i]) {
            ++i;
        }
        while (j < b.size() && !matched.b[j]) {
            ++j;
        }
        pairing.pair(a.subspan(runA, i - runA), b.subspan(runB, j - runB), runA, runB, diff.changes);
        if (i < a.size() && j < b.size()) {
            ++diff.unchanged;
            ++i;
            ++j;
        }
    }
    return diff;
}

std::vector<std::int32_t> changedRecordIndexes(std::span<const RecordBytesView> before,
                                               std::span<const RecordBytesView> now) {
    std::vector<std::int32_t> indexes;
    for (const RecordChange& change : diffRecords(before, now).changes) {
        if (change.kind != RecordChangeKind::Removed) {
            indexes.push_back(change.b - 1);
        }
    }
    return indexes;
}

std::vector<FieldChange> diffRecordFields(const SpawnRecord& a, const SpawnRecord& b) {
    const std::string typesA = recordFieldTypes(std::max(a.entryCount, 0));
    const std::string typesB = recordFieldTypes(std::max(b.entryCount, 0));
    const RecordBytesView bytesA(a.bytes);
    const RecordBytesView bytesB(b.bytes);
    std::vector<FieldChange> changes;
    std::size_t offset = 0;
    for (std::size_t j = 1; j <= std::max(typesA.size(), typesB.size()); ++j) {
        // Both records lay out their fields alike; only their number differs.
        const char type = j <= typesA.size() ? typesA[j - 1] : typesB[j - 1];
        const std::size_t size = SpawnLayout::fieldSize(type);
        const bool inA = j <= typesA.size() && offset + size <= bytesA.size();
        const bool inB = j <= typesB.size() && offset + size <= bytesB.size();
        const bool same =
            inA && inB && std::ranges::equal(bytesA.subspan(offset, size), bytesB.subspan(offset, size));
        if (!same) {
            FieldChange change{j, formFieldLabel(j), std::nullopt, std::nullopt};
            if (inA) {
                change.a = fieldText(type, bytesA.subspan(offset));
            }
            if (inB) {
                change.b = fieldText(type, bytesB.subspan(offset));
            }
            changes.push_back(std::move(change));
        }
        offset += size;
    }
    return changes;
}

} // namespace spawn
