#pragma once

#include <QFont>
#include <QProgressBar>
#include <QStaticText>

// Corlift's progress bar: a QProgressBar (value, text and accessibility as usual) that paints itself
// plainly. The platform styles draw gradients, stripes and smoothed edges at every step, which costs
// more than the upload itself, which otherwise only sleeps between lines. The colours come from the
// palette, so a red Highlight shows a failure as before.
class ProgressBar : public QProgressBar
{
    Q_OBJECT
public:
    explicit ProgressBar(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The text laid out once for each value: shaping it anew cost more than the rest of a step.
    QStaticText m_label;
    QFont m_labelFont;
};
