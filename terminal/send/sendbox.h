#pragma once

#include <QPlainTextEdit>
#include <QString>

// The send box. Its text reads with CR LF line breaks, as it goes out.
class SendBox : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit SendBox(QWidget *parent = nullptr);

    // The whole text as typed, character for character, with every line
    // break as CR LF. Unlike toPlainText(), a no-break space stays a no-break
    // space and a line separator (U+2028) stays that character.
    QString text() const;
    // Replaces the text; CR LF, lone CR and lone LF all become line breaks.
    void setText(const QString &text);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
