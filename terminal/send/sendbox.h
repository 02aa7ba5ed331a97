#pragma once

#include "textbox/textbox.h"

// The send box: a text box whose text goes out on the line, read as typed,
// character for character, with every line break as CR LF (a no-break space
// stays a no-break space; a line or paragraph separator typed or pasted became
// the line break it shows as, CR LF, when it came in). Edits can be undone.
class SendBox : public TextBox
{
    Q_OBJECT

public:
    explicit SendBox(QWidget *parent = nullptr);
};
