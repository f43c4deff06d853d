#pragma once

#include "loader/corliftstate.h"
#include "loader/uploadrun.h"
#include "serial/comform.h"
#include "serial/portmenu.h"

#include <QMainWindow>
#include <functional>
#include <memory>

class ComWindow;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;

// Corlift's one window: guides the user through an upgrade, shows the chosen file and its check,
// offers the ports that can be opened and hosts the upload.
class Corlifter : public QMainWindow
{
    Q_OBJECT
public:
    static constexpr int MinimumDelayMs = 150;
    // The pause is held as a 16-bit number of milliseconds.
    static constexpr int MaximumDelayMs = 32767;

    // Asks for a firmware file; empty when the user cancelled. Tests replace the dialog.
    using FileDialogHook = std::function<QString(QWidget* parent)>;

    Corlifter(CorliftState& state, QString setupIniPath, QWidget* parent = nullptr);
    ~Corlifter() override;

    ComForm& link() { return m_link; }
    UploadRun& run() { return m_run; }
    void setFileDialogHook(FileDialogHook hook) { m_fileDialog = std::move(hook); }

    void chooseFile();
    void showAbout();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWindow();
    void buildMenus();
    void startUp();
    void render();

    CorliftState& m_state;
    QString m_setupIniPath;
    ComForm m_link;
    UploadRun m_run;
    PortMenu m_ports;
    std::unique_ptr<ComWindow> m_comWindow;
    FileDialogHook m_fileDialog;

    QLabel* m_label1 = nullptr;
    QLineEdit* m_textFilename = nullptr;
    QLineEdit* m_textFilevalid = nullptr;
    QPushButton* m_btnBrowse = nullptr;
    QPushButton* m_btnUpload = nullptr;
    QPushButton* m_commport = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QAction* m_load = nullptr;
    QMenu* m_commPortMenu = nullptr;
};
