#pragma once

#include "Notifier.h"

#include <tuple>
#include <type_traits>
#include <vector>

namespace spawn::testing {

// Records every notice of a notifier with its arguments.
template <class... Args> class NoticeSpy {
public:
    explicit NoticeSpy(const Notifier<Args...>& notifier)
        : m_subscription(notifier.connect([this](Args... args) { notices.emplace_back(args...); })) {}

    int count() const { return static_cast<int>(notices.size()); }
    const auto& operator[](std::size_t i) const { return notices.at(i); }
    void clear() { notices.clear(); }

    std::vector<std::tuple<std::decay_t<Args>...>> notices;

private:
    Subscription m_subscription;
};

} // namespace spawn::testing
