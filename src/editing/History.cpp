#include "History.h"

#include <algorithm>

namespace spawn {

template <class Change> void History::change(Change change) {
    const int index = m_index;
    const std::size_t steps = m_steps.size();
    const bool clean = isClean();
    change();
    if (m_index != index || m_steps.size() != steps) {
        indexChanged.notify(m_index);
    }
    if (isClean() != clean) {
        cleanChanged.notify(isClean());
    }
}

std::string History::undoText() const {
    return canUndo() ? step(m_index - 1).name() : std::string();
}

std::string History::redoText() const {
    return canRedo() ? step(m_index).name() : std::string();
}

void History::push(std::unique_ptr<UndoStep> step) {
    change([&] {
        step->redo();
        m_steps.resize(static_cast<std::size_t>(m_index)); // the undone steps go
        if (m_cleanIndex > m_index) {
            m_cleanIndex = -1; // the saved state was among them: no step leads back to it
        }
        m_steps.push_back(std::move(step));
        ++m_index;
    });
}

void History::undo() {
    if (!canUndo()) {
        return;
    }
    change([this] {
        m_steps[static_cast<std::size_t>(m_index - 1)]->undo();
        --m_index;
    });
}

void History::redo() {
    if (!canRedo()) {
        return;
    }
    change([this] {
        m_steps[static_cast<std::size_t>(m_index)]->redo();
        ++m_index;
    });
}

void History::setIndex(int index) {
    index = std::clamp(index, 0, count());
    change([this, index] {
        while (m_index > index) {
            m_steps[static_cast<std::size_t>(m_index - 1)]->undo();
            --m_index;
        }
        while (m_index < index) {
            m_steps[static_cast<std::size_t>(m_index)]->redo();
            ++m_index;
        }
    });
}

void History::clear() {
    change([this] {
        m_steps.clear();
        m_index = 0;
        m_cleanIndex = 0;
    });
}

void History::setClean() {
    change([this] { m_cleanIndex = m_index; });
}

void History::resetClean() {
    change([this] { m_cleanIndex = -1; });
}

} // namespace spawn
