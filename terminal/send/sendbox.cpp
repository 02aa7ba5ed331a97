#include "send/sendbox.h"

SendBox::SendBox(QWidget *parent) : TextBox(parent)
{
    setUndoRedoEnabled(true);
}
