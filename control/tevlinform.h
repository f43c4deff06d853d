#pragma once

#include "control/panellayout.h"

#include <QList>
#include <array>

class QAction;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMenu;
class QPushButton;
class QSlider;
class QWidget;

namespace control {

class FrontPanel;
class SevenSegmentDisplay;

// The widgets of Tevlin's main window with their names, captions and tool tips, built into the
// window once. The window wires and draws them.
struct TevlinForm
{
    // A level row: label, down, slider, up, typed value and its Set button.
    struct LevelRow
    {
        QLabel* label;
        QPushButton* down;
        QSlider* slider;
        QPushButton* up;
        QLineEdit* text;
        QPushButton* set;
        QList<QWidget*> controls() const;
    };

    explicit TevlinForm(QMainWindow* window);

    FrontPanel* front;
    QPushButton* connectCancel;
    QLabel* connectState;
    QPushButton* power;
    QPushButton* mute;
    QPushButton* setupAmp;
    SevenSegmentDisplay* smallDisplay;
    LevelRow volume;
    LevelRow defVolume;
    LevelRow maxVolume;
    LevelRow balance;
    std::array<QPushButton*, InputButtonCount> inputs;

    QAction* exit;
    QMenu* setting;
    QMenu* comport;
    std::array<QAction*, 3> speeds;
    QAction* comAdress;
    QAction* findAmplifiers;
    QAction* about;
};

} // namespace control
