#pragma once

#include <QObject>

class QLineEdit;

namespace widgets {

// Puts `DecControl` in front of a text box: typed characters that would not make a number with at
// most `decimals` decimals are swallowed. Editing and navigation keys pass untouched. Text pasted or
// dropped into the box is held to the same rule (a validator), so it cannot bring in what no key could.
class NumericKeyFilter : public QObject
{
    Q_OBJECT
public:
    // Installs itself on `box` and lives as long as it.
    NumericKeyFilter(QLineEdit* box, int decimals);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_box;
    int m_decimals;
};

} // namespace widgets
