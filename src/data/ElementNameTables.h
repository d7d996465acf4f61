#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace spawn {

// One named list of the element database: entry j holds the ID and the name of record j.
struct NameTable {
    std::vector<std::int32_t> ids;
    std::vector<std::string> names; // UTF-8, same length as ids

    std::size_t count() const { return ids.size(); }
};

// The creature names of lists 37 and 54, filled once at start-up and then only read.
class ElementNameTables {
public:
    ElementNameTables() = default;
    ElementNameTables(NameTable list37, NameTable list54);

    const NameTable& list37() const { return m_list37; }
    const NameTable& list54() const { return m_list54; }

    // The name whose entry has the lowest index in either table; at the same index the list-54
    // entry wins. Nothing when neither table holds the ID. Answered from an index built once.
    std::optional<std::string_view> findCreatureName(std::int32_t id) const;

private:
    struct Hit {
        std::size_t index;
        bool fromList54;
    };

    NameTable m_list37;
    NameTable m_list54;
    std::unordered_map<std::int32_t, Hit> m_index;
};

} // namespace spawn
