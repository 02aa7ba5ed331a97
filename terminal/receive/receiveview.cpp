#include "receive/receiveview.h"

ReceiveView::ReceiveView(QWidget *parent) : TextBox(parent)
{
    setUndoRedoEnabled(false);
}
