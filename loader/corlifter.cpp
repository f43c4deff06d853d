#include "loader/corlifter.h"

#include "loader/corliftabout.h"
#include "loader/progressbar.h"
#include "loader/uploadjob.h"
#include "serial/comwindow.h"
#include "serial/networkportdialog.h"
#include "settings/debugmode.h"
#include "settings/filelocations.h"
#include "settings/windowplacement.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const QString Corlifter_ = QStringLiteral("Corlifter");
// Whatever number the file holds is written back as it was.
constexpr PortMenu::StoredRange StoredPortRange{-1e9, 1e9};

QString openFirmwareDialog(QWidget* parent, const QString& folder)
{
    // A file saved under another extension can still be chosen.
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Open firmware file"), folder,
                                        QLatin1String(loader::FileFilter) + QLatin1String(";;") +
                                            QLatin1String(loader::AllFilesFilter));
}

QList<QRect> availableScreens()
{
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens << screen->availableGeometry();
    return screens;
}

// Captioned controls keep their caption as their accessible name; boxes take their label's.
template <typename W> W* named(W* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

Corlifter::Corlifter(CorliftState& state, QString setupIniPath, QWidget* parent)
    : QMainWindow(parent), m_state(state), m_setupIniPath(std::move(setupIniPath)), m_link(state.ReplyBuffer),
      m_run(state, m_link, m_setupIniPath),
      m_ports(m_link, state.ComPort, m_setupIniPath, StoredPortRange, this), m_fileDialog(openFirmwareDialog)
{
    m_link.setLogFilePath(logFilePath(m_setupIniPath));
    buildWindow();
    buildMenus();
    connect(&m_run, &UploadRun::controlsChanged, this, &Corlifter::render);
    connect(&m_run, &UploadRun::progressChanged, this, [this] { showProgress(m_run.controls().progress); });
    // "Cancel Upload" and the new status reach the screen before the first line goes out, rather than
    // in the wait after it, so that the sending starts with nothing else for the window to do.
    connect(&m_run, &UploadRun::sendingBegins, this,
            [this] { QCoreApplication::sendPostedEvents(this, QEvent::UpdateRequest); });
    connect(&m_ports, &PortMenu::notStored, &m_run, &UploadRun::portNotStored);
    startUp();
    if (const auto placement = savedWindowPlacement(Corlifter_, availableScreens(), m_setupIniPath)) {
        move(placement->topLeft());
        resize(placement->size());
    }
}

Corlifter::~Corlifter() = default;

void Corlifter::buildWindow()
{
    setObjectName(Corlifter_);
    setWindowTitle(QStringLiteral("Korvanes Audio - Corlift"));

    auto* central = new QWidget(this);
    auto* frame1 = named(new QGroupBox(QStringLiteral("Control"), central), "Frame1");
    auto* lblGuide = named(new QLabel(QStringLiteral("Guide"), frame1), "LblGuide");
    m_label1 = named(new QLabel(frame1), "Label1");
    m_label1->setWordWrap(true);
    m_label1->setTextFormat(Qt::PlainText);
    m_label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_label1->setFrameShape(QFrame::StyledPanel);
    m_label1->setMargin(8);
    m_label1->setMinimumHeight(m_label1->fontMetrics().lineSpacing() * 14 + 16);
    m_label1->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* lblFileName = named(new QLabel(QStringLiteral("File"), frame1), "LblFileName");
    m_textFilename = named(new QLineEdit(frame1), "Text_Filename");
    m_textFilename->setToolTip(
        QStringLiteral("Firmware file: Browse, or type or paste its path and press Enter"));
    lblFileName->setBuddy(m_textFilename);
    m_btnBrowse = named(new QPushButton(QStringLiteral("Browse"), frame1), "BtnBrowse");
    m_btnUpload = named(new QPushButton(QLatin1String(CaptionUpload), frame1), "BtnUpload");
    m_commport = named(new QPushButton(QLatin1String(CaptionOpenPort), frame1), "Commport");
    m_nextUnit = named(new QPushButton(QLatin1String(CaptionNextUnit), frame1), "BtnNextUnit");
    m_nextUnit->setToolTip(
        tr("Wait for the next product in boot mode and flash the same file on the same port"));
    // Its place stays while it is hidden, so that the other buttons never move.
    QSizePolicy keepPlace = m_nextUnit->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    m_nextUnit->setSizePolicy(keepPlace);
    m_nextUnit->hide();
    m_commport->setMinimumWidth(m_commport->fontMetrics().horizontalAdvance(QLatin1String(CaptionClosePort)) +
                                32);
    m_btnUpload->setMinimumWidth(
        m_btnUpload->fontMetrics().horizontalAdvance(QLatin1String(CaptionCancelUpload)) + 32);

    auto* grid1 = new QGridLayout(frame1);
    grid1->addWidget(lblGuide, 0, 0, 1, 3);
    grid1->addWidget(m_label1, 1, 0, 1, 3);
    grid1->addWidget(lblFileName, 2, 0);
    grid1->addWidget(m_textFilename, 2, 1);
    grid1->addWidget(m_btnBrowse, 2, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_commport);
    buttons->addWidget(m_btnUpload);
    buttons->addWidget(m_nextUnit);
    grid1->addLayout(buttons, 3, 0, 1, 3);
    grid1->setColumnStretch(1, 1);

    auto* frame2 = named(new QGroupBox(QStringLiteral("Status"), central), "Frame2");
    auto* lblStatus = named(new QLabel(QStringLiteral("Status"), frame2), "LblStatusTxt");
    m_textFilevalid = named(new QLineEdit(frame2), "Text_Filevalid");
    m_textFilevalid->setReadOnly(true);
    lblStatus->setBuddy(m_textFilevalid);
    // One line, present while empty too, so that the window keeps its layout when a warning comes.
    m_recordWarning = named(new QLabel(frame2), "RecordWarning");
    m_recordWarning->setTextFormat(Qt::PlainText);
    m_recordWarning->setFixedHeight(m_recordWarning->fontMetrics().lineSpacing());
    m_recordWarning->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    m_recordWarning->setStyleSheet(QStringLiteral("color: #b00000"));
    auto* lblProgress = named(new QLabel(QStringLiteral("Progress"), frame2), "LblProgress");
    m_progressBar = named(new ProgressBar(frame2), "ProgressBar1");
    m_progressBar->setRange(0, 100);
    lblProgress->setBuddy(m_progressBar);
    auto* grid2 = new QGridLayout(frame2);
    grid2->addWidget(lblStatus, 0, 0);
    grid2->addWidget(m_textFilevalid, 0, 1);
    grid2->addWidget(m_recordWarning, 1, 1);
    grid2->addWidget(lblProgress, 2, 0);
    grid2->addWidget(m_progressBar, 2, 1);
    grid2->setColumnStretch(1, 1);
    // Both frames' first columns line up.
    const int labelWidth = std::max(
        {lblFileName->sizeHint().width(), lblStatus->sizeHint().width(), lblProgress->sizeHint().width()});
    grid1->setColumnMinimumWidth(0, labelWidth);
    grid2->setColumnMinimumWidth(0, labelWidth);

    auto* layout = new QVBoxLayout(central);
    layout->addWidget(frame1, 1);
    layout->addWidget(frame2);
    setCentralWidget(central);
    // Tab goes as the eye does: the file, Browse, then Open Comm Port before Upload.
    setTabOrder(m_btnBrowse, m_commport);
    setTabOrder(m_commport, m_btnUpload);
    setTabOrder(m_btnUpload, m_nextUnit);

    // A label rather than a status message: opening a menu would wipe a message.
    m_notice = named(new QLabel(statusBar()), "Notice");
    m_notice->setWordWrap(true);
    // Two lines, whether empty or not, and never more: a wrapping label would otherwise ask the window
    // for the height its text takes at the narrowest width, and the window would grow with a notice.
    m_notice->setText(QStringLiteral("\n"));
    m_notice->setFixedHeight(m_notice->sizeHint().height());
    m_notice->clear();
    m_notice->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    statusBar()->addWidget(m_notice, 1);
    resize(640, sizeHint().height());

    connect(m_btnBrowse, &QPushButton::clicked, this, &Corlifter::chooseFile);
    // Opening a port needs the port map.
    connect(m_commport, &QPushButton::clicked, &m_ports, &PortMenu::finishProbe);
    connect(m_commport, &QPushButton::clicked, &m_run, &UploadRun::toggleCommport);
    connect(m_btnUpload, &QPushButton::clicked, this, &Corlifter::uploadClicked);
    connect(m_textFilename, &QLineEdit::returnPressed, this, &Corlifter::fileTyped);
    connect(m_nextUnit, &QPushButton::clicked, &m_run, &UploadRun::nextUnit);
}

void Corlifter::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File"));
    m_load = file->addAction(QStringLiteral("&Load"), this, &Corlifter::chooseFile);
    m_load->setObjectName(QStringLiteral("Load"));
    QAction* close = file->addAction(QStringLiteral("&Close"), this, &QWidget::close);
    close->setObjectName(QStringLiteral("Close"));
    close->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* comm = menuBar()->addMenu(QStringLiteral("&Comm"));
    comm->setObjectName(QStringLiteral("Comm"));
    m_commPortMenu = comm->addMenu(QStringLiteral("&Comm port"));
    m_commPortMenu->setObjectName(QStringLiteral("Comm_Port_menu"));
    m_ports.setNetworkPortAsker(networkPortAsker(this));
    m_commPortMenu->addActions(m_ports.actions());

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("help"));
    QAction* about = help->addAction(QStringLiteral("&About"), this, &Corlifter::showAbout);
    about->setObjectName(QStringLiteral("About"));
}

void Corlifter::startUp()
{
    m_run.showStartTexts(storedFirmwarePath(m_setupIniPath));

    m_state.delayMs = storedDelayMs(m_setupIniPath);

    m_ports.selectStored();
    m_state.ComSpeed = 0;
    m_state.StopRequested = false;
    m_ports.probeSoon(m_state.ComSpeed);

    m_comWindow = std::make_unique<ComWindow>(m_link, this);
    m_link.SetVisibility(debugModeOn(m_setupIniPath));
    m_link.SetCorliftActive();

    m_rendered.reset();
    render();
    if (!m_run.controls().fileName.isEmpty())
        m_run.checkFile(m_run.controls().fileName);
}

QString Corlifter::startFolder() const
{
    const QString last = m_state.firmwarePath.isEmpty() ? m_run.controls().fileName : m_state.firmwarePath;
    const QFileInfo folder(QFileInfo(last).absolutePath());
    return !last.isEmpty() && folder.isDir() ? folder.filePath() : QDir::homePath();
}

void Corlifter::chooseFile()
{
    const QString path = m_fileDialog(this, startFolder());
    // A cancelled dialog leaves the previous check standing.
    if (!path.isEmpty())
        m_run.checkFile(path);
}

void Corlifter::openFile(const QString& path)
{
    if (path.isEmpty())
        return;
    // The box names the file asked for, also where there is none and the status box says so.
    const QString absolute = QFileInfo(path).absoluteFilePath();
    m_textFilename->setText(absolute);
    m_run.checkFile(absolute);
}

void Corlifter::fileTyped()
{
    if (!m_run.controls().browseEnabled)
        return;
    QString path = m_textFilename->text().trimmed();
    // A path copied from a file manager or a shell may come quoted, or as a URL.
    if (path.size() >= 2 && (path.front() == u'"' || path.front() == u'\'') && path.back() == path.front())
        path = path.sliced(1, path.size() - 2);
    if (path.startsWith(QLatin1String("file://")))
        path = QUrl(path).toLocalFile();
    if (path.startsWith(QLatin1String("~/")))
        path = QDir::home().filePath(path.sliced(2));
    if (path.isEmpty())
        return;
    openFile(path);
}

void Corlifter::showAbout()
{
    CorliftAbout about(this);
    about.exec();
}

void Corlifter::render()
{
    const LoaderControls& c = m_run.controls();
    LoaderControls shown = c;
    if (m_rendered)
        shown.progress = m_rendered->progress;
    if (m_rendered && shown == *m_rendered) {
        drawProgress(c);
        askedInVain();
        return;
    }
    m_rendered = c;
    // The guide ends in a blank line and the boot-mode text starts with one; one is enough on screen.
    m_label1->setText(QString(c.guideText)
                          .replace(QLatin1String("\r\n"), QLatin1String("\n"))
                          .replace(QLatin1String("\n\n\n"), QLatin1String("\n\n")));
    // A line edit repaints and lays its text out again even when given the text it has.
    // What the user is typing stays until the run names another file.
    if (m_shownFileName != c.fileName) {
        m_shownFileName = c.fileName;
        m_textFilename->setText(c.fileName);
        m_textFilename->setCursorPosition(c.fileName.size());
    }
    m_textFilename->setReadOnly(!c.browseEnabled);
    if (m_textFilevalid->text() != c.statusText)
        m_textFilevalid->setText(c.statusText);
    m_recordWarning->setText(c.recordWarning);
    m_recordWarning->setToolTip(c.recordWarning);
    m_commport->setText(c.commportCaption);
    m_commport->setEnabled(c.commportEnabled);
    m_btnUpload->setText(c.uploadCaption);
    m_btnUpload->setEnabled(c.uploadEnabled);
    m_btnBrowse->setEnabled(c.browseEnabled);
    m_nextUnit->setVisible(c.nextUnitEnabled);
    m_load->setEnabled(c.browseEnabled);
    m_commPortMenu->setEnabled(c.portMenuEnabled);
    m_notice->setText(c.notice);
    m_notice->setToolTip(c.notice);
    drawProgress(c);
    askedInVain();
}

void Corlifter::askedInVain()
{
    // The question is moot once the upload has ended by itself; the window shows how.
    if (m_stopQuestion && !m_run.isUploading())
        m_stopQuestion->reject();
    if (m_damagedQuestion && !m_run.uploadNeedsConsent())
        m_damagedQuestion->reject();
}

void Corlifter::uploadClicked()
{
    if (!m_run.uploadNeedsConsent()) {
        m_run.toggleUpload();
        return;
    }
    if (m_damagedQuestion) {
        m_damagedQuestion->raise();
        return;
    }
    m_damagedQuestion = new QMessageBox(QMessageBox::Warning, windowTitle(),
                                        tr("This file has a damaged record: %1. The boot loader takes each "
                                           "line as it is, and the product may "
                                           "not start after the update. Upload it anyway?")
                                            .arg(m_state.damagedRecord),
                                        QMessageBox::NoButton, this);
    m_damagedQuestion->setObjectName(QStringLiteral("DamagedQuestion"));
    QPushButton* send = m_damagedQuestion->addButton(tr("Upload Anyway"), QMessageBox::DestructiveRole);
    QPushButton* cancel = m_damagedQuestion->addButton(QMessageBox::Cancel);
    m_damagedQuestion->setDefaultButton(cancel);
    m_damagedQuestion->setEscapeButton(cancel);
    m_damagedQuestion->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_damagedQuestion, &QMessageBox::finished, this, [this, send] {
        const bool confirmed = m_damagedQuestion->clickedButton() == send;
        m_damagedQuestion = nullptr;
        // Once the box has closed: the upload waits in the event loop for its lines.
        if (confirmed)
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (m_run.uploadNeedsConsent())
                        m_run.toggleUpload(true);
                },
                Qt::QueuedConnection);
    });
    m_damagedQuestion->open();
}

void Corlifter::drawProgress(const LoaderControls& c)
{
    m_progressBar->setEnabled(c.progressEnabled);
    if (m_progressFailed != c.progressFailed) {
        m_progressFailed = c.progressFailed;
        // Red, and the word in the bar, so that the outcome is plain without colour too.
        QPalette palette;
        if (c.progressFailed)
            palette.setColor(QPalette::Highlight, QColor(200, 40, 40));
        m_progressBar->setPalette(palette);
        m_progressBar->setFormat(c.progressFailed ? tr("Failed at %p%") : QStringLiteral("%p%"));
    }
    showProgress(c.progress);
}

void Corlifter::showProgress(int progress)
{
    if (m_progressBar->value() == progress)
        return;
    // While lines are being sent the bar takes a new value at most every three seconds: a repaint
    // seconds after the last one costs about as much as sending four lines, and a short file's
    // percentage changes with every line. A full firmware file moves by one percent every few
    // seconds anyway. The first and last values, and where an upload failed, are shown at once.
    constexpr qint64 ProgressStepMs = 3000;
    const bool midway = m_run.isUploading() && progress > 0 && progress < 100 && !m_progressFailed;
    if (midway && m_progressShown.isValid() && !m_progressShown.hasExpired(ProgressStepMs))
        return;
    // The step counts from the upload's first value shown, not from the 0 before it.
    if (midway)
        m_progressShown.start();
    else
        m_progressShown.invalidate();
    m_progressBar->showValue(progress);
}

void Corlifter::askToStopTheUpdate()
{
    if (m_stopQuestion) {
        m_stopQuestion->raise();
        return;
    }
    m_stopQuestion = new QMessageBox(QMessageBox::Warning, windowTitle(),
                                     tr("Stop the update? The product will stay in boot mode."),
                                     QMessageBox::NoButton, this);
    m_stopQuestion->setObjectName(QStringLiteral("StopQuestion"));
    QPushButton* stop = m_stopQuestion->addButton(tr("Stop the Update"), QMessageBox::DestructiveRole);
    QPushButton* goOn = m_stopQuestion->addButton(tr("Continue the Update"), QMessageBox::RejectRole);
    m_stopQuestion->setDefaultButton(goOn);
    m_stopQuestion->setEscapeButton(goOn);
    m_stopQuestion->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_stopQuestion, &QMessageBox::finished, this, [this, stop] {
        const bool confirmed = m_stopQuestion->clickedButton() == stop;
        m_stopQuestion = nullptr;
        if (confirmed) {
            m_stopConfirmed = true;
            close();
        }
    });
    // Window-modal and not waited for: the upload keeps sending while the user decides.
    m_stopQuestion->open();
}

void Corlifter::closeEvent(QCloseEvent* event)
{
    if (m_run.isUploading() && !m_stopConfirmed) {
        event->ignore();
        askToStopTheUpdate();
        return;
    }
    if (isVisible() && !isMaximized() && !isFullScreen())
        saveWindowPlacement(Corlifter_, QRect(pos(), size()), m_setupIniPath);
    // A wait of the upload may be on the stack: end it, and leave the event loop once it unwound.
    m_run.requestStop();
    m_link.CloseMScomm();
    QCoreApplication::exit(0);
    event->accept();
}
