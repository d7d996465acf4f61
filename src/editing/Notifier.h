#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace spawn {

// A connection to a Notifier: the handler is called until the subscription is dropped (or reset),
// so an observer that keeps its subscriptions as members is never called after it is gone.
class Subscription {
public:
    Subscription() = default;
    explicit Subscription(std::function<void()> disconnect) : m_disconnect(std::move(disconnect)) {}
    Subscription(Subscription&& other) noexcept : m_disconnect(std::exchange(other.m_disconnect, {})) {}
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            reset();
            m_disconnect = std::exchange(other.m_disconnect, {});
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { reset(); }

    void reset() {
        if (m_disconnect) {
            std::exchange(m_disconnect, {})();
        }
    }

private:
    std::function<void()> m_disconnect;
};

// The subscriptions of one observer, dropped together with it.
class Subscriptions {
public:
    Subscriptions& operator+=(Subscription subscription) {
        m_subscriptions.push_back(std::move(subscription));
        return *this;
    }
    void clear() { m_subscriptions.clear(); }

private:
    std::vector<Subscription> m_subscriptions;
};

// Tells its observers of an event, in the order they connected, on the thread that notifies. A
// handler may connect or drop subscriptions while it runs: one dropped is not called afterwards,
// one connected is called from the next notice on. The notifier may go before its subscriptions.
template <class... Args> class Notifier {
public:
    using Handler = std::function<void(Args...)>;

    Notifier() = default;
    Notifier(const Notifier&) = delete;
    Notifier& operator=(const Notifier&) = delete;

    // Connecting does not change what the notifier tells, so it is open to every observer that
    // can see the notifier, including through a const reference.
    [[nodiscard]] Subscription connect(Handler handler) const {
        auto slot = std::make_shared<Slot>(Slot{std::move(handler), true});
        m_slots->push_back(slot);
        std::weak_ptr<Slots> owner = m_slots;
        return Subscription([owner, slot] {
            slot->connected = false;
            if (auto alive = owner.lock()) {
                std::erase(*alive, slot);
            }
        });
    }

    void notify(Args... args) const {
        if (m_slots->empty()) {
            return;
        }
        const Slots now = *m_slots; // handlers may connect or disconnect meanwhile
        for (const auto& slot : now) {
            if (slot->connected) {
                slot->handler(args...);
            }
        }
    }

    std::size_t observerCount() const { return m_slots->size(); }

private:
    struct Slot {
        Handler handler;
        bool connected = false;
    };
    using Slots = std::vector<std::shared_ptr<Slot>>;

    std::shared_ptr<Slots> m_slots = std::make_shared<Slots>();
};

} // namespace spawn
