#pragma once

#include <QWidget>

namespace control {

// The brushed dark metal behind the front panel's display, lamp and labels.
class Faceplate : public QWidget
{
    Q_OBJECT
public:
    explicit Faceplate(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace control
