#pragma once

#include <QWidget>

class ComForm;
class QCheckBox;
class QLineEdit;

// The small "Communication" window: the last packet sent and received, and the log switch.
// It stays hidden unless the link's SetVisibility(true) asks for it (debug mode).
class ComWindow : public QWidget
{
    Q_OBJECT
public:
    explicit ComWindow(ComForm& link, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void applyVisibility(bool visible);
    void useFixedFont();

    ComForm& m_link;
    QLineEdit* m_text1;
    QLineEdit* m_text2;
    QCheckBox* m_chkLog;
    bool m_fixedFont = false;
};
