#include "textbox/edithistory.h"

void EditHistory::record(Step step, bool typed)
{
    m_steps.resize(m_done);
    if (typed && m_lastTyped && !m_steps.empty() && step.removed.isEmpty() &&
        !step.added.isEmpty()) {
        Step &last = m_steps.back();
        const bool continues = step.position == last.position + last.added.size();
        const bool wordEnds =
            step.added.front().isSpace() && !last.added.isEmpty() && !last.added.back().isSpace();
        if (continues && !wordEnds) {
            last.added += step.added;
            return;
        }
    }
    m_steps.push_back(std::move(step));
    m_done = m_steps.size();
    m_lastTyped = typed;
}

void EditHistory::clear()
{
    m_steps.clear();
    m_done = 0;
    m_lastTyped = false;
}

const EditHistory::Step &EditHistory::undo()
{
    m_lastTyped = false;
    return m_steps[--m_done];
}

const EditHistory::Step &EditHistory::redo()
{
    m_lastTyped = false;
    return m_steps[m_done++];
}
