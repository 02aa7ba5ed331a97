#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <QStringView>

// The receive box: text is only ever appended, read back whole, measured,
// emptied, and the caret put at the end.
class ReceiveView : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit ReceiveView(QWidget *parent = nullptr);

    void appendText(QStringView piece);
    // The text as received: a received CR LF is two characters.
    QString text() const;
    qsizetype length() const;
    void clearText();
    void moveCaretToEnd();
};
