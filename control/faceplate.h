#pragma once

#include <QWidget>

namespace control {

// The brushed dark metal behind the front panel's display, lamp and labels. When it has the
// keyboard focus it draws a bright frame, since a style's own focus mark is lost on the dark metal.
class Faceplate : public QWidget
{
    Q_OBJECT
public:
    explicit Faceplate(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace control
