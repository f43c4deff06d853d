#pragma once

#include "control/amplifierscan.h"

#include <QDialog>
#include <memory>

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace control {

class LinkSession;

// "Find amplifiers…": tries every address on the chosen port and speed, lists each amplifier that
// answers, and takes the address of the one chosen. Cancel ends the search at once.
class FindAmplifiersDialog : public QDialog
{
    Q_OBJECT
public:
    static constexpr int FirstAddress = 1;
    static constexpr int LastAddress = 255;

    explicit FindAmplifiersDialog(LinkSession& session, QWidget* parent = nullptr);
    ~FindAmplifiersDialog() override;

    // The addresses tried, 1 to 255 unless set before the search starts (it starts once the event
    // loop runs).
    void setAddresses(int from, int to);
    // The address chosen, once the dialog was accepted.
    int chosenAddress() const { return m_chosen; }

    void done(int result) override;

private:
    QString tryingText(int address) const;
    void search();
    void addFound(const AmplifierScan::Found& found);
    void choose();

    LinkSession& m_session;
    std::unique_ptr<AmplifierScan> m_scan;
    QLabel* m_state = nullptr;
    QProgressBar* m_progress = nullptr;
    QListWidget* m_list = nullptr;
    QPushButton* m_use = nullptr;
    int m_from = FirstAddress;
    int m_to = LastAddress;
    int m_chosen = -1;
};

} // namespace control
