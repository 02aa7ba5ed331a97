#pragma once

#include "textbox/textbox.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTest>

// What the tests see of a TextBox that the window never asks for: its lines
// as laid out, the part in view, the work wrapping has done, and whether the
// screen has caught up with the text. Wrapping at the wrong width or losing
// the end from view would otherwise show only in the painted pixels.
class TextBoxProbe
{
public:
    explicit TextBoxProbe(const TextBox &box) : m_box(box) {}

    qsizetype lineCount() const { return m_box.m_text.lineCount(); }
    // A line as drawn: without its line break, control characters as symbols.
    QString shownLine(qsizetype line) const { return m_box.m_text.shownLine(line); }
    qsizetype firstVisibleLine() const { return m_box.m_topLine; }
    qsizetype visibleLineCount() const { return m_box.visibleLineCount(); }
    // The characters wrapped so far (see EditableText).
    qint64 wrappedCharacters() const { return m_box.m_text.wrappedCharacters(); }

    // No frame waits to be shown, the scroll bar has caught up and no new
    // width is still being wrapped.
    bool isUpToDate() const
    {
        return !m_box.m_framePending && !m_box.m_scrollBarTimer.isActive() &&
               !m_box.m_rewrapTimer.isActive();
    }

    // Waits until the box is up to date, however busy the machine, and has
    // what that frame asked to repaint painted: the repaint Qt has queued
    // for the window is done at once instead of when its turn comes.
    [[nodiscard]] bool waitUntilShown(int timeoutMs = 10000) const
    {
        if (!QTest::qWaitFor([this] { return isUpToDate(); }, timeoutMs))
            return false;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        return true;
    }

private:
    const TextBox &m_box;
};
