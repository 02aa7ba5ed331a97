#pragma once

#include "textbox/textbox.h"

// The send box: a text box whose text goes out on the line, read as typed,
// character for character, with every line break as CR LF (a no-break space
// stays a no-break space, a line separator (U+2028) that character). Edits can
// be undone.
class SendBox : public TextBox
{
    Q_OBJECT

public:
    explicit SendBox(QWidget *parent = nullptr);
};
