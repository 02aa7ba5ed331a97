#pragma once

#include "textbox/editabletext.h"

#include <QAccessibleWidget>
#include <QString>

#include <utility>

class TextBox;

// The text box as screen readers see it: editable, multi-line text that they
// read by character, word and line (the lines as wrapped on screen), whose
// caret and selection they follow and move, and that they may edit as the
// keyboard does, undoably. Made by the factory that the first box installs.
//
// However long the text, a question about a piece of it reads only a bounded
// stretch around the offset asked about; only the whole text asked for as a
// whole is copied.
class TextBoxAccessible : public QAccessibleWidget,
                          public QAccessibleTextInterface,
                          public QAccessibleEditableTextInterface
{
public:
    explicit TextBoxAccessible(TextBox *box);

    // Makes every TextBox (the receive box and the send box among them) known
    // to Qt's accessibility through this class. Once is enough.
    static void installFactory();

    QAccessible::State state() const override;
    QString text(QAccessible::Text kind) const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    // ---- QAccessibleTextInterface ----
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                             int *startOffset, int *endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                            int *startOffset, int *endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                         int *endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint &point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

    // ---- QAccessibleEditableTextInterface ----
    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString &text) override;
    void replaceText(int startOffset, int endOffset, const QString &text) override;

private:
    using Range = std::pair<qint64, qint64>;

    TextBox *box() const;
    const EditableText &model() const;
    qint64 size() const { return model().size(); }
    // The caret stop at or before position.
    qint64 caretStopAtOrBefore(qint64 position) const;
    // The unit of the kind that holds the character at position (0 to the
    // size; at the size, an empty unit, or the last line).
    Range unitAt(qint64 position, QAccessible::TextBoundaryType boundaryType) const;
    Range wordAt(qint64 position) const;
    QString answer(Range range, int *startOffset, int *endOffset) const;
    // Selects from start to end (caret stops), as a drag of the mouse would;
    // select() shows it at once.
    void placeSelection(qint64 start, qint64 end);
    void select(qint64 start, qint64 end);
};

// What a text box tells assistive technology as its text, caret and selection
// change. Nothing at all while none listens (QAccessible::isActive()): no
// event is made and no text is copied.
//
// Received text is told once a frame, all of it in one event, when the box is
// brought up to date; edits as they are made; emptying or replacing the whole
// text as one change; the caret and the selection when the frame shows them.
class TextBoxChangeReport final : public EditableText::EditWatcher
{
public:
    // Watches the edits of text for box.
    TextBoxChangeReport(QObject *box, EditableText &text);

    // The text is about to grow at its end, from from on.
    void appending(qint64 from);
    // The whole text is about to be emptied or replaced, and has been.
    void aboutToReplaceAll();
    void replacedAll();
    // The box was brought up to date on screen.
    void frameShown();

    void aboutToEdit(qint64 position, qint64 removed) override;
    void edited(qint64 position, qint64 removed, qint64 added) override;

    // For the tests, which cannot make Qt listen (its update handler hears
    // only while a screen reader is connected): events go to sink instead of
    // to Qt, and listening stands in for whether a screen reader listens.
    using Sink = void (*)(QAccessibleEvent *event);
    static void redirectForTests(Sink sink, bool listening);

private:
    static bool isListening();
    void tell(QAccessibleEvent &&event);
    // The text appended since the last frame, as one insertion.
    void reportAppended();
    void reportReplaced(qint64 position, const QString &removed, const QString &added);

    QObject *m_box;
    const EditableText &m_text;
    qint64 m_appendedFrom = -1; // where text not yet told begins; -1: none
    QString m_removed;          // what the edit under way takes away
    bool m_editCaught = false;  // whether that was read before the edit
    qint64 m_toldCaret = 0;
    qint64 m_toldAnchor = 0;
};
