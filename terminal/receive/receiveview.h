#pragma once

#include "textbox/textbox.h"

// The receive box: a text box that received data is appended to. It keeps
// no undo history.
class ReceiveView : public TextBox
{
    Q_OBJECT

public:
    explicit ReceiveView(QWidget *parent = nullptr);
};
