#pragma once

#include "widgets/autosizelabel.h"

// A label that reports clicks and keeps its text colour as a control colour
// value (see controlcolor.h), so that a system colour stays a system colour.
class LinkLabel : public AutoSizeLabel
{
    Q_OBJECT

public:
    explicit LinkLabel(const QString &text, QWidget *parent = nullptr);

    quint32 foreColor() const { return m_foreColor; }
    void setForeColor(quint32 color);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void applyColor();

    quint32 m_foreColor;
};
