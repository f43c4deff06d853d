#pragma once

#include "loader/corliftstate.h"
#include "loader/uploadrun.h"
#include "serial/comform.h"
#include "serial/portmenu.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>

class ComWindow;
class ProgressBar;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QMessageBox;
class QPushButton;

// Corlift's one window: guides the user through an upgrade, shows the chosen file and its check,
// offers the ports that can be opened and hosts the upload.
class Corlifter : public QMainWindow
{
    Q_OBJECT
public:
    // Asks for a firmware file, starting in `folder`; empty when the user cancelled. Tests replace
    // the dialog.
    using FileDialogHook = std::function<QString(QWidget* parent, const QString& folder)>;

    Corlifter(CorliftState& state, QString setupIniPath, QWidget* parent = nullptr);
    ~Corlifter() override;

    ComForm& link() { return m_link; }
    PortMenu& portMenu() { return m_ports; }
    UploadRun& run() { return m_run; }
    void setFileDialogHook(FileDialogHook hook) { m_fileDialog = std::move(hook); }

    void chooseFile();
    // The file a desktop or the command line names: chosen and checked as Browse would.
    void openFile(const QString& path);
    void showAbout();
    // The folder the file dialog starts in: that of the last file, else the user's home.
    QString startFolder() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWindow();
    void buildMenus();
    void startUp();
    void render();
    void drawProgress(const LoaderControls& c);
    // The bar's value alone, as lines go out.
    void showProgress(int progress);
    // Closes a question that the run has made moot.
    void askedInVain();
    // Closing while lines are sent would leave the product in boot mode: ask, and let the upload go
    // on meanwhile.
    void askToStopTheUpdate();
    // Upload on a file with a damaged record: asks first, Cancel being the default.
    void uploadClicked();
    // The path typed or pasted into the file box, checked on Enter.
    void fileTyped();

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
    QLabel* m_recordWarning = nullptr;
    // The file name last drawn: what the user types in the box stays until the run changes it.
    QString m_shownFileName;
    QPushButton* m_btnBrowse = nullptr;
    QPushButton* m_btnUpload = nullptr;
    QPushButton* m_commport = nullptr;
    QPushButton* m_nextUnit = nullptr;
    ProgressBar* m_progressBar = nullptr;
    QElapsedTimer m_progressShown; // since the bar last took a new value during an upload
    bool m_progressFailed = false; // the bar shows a failure
    // What the widgets show, but for the bar: while lines go out only the progress changes.
    std::optional<LoaderControls> m_rendered;
    QLabel* m_notice = nullptr;
    QAction* m_load = nullptr;
    QMenu* m_commPortMenu = nullptr;
    QMessageBox* m_stopQuestion = nullptr;
    QMessageBox* m_damagedQuestion = nullptr;
    bool m_stopConfirmed = false;
};
