#include "ElementNameTables.h"

namespace spawn {

ElementNameTables::ElementNameTables(NameTable list37, NameTable list54)
    : m_list37(std::move(list37)), m_list54(std::move(list54)) {
    m_index.reserve(m_list37.count() + m_list54.count());
    // Entries go in from the lowest index up, list 54 before list 37 at each index, and the first
    // entry for an ID stays: the lowest index wins and list 54 wins a tie.
    const std::size_t longest = std::max(m_list37.count(), m_list54.count());
    for (std::size_t i = 0; i < longest; ++i) {
        if (i < m_list54.count()) {
            m_index.try_emplace(m_list54.ids[i], Hit{i, true});
        }
        if (i < m_list37.count()) {
            m_index.try_emplace(m_list37.ids[i], Hit{i, false});
        }
    }
}

std::optional<std::string_view> ElementNameTables::findCreatureName(std::int32_t id) const {
    const auto it = m_index.find(id);
    if (it == m_index.end()) {
        return std::nullopt;
    }
    const NameTable& table = it->second.fromList54 ? m_list54 : m_list37;
    return std::string_view(table.names[it->second.index]);
}

} // namespace spawn
