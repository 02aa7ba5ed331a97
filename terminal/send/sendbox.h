#pragma once

#include <QPlainTextEdit>
#include <QString>

// The send box. Its text reads with CR LF line breaks, as it goes out.
class SendBox : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit SendBox(QWidget *parent = nullptr);

    // The whole text with every line break as CR LF.
    QString text() const;
    // Replaces the text; CR LF, lone CR and lone LF all become line breaks.
    void setText(const QString &text);
};
