#pragma once

#include <QColor>
#include <QWidget>

namespace control {

// The power lamp: a round lens that glows while the amplifier is on and is a dark lens otherwise.
class PowerLamp : public QWidget
{
    Q_OBJECT
public:
    explicit PowerLamp(QWidget* parent = nullptr);

    void setLit(bool lit); // repaints only on a change
    bool isLit() const { return m_lit; }
    void setLampColor(const QColor& color);

    QSize sizeHint() const override { return {28, 28}; }
    QSize minimumSizeHint() const override { return {12, 12}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return width; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void updateAccessibleText();

    bool m_lit = false;
    QColor m_lampColor{60, 220, 90};
};

} // namespace control
