#pragma once

#include <QString>

#include <vector>

// The undo history of a text: every edit is one replacement of characters,
// recorded with what it took out, so that it can be taken back and done
// again.
class EditHistory
{
public:
    struct Step
    {
        qint64 position = 0; // where the characters were replaced
        QString removed;     // what was there
        QString added;       // what came in its place
        qint64 caretBefore = 0;
        qint64 anchorBefore = 0;
    };

    // Records an edit; what was undone before it can no longer be redone.
    // Typing joins the typing before it, as long as it goes on where that
    // stopped, into one step a word long.
    void record(Step step, bool typed);
    void clear();

    bool canUndo() const { return m_done > 0; }
    bool canRedo() const { return m_done < m_steps.size(); }
    // The step to take back (to do again); the history moves past it.
    const Step &undo();
    const Step &redo();

private:
    std::vector<Step> m_steps;
    std::size_t m_done = 0;   // steps done; those after them were undone
    bool m_lastTyped = false; // the last step recorded was typed and may grow
};
