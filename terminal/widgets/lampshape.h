#pragma once

#include <QWidget>

// The port lamp: a solid filled circle, centred in its rectangle, with a thin
// dark outline.
class LampShape : public QWidget
{
    Q_OBJECT

public:
    explicit LampShape(QWidget *parent = nullptr);

    quint32 fillColor() const { return m_fillColor; }
    void setFillColor(quint32 color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    quint32 m_fillColor = 0;
};
