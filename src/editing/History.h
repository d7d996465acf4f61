#pragma once

#include "Notifier.h"

#include <memory>
#include <string>
#include <vector>

namespace spawn {

// One step of a history: a change made by its first redo(), taken back by undo() and made again by
// each later redo(). Named for the Undo and Redo commands ("Undo " + name).
class UndoStep {
public:
    explicit UndoStep(std::string name) : m_name(std::move(name)) {}
    virtual ~UndoStep() = default;
    UndoStep(const UndoStep&) = delete;
    UndoStep& operator=(const UndoStep&) = delete;

    const std::string& name() const { return m_name; }
    virtual void redo() = 0;
    virtual void undo() = 0;

private:
    std::string m_name;
};

// The steps made so far and where the history stands among them: steps 0..index()-1 are done, the
// rest undone (and redone in order). A new step drops the undone ones. The clean index is where
// the history stood when the work was last saved; no steps merge.
class History {
public:
    History() = default;
    History(const History&) = delete;
    History& operator=(const History&) = delete;

    int count() const { return static_cast<int>(m_steps.size()); }
    int index() const { return m_index; }
    // Precondition: 0 <= i < count().
    const UndoStep& step(int i) const { return *m_steps[static_cast<std::size_t>(i)]; }

    bool canUndo() const { return m_index > 0; }
    bool canRedo() const { return m_index < count(); }
    // The name of the step Undo (Redo) would take; empty when there is none.
    std::string undoText() const;
    std::string redoText() const;

    // Makes the step (its first redo), drops every undone step, and stands after it.
    void push(std::unique_ptr<UndoStep> step);
    void undo();
    void redo();
    // Undoes or redoes steps one at a time until the history stands at `index` (held in 0..count()).
    void setIndex(int index);
    // Drops every step; the history is clean.
    void clear();

    bool isClean() const { return m_cleanIndex == m_index; }
    int cleanIndex() const { return m_cleanIndex; } // -1: no place in the history is clean
    void setClean();
    // No place in the history is clean any more (work recovered from elsewhere).
    void resetClean();

    // After every move of the index or change of the steps (the index now), and every change of
    // cleanness (whether clean).
    Notifier<int> indexChanged;
    Notifier<bool> cleanChanged;

private:
    // Runs a change of the index and clean index, then tells what moved.
    template <class Change> void change(Change change);

    std::vector<std::unique_ptr<UndoStep>> m_steps;
    int m_index = 0;
    int m_cleanIndex = 0;
};

} // namespace spawn
